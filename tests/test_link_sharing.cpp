// One exchange at a time on the link: what the operator asks for while the
// monitor waits on the box is carried out afterwards, in order, once each.
#include "harness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

void duringFirstCommand(SimPort *port, std::function<void()> action)
{
    QObject::connect(
        port, &SimPort::wrote, port, [action](const QByteArray &) { QTimer::singleShot(0, action); },
        Qt::SingleShotConnection);
}

QStringList writesAndPorts(const QStringList &log)
{
    QStringList out;
    for (const QString &entry : log) {
        if (entry == "write 00")
            continue; // the probe's flush
        if (entry.startsWith("write") || entry.startsWith("port") || entry == "close")
            out << entry;
    }
    return out;
}

} // namespace

class TestLinkSharing : public QObject {
    Q_OBJECT
private slots:
    void clicksDuringAReadWaitTheirTurn_data()
    {
        QTest::addColumn<QStringList>("clicks"); // buttons pressed while the first read waits
        QTest::addColumn<QStringList>("wire");   // what then goes out, in order

        QTest::newRow("another reader") << QStringList{"cmdReadChannel_1"}
                                        << QStringList{"write 43 30 30 39 3f", "write 43 30 31 39 3f"};
        QTest::newRow("same reader twice, queued once") << QStringList{"cmdReadChannel_1", "cmdReadChannel_1"}
                                                        << QStringList{"write 43 30 30 39 3f", "write 43 30 31 39 3f"};
        QTest::newRow("two readers in the order clicked")
            << QStringList{"cmdReadChannel_2", "cmdReadChannel_1"}
            << QStringList{"write 43 30 30 39 3f", "write 43 30 32 39 3f", "write 43 30 31 39 3f"};
        QTest::newRow("a port choice") << QStringList{"OptSerial_1"}
                                       << QStringList{"write 43 30 30 39 3f", "close", "port 2", "write 43 3f"};
        QTest::newRow("the listing") << QStringList{"Command1"}
                                     << QStringList{"write 43 30 30 39 3f", "write ff 00 c0 00 00 02 c1"};
    }

    void clicksDuringAReadWaitTheirTurn()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, wire);

        MonitorWindow window;
        window.load();
        window.child<QSlider>("sldDMXChannel_0")->setValue(10);
        window.child<QSlider>("sldDMXChannel_1")->setValue(20);
        window.child<QSlider>("sldDMXChannel_2")->setValue(30);
        window.child<QSlider>("sldDMXHigh")->setValue(3);
        window.port->box().faults().answerDelay = 50ms;
        window.port->clearLog();
        duringFirstCommand(window.port, [&window, clicks] {
            for (const QString &name : clicks)
                window.child<QAbstractButton>(name)->click();
        });

        window.child<QPushButton>("cmdReadChannel_0")->click();

        QTRY_COMPARE(writesAndPorts(window.port->log()), wire);
        QCOMPARE(window.text("txtChannel0Level_0"), QString::number(window.port->box().level(10)));
        QCOMPARE(window.desktop.beeps, 0);
    }

    void aMonitoringTickDuringAListingRunsItsPassAfterIt()
    {
        MonitorWindow window;
        window.load();
        window.child<QSlider>("sldDMXHigh")->setValue(20);
        window.port->box().faults().answerDelay = 200ms; // longer than the monitoring interval
        window.port->clearLog();

        QStringList statuses;
        connect(window.child<QLineEdit>("txtMessageBox"), &QLineEdit::textChanged, window.form.get(),
                [&statuses](const QString &text) { statuses << text; });
        auto *monitor = window.child<QCheckBox>("ChkContinuousMonitor");
        duringFirstCommand(window.port, [monitor] { QTimer::singleShot(150ms, monitor, &QCheckBox::click); });

        monitor->click();
        window.child<QPushButton>("Command1")->click();

        // The listing was not disturbed by the pass that waited behind it.
        QCOMPARE(statuses.value(0), QStringLiteral("Checksum correct & DMX Block Rx Successful"));
        QCOMPARE(window.child<QListWidget>("lstLevel")->count(), 20);
        QCOMPARE(statuses.value(1), QStringLiteral("DMX Rx command accepted"));
        QTRY_VERIFY_WITH_TIMEOUT(writesAndPorts(window.port->log()).size() >= 6, 5000);
        const QStringList wire = writesAndPorts(window.port->log());
        QCOMPARE(wire.first(), QStringLiteral("write ff 00 c0 00 00 13 c1"));
        QCOMPARE(wire.at(1), QStringLiteral("write 43 30 30 30 3f"));
    }
};

QTEST_MAIN(TestLinkSharing)
#include "test_link_sharing.moc"
