// One exchange at a time on the link: everything the operator asks for while
// the monitor waits on the box is carried out afterwards, in the order asked,
// and a message that needs no box holds up nothing.
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
        if (entry.startsWith("write") || entry.startsWith("open") || entry == "close")
            out << entry;
    }
    return out;
}

const QString kRead10 = "write 43 30 30 39 3f"; // C009?
const QString kRead20 = "write 43 30 31 39 3f"; // C019?
const QString kRead30 = "write 43 30 32 39 3f"; // C029?
const QString kProbe = "write 43 3f";

// On a clock the test moves, the window loaded.
struct SharingWindow : MonitorWindow {
    SharingWindow()
        : MonitorWindow(false, false, Time::Manual)
    {
        load();
    }
};

} // namespace

class TestLinkSharing : public QObject {
    Q_OBJECT
private slots:
    void clicksDuringAReadWaitTheirTurn_data()
    {
        QTest::addColumn<QStringList>("clicks"); // controls used while reader 0's read waits
        QTest::addColumn<QStringList>("wire");   // what then goes out, in order
        QTest::addColumn<int>("checkedPort");    // the port button left checked

        QTest::newRow("another reader") << QStringList{"cmdReadChannel_1"} << QStringList{kRead10, kRead20} << 0;
        QTest::newRow("readers 3, 1, 2, 1: every click served")
            << QStringList{"cmdReadChannel_2", "cmdReadChannel_0", "cmdReadChannel_1", "cmdReadChannel_0"}
            << QStringList{kRead10, kRead30, kRead10, kRead20, kRead10} << 0;
        QTest::newRow("the listing") << QStringList{"Command1"}
                                     << QStringList{kRead10, "write ff 00 c0 00 00 02 c1"} << 0;
        QTest::newRow("ports 2, 3, 2: each reopened and probed, the last one stays")
            << QStringList{"OptSerial_1", "OptSerial_2", "OptSerial_1", "cmdReadChannel_0"}
            << QStringList{kRead10, "close", "open sim:port2", kProbe, "close", "open sim:port3", kProbe,
                           "close", "open sim:port2", kProbe, kRead10}
            << 1;
    }

    void clicksDuringAReadWaitTheirTurn()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, wire);
        QFETCH(int, checkedPort);

        SharingWindow window;
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
        int reports = 0;
        const auto count = [&reports] { ++reports; };
        connect(window.session.get(), &BoxSession::probed, window.form.get(), count);
        connect(window.session.get(), &BoxSession::levelRead, window.form.get(), count);
        connect(window.session.get(), &BoxSession::listed, window.form.get(), count);

        window.clickAndSettle("cmdReadChannel_0");

        QCOMPARE(writesAndPorts(window.port->log()), wire);
        // Every exchange reported, each once.
        QCOMPARE(reports, wire.filter("write").size());
        QCOMPARE(window.text("txtChannel0Level_0"), QString::number(window.port->box().level(10)));
        QVERIFY(window.child<QRadioButton>(QStringLiteral("OptSerial_%1").arg(checkedPort))->isChecked());
        QCOMPARE(window.port->deviceName(), SimPort::portName(checkedPort + 1));
        QCOMPARE(window.desktop.beeps, 0);
    }

    void aMonitoringTickDuringAListingRunsItsPassAfterIt()
    {
        SharingWindow window;
        window.child<QSlider>("sldDMXHigh")->setValue(20);
        window.port->box().faults().answerDelay = 200ms; // longer than the monitoring interval
        window.port->clearLog();

        QStringList statuses;
        connect(window.child<QLineEdit>("txtMessageBox"), &QLineEdit::textChanged, window.form.get(),
                [&statuses](const QString &text) { statuses << text; });
        auto *monitor = window.child<QCheckBox>("ChkContinuousMonitor");
        monitor->click();
        window.child<QPushButton>("Command1")->click();

        QVERIFY(window.runUntil([&window] { return writesAndPorts(window.port->log()).size() >= 6; }));
        monitor->click();
        // The listing was not disturbed by the pass that waited behind it.
        QCOMPARE(statuses.value(0), QStringLiteral("Checksum correct & DMX Block Rx Successful"));
        QCOMPARE(window.child<QListWidget>("lstLevel")->count(), 20);
        QCOMPARE(statuses.value(1), QStringLiteral("DMX Rx command accepted"));
        const QStringList wire = writesAndPorts(window.port->log());
        QCOMPARE(wire.first(), QStringLiteral("write ff 00 c0 00 00 13 c1"));
        QCOMPARE(wire.at(1), QStringLiteral("write 43 30 30 30 3f"));
    }

    // While the operator reads the range message, monitoring goes on reading.
    void monitoringGoesOnWhileTheRangeMessageIsOpen()
    {
        SharingWindow window;
        int readsWhileOpen = -1;
        window.desktop.onMessageBox = [&window, &readsWhileOpen] {
            const int before = window.port->box().reads();
            window.clock->advance(600ms); // the operator takes a moment to press OK
            readsWhileOpen = window.port->box().reads() - before;
        };
        window.child<QCheckBox>("ChkContinuousMonitor")->click();
        QVERIFY(window.runUntil([&window] { return window.port->box().reads() > 0; }));
        window.child<QSlider>("sldDMXLow")->setValue(50);
        window.child<QSlider>("sldDMXHigh")->setValue(40);

        window.child<QPushButton>("Command1")->click();

        QCOMPARE(window.desktop.boxTitles, QStringList{"Channel Range Error"});
        QVERIFY2(readsWhileOpen >= 5, qPrintable(QString::number(readsWhileOpen)));
        window.child<QCheckBox>("ChkContinuousMonitor")->click();
    }
};

QTEST_MAIN(TestLinkSharing)
#include "test_link_sharing.moc"
