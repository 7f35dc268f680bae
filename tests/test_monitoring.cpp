// Continuous monitoring against the in-process box: when passes run, what
// each sends, how they end, and how they share the link with the operator.
// The session and the box run on a clock the test moves.
#include "protocol.h"
#include "harness.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace std::chrono_literals;

namespace {

// Every command the host writes, with the moment it went out, in
// milliseconds since the watch began.
struct WireWatch {
    WireWatch(SimPort *port, const SessionClock &clock)
    {
        const auto start = clock.now();
        const auto since = [&clock, start] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start).count());
        };
        QObject::connect(port, &SimPort::wrote, port, [this, since](const QByteArray &bytes) {
            commands << bytes;
            writtenAt << since();
        });
        QObject::connect(port, &SerialPort::bytesArrived, port, [this, since] { arrivedAt << since(); });
    }
    QList<QByteArray> commands;
    QList<qint64> writtenAt;
    QList<qint64> arrivedAt;
};

// Runs `action` from inside the first exchange that writes to the port, as
// an operator's click lands while the monitor waits on the box.
void duringFirstCommand(SimPort *port, std::function<void()> action)
{
    QObject::connect(
        port, &SimPort::wrote, port, [action](const QByteArray &) { QTimer::singleShot(0, action); },
        Qt::SingleShotConnection);
}

struct MonitoringWindow : MonitorWindow {
    explicit MonitoringWindow(bool silentBox = false)
        : MonitorWindow(silentBox, false, Time::Manual)
    {
        load();
        port->clearLog();
        desktop.beeps = 0;
    }
    QCheckBox *check() const { return child<QCheckBox>("ChkContinuousMonitor"); }
    QColor labelColour() const { return child<QLabel>("lblMonitoring")->palette().color(QPalette::WindowText); }
    // The label's red: red, made dark enough to read on this light window.
    QColor red() const { return child<QLabel>("lblLow")->palette().color(QPalette::WindowText); }
    void setChannels(std::initializer_list<int> channels)
    {
        int slot = 0;
        for (int channel : channels)
            child<QSlider>(QStringLiteral("sldDMXChannel_%1").arg(slot++))->setValue(channel);
    }
    QString level(int slot) const { return text(QStringLiteral("txtChannel0Level_%1").arg(slot)); }
    WireWatch watchWire() const { return WireWatch(port, *clock); }
};

} // namespace

class TestMonitoring : public QObject {
    Q_OBJECT
private slots:
    void checkingReadsNothingAtOnceAndTheFirstPassComesAnIntervalLater()
    {
        MonitoringWindow window;
        WireWatch wire = window.watchWire();
        window.check()->click();
        QCOMPARE(window.labelColour(), window.red());
        QVERIFY(window.port->log().isEmpty());
        QVERIFY(window.runUntil([&wire] { return !wire.commands.isEmpty(); }));
        QCOMPARE(wire.writtenAt.first(), qint64(BoxSession::kMonitorInterval.count()));
        window.check()->click();
    }

    void aPassReadsTheFiveSlotsInOrderEachAfterADiscard()
    {
        MonitoringWindow window;
        window.setChannels({5, 6, 7, 8, 9});
        for (int channel = 5; channel <= 9; ++channel)
            window.port->box().setLevel(channel, quint8(channel * 10));
        WireWatch wire = window.watchWire();
        QColor colourDuringPass;
        duringFirstCommand(window.port, [&window, &colourDuringPass] {
            window.check()->click(); // the running pass still reads all five
            colourDuringPass = window.labelColour();
        });
        window.check()->click();

        QVERIFY(window.runUntil([&window] { return window.level(4) == QStringLiteral("90"); }));
        QCOMPARE(colourDuringPass, QColor(0, 0, 0));
        QStringList expected;
        for (int channel = 5; channel <= 9; ++channel)
            expected << "discard" << "write " + QString::fromLatin1(protocol::readCommand(channel).toHex(' '))
                     << "read " + QString::fromLatin1(("L0" + QByteArray::number(channel * 10)).toHex(' '));
        QCOMPARE(window.port->log(), expected);
        for (int slot = 0; slot < 5; ++slot)
            QCOMPARE(window.level(slot), QString::number((slot + 5) * 10));
        QCOMPARE(window.labelColour(), QColor(0, 0, 0));

        // No pass follows once the box was cleared.
        window.clock->advance(400ms);
        QCOMPARE(wire.commands.size(), 5);
    }

    void passesStandAnIntervalApartFromEndToStart()
    {
        MonitoringWindow window;
        window.port->box().faults().answerDelay = 30ms;
        WireWatch wire = window.watchWire();
        window.check()->click();
        QVERIFY(window.runUntil([&wire] { return wire.commands.size() >= 6; }));
        window.check()->click();
        // The fifth answer ends the first pass; the sixth command opens the second.
        const qint64 endOfFirstPass = wire.arrivedAt.at(4);
        const qint64 startOfSecond = wire.writtenAt.at(5);
        QCOMPARE(startOfSecond - endOfFirstPass, qint64(BoxSession::kMonitorInterval.count()));
        QCOMPARE(window.session->timeOuts(), 0); // no pass waited on the box
    }

    void checkAndClearWithinAnIntervalRunsNoPass()
    {
        MonitoringWindow window;
        WireWatch wire = window.watchWire();
        window.check()->click();
        window.check()->click();
        QCOMPARE(window.labelColour(), QColor(0, 0, 0));
        window.clock->advance(300ms);
        QVERIFY(wire.commands.isEmpty());

        // Checked again later, it monitors as usual, pass after pass.
        window.check()->click();
        QVERIFY(window.runUntil([&wire] { return wire.commands.size() >= 10; }));
        window.check()->click();
    }

    void fiveSlidersOnOneChannelGiveFiveIdenticalReads()
    {
        MonitoringWindow window;
        window.setChannels({42, 42, 42, 42, 42});
        window.port->box().setLevel(42, 77);
        WireWatch wire = window.watchWire();
        duringFirstCommand(window.port, [&window] { window.check()->click(); });
        window.check()->click();
        QVERIFY(window.runUntil([&window] { return window.level(4) == QStringLiteral("77"); }));
        QCOMPARE(wire.commands, QList<QByteArray>(5, "C041?"));
        for (int slot = 0; slot < 5; ++slot)
            QCOMPARE(window.level(slot), QStringLiteral("77"));
    }

    void slotsZeroToThreeSilentAndSlotFourAnswered()
    {
        MonitoringWindow window;
        window.setChannels({1, 2, 3, 4, 5});
        window.port->box().setLevel(5, 123);
        window.port->box().faults().silentChannels = {1, 2, 3, 4};
        for (int slot = 0; slot < 4; ++slot)
            window.child<QLineEdit>(QStringLiteral("txtChannel0Level_%1").arg(slot))->setText("9");
        WireWatch wire = window.watchWire();
        duringFirstCommand(window.port, [&window] { window.check()->click(); });
        window.check()->click();
        QVERIFY(window.runUntil([&window] { return window.level(4) == QStringLiteral("123"); }));
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("DMX Rx command accepted"));
        for (int slot = 0; slot < 4; ++slot)
            QCOMPARE(window.level(slot), QString());
        QCOMPARE(window.desktop.beeps, 4);
    }

    void aLateReplyIsDiscardedNotTakenForTheNextSlot()
    {
        MonitoringWindow window;
        window.setChannels({1, 2, 3, 4, 5});
        window.port->box().setLevel(2, 22);
        window.port->box().faults().silentChannels = {1};
        // Slot 0's answer lands after its read gave up, before slot 1 sends.
        SimPort *port = window.port;
        bool landed = false;
        window.desktop.onBeep = [port, &landed] {
            if (!landed)
                port->landNow("L111");
            landed = true;
        };
        WireWatch wire = window.watchWire();
        duringFirstCommand(window.port, [&window] { window.check()->click(); });
        window.check()->click();
        QVERIFY(window.runUntil([&] { return wire.commands.size() == 5 && !window.level(4).isEmpty(); }));
        QVERIFY(landed);
        QCOMPARE(window.level(0), QString());
        QCOMPARE(window.level(1), QStringLiteral("22"));
    }

    void aReadClickDuringAPassWaitsForTheFifthRead()
    {
        MonitoringWindow window;
        window.setChannels({10, 11, 77, 13, 14});
        window.port->box().setLevel(77, 201);
        window.port->box().faults().answerDelay = 20ms;
        WireWatch wire = window.watchWire();
        duringFirstCommand(window.port, [&window] {
            window.check()->click();
            window.child<QPushButton>("cmdReadChannel_2")->click(); // held back until the pass ends
        });
        // The box's level moves once the pass has sent its last command, so
        // the level box tells the held-back read's answer from the pass's.
        connect(window.port, &SimPort::wrote, window.port, [&wire, &window] {
            if (wire.commands.size() == 5)
                window.port->box().setLevel(77, 99);
        });
        window.check()->click();

        QVERIFY(window.runUntil([&window] { return window.level(2) == QStringLiteral("99"); }));
        QCOMPARE(wire.commands,
                 (QList<QByteArray>{"C009?", "C010?", "C076?", "C012?", "C013?", "C076?"}));
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("DMX Rx command accepted"));
        QCOMPARE(window.level(4), QString::number(window.port->box().level(14)));
    }

    // A cable pulled while monitoring is said once: one beep, and the status
    // keeps "Error Opening COM Port" while the passes fail at once, without
    // a wait on the wire. Plugged back in, the port comes back by itself.
    void monitoringOutlivesAnUnpluggedBox()
    {
        MonitoringWindow window;
        QTemporaryDir links;
        const QString box = links.filePath("box"); // a name that stays with the device
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), box));
        window.session->setPortResolver([box](int) { return box; });
        window.session->deviceSearch().setPresenceTest([&window](const QString &) { return !window.port->unplugged(); });
        window.clickAndSettle("OptSerial_0");
        window.setChannels({1, 2, 3, 4, 5});
        window.port->box().setLevel(5, 55);
        window.check()->click();
        QVERIFY(window.runUntil([&window] { return window.level(4) == QStringLiteral("55"); }));

        QSignalSpy passes(window.session.get(), &BoxSession::passEnded);
        window.desktop.beeps = 0;
        window.port->unplug();
        QVERIFY(window.runUntil([&passes] { return passes.count() >= 4; }));
        window.clickAndSettle("cmdReadChannel_0");
        QCOMPARE(window.desktop.beeps, 1);
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Error Opening COM Port"));
        QCOMPARE(window.level(4), QString());
        QCOMPARE(window.session->timeOuts(), 0);

        window.port->plugIn();
        QVERIFY(window.runUntil([&window] { return window.level(4) == QStringLiteral("55"); }));
        QCOMPARE(window.desktop.beeps, 1);
        QVERIFY(window.check()->isChecked());
        window.check()->click();
    }
};

QTEST_MAIN(TestMonitoring)
#include "test_monitoring.moc"
