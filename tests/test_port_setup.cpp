// The port choice: close, configure, open, flush, probe, judge — on the wire
// byte for byte, against the in-process box.
#include "port_setup.h"
#include "sim_port.h"
#include "transceiver_link.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <ctime>
#include <memory>

using namespace std::chrono_literals;

namespace {

enum class BoxPlay { Answers, LowerCase, Silent, Inject, InjectThenLateByte, OpenFails };

struct Rig {
    SimPort *port = nullptr;
    std::unique_ptr<TransceiverLink> link;
    QList<Status> statuses;

    Rig()
    {
        auto owned = std::make_unique<SimPort>();
        port = owned.get();
        port->box().setAnimated(false);
        link = std::make_unique<TransceiverLink>(std::move(owned));
    }
    void choosePort(int number)
    {
        setUpPortAndProbe(*link, number, [this](Status status) { statuses << status; });
    }
    int beeps() const { return int(std::count_if(statuses.begin(), statuses.end(), statusBeeps)); }
};

QStringList expectedProbeLog(int port, bool reopen)
{
    QStringList log;
    if (reopen)
        log << "close";
    log << QStringLiteral("port %1").arg(port) << "configure" << "readlen 0" << "open";
    for (int i = 0; i < kFlushNulCount; ++i)
        log << "write 00";
    log << "write 43 3f";
    return log;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

class TestPortSetup : public QObject {
    Q_OBJECT
private slots:
    void probeOutcome_data()
    {
        QTest::addColumn<BoxPlay>("play");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Status>("status");

        QTest::newRow("G") << BoxPlay::Answers << QByteArray() << Status::ConnectedOk;
        QTest::newRow("lower-case g") << BoxPlay::LowerCase << QByteArray() << Status::NoTransceiver;
        QTest::newRow("silence") << BoxPlay::Silent << QByteArray() << Status::NoTransceiver;
        QTest::newRow("xG, two waiting") << BoxPlay::Inject << QByteArray("xG") << Status::ConnectedOk;
        QTest::newRow("GG, both waiting") << BoxPlay::Inject << QByteArray("GG") << Status::ConnectedOk;
        QTest::newRow("Gx, both waiting") << BoxPlay::Inject << QByteArray("Gx") << Status::NoTransceiver;
        QTest::newRow("G, then a late byte") << BoxPlay::InjectThenLateByte << QByteArray("G") << Status::NoTransceiver;
        QTest::newRow("port cannot be opened") << BoxPlay::OpenFails << QByteArray() << Status::ErrorOpeningPort;
    }

    void probeOutcome()
    {
        QFETCH(BoxPlay, play);
        QFETCH(QByteArray, bytes);
        QFETCH(Status, status);

        Rig rig;
        SimPort *port = rig.port;
        port->box().faults().lowerCase = play == BoxPlay::LowerCase;
        port->box().faults().silent = play != BoxPlay::Answers && play != BoxPlay::LowerCase;
        port->setOpenFails(play == BoxPlay::OpenFails);
        if (play == BoxPlay::Inject || play == BoxPlay::InjectThenLateByte) {
            connect(port, &SimPort::wrote, port, [port, bytes](const QByteArray &written) {
                if (written == "C?")
                    port->injectFromBox(bytes);
            });
        }
        if (play == BoxPlay::InjectThenLateByte) {
            // The late byte lands between the count that ends the wait and the read.
            connect(port, &SerialPort::bytesArrived, port, [port] { port->arriveAfterNextCount("x"); },
                    Qt::SingleShotConnection);
        }

        rig.choosePort(1);

        QCOMPARE(rig.statuses, QList<Status>{status});
        QCOMPARE(rig.beeps(), status == Status::ConnectedOk ? 0 : 1);
        if (play == BoxPlay::OpenFails) {
            QVERIFY(!port->isOpen());
            QVERIFY(port->written().isEmpty());
        } else {
            QVERIFY(port->isOpen());
            QCOMPARE(port->written(), QByteArray(kFlushNulCount, '\0') + "C?");
        }
    }

    void wireOrderOfAFirstChoice()
    {
        Rig rig;
        rig.choosePort(3);
        QStringList expected = expectedProbeLog(3, false);
        expected << "read 47";
        QCOMPARE(rig.port->log(), expected);
        QCOMPARE(rig.port->portNumber(), 3);
        const LineSettings settings = rig.port->lineSettings();
        QCOMPARE(settings.settings, QByteArray("115200,n,8,1"));
        QVERIFY(settings.dtrEnable && settings.rtsEnable && !settings.eofEnable && !settings.nullDiscard);
        QCOMPARE(settings.handshaking, 0);
        QCOMPARE(settings.inputMode, 0);
    }

    void choosingTheOpenPortAgainReopensAndProbesAgain()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->clearLog();
        rig.choosePort(1);
        QStringList expected = expectedProbeLog(1, true);
        expected << "read 47";
        QCOMPARE(rig.port->log(), expected);
        QCOMPARE(rig.statuses, (QList<Status>{Status::ConnectedOk, Status::ConnectedOk}));
        QCOMPARE(rig.port->box().probes(), 2);
    }

    void aLaterChoiceResetsTheReadLength()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->setReadLength(261);
        rig.choosePort(2);
        QCOMPARE(rig.port->readLength(), 0);
        QCOMPARE(rig.port->portNumber(), 2);
    }

    void aVanishedDeviceCannotBeReopened()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->unplug();
        rig.port->clearLog();
        rig.choosePort(1);
        // Reopening a vanished device fails: nothing is written.
        QCOMPARE(rig.statuses.last(), Status::ErrorOpeningPort);
        QVERIFY(!rig.port->log().join(' ').contains("write 43"));
    }

    void silentProbeSleepsInsteadOfSpinning()
    {
        Rig rig;
        rig.port->box().faults().silent = true;
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        rig.choosePort(1);
        const double cpuUsed = cpuSeconds() - cpuBefore;
        QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        // A spinning wait would burn the whole half second.
        QVERIFY2(cpuUsed < 0.1, qPrintable(QString::number(cpuUsed)));
    }

    void armingAnArmedTimeOutStartsAFreshInterval()
    {
        Rig rig;
        rig.choosePort(1); // answered: the time-out stays armed after the probe
        QVERIFY(rig.link->tmrCommsTimeout().isActive());
        QTest::qWait(300);
        // Armed 300 ms ago; a silent read now must still get its full 500 ms.
        rig.port->box().faults().silent = true;
        QElapsedTimer clock;
        clock.start();
        Exchange read;
        read.command = "C000?";
        read.threshold = 2;
        rig.link->exchange(read);
        QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestPortSetup)
#include "test_port_setup.moc"
