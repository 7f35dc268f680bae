// The session's exchanges against a scripted box: what the host sends, what
// the box answers and when, and what the session reports. Time is the
// test's own: the box's delays and the session's waits run on a clock the
// test moves.
#include "box_session.h"
#include "harness.h"
#include "sim_port.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <ctime>
#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QByteArray kFlush(protocol::kFlushNulCount, '\0');

struct Rig {
    ManualClock clock;
    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    QList<Status> statuses;
    QList<std::optional<int>> levels;

    // `wire` runs before the session takes the port, so what it hooks into
    // the port's signals runs ahead of the session.
    explicit Rig(const std::function<void(SimPort *)> &wire = {})
    {
        auto owned = std::make_unique<SimPort>(clock);
        port = owned.get();
        port->box().setAnimated(false);
        if (wire)
            wire(port);
        session = std::make_unique<BoxSession>(std::move(owned), clock);
        session->setPortResolver(SimPort::portName);
        session->deviceSearch().setPresenceTest([this](const QString &) { return !port->unplugged(); });
        QObject::connect(session.get(), &BoxSession::probed, session.get(),
                         [this](int, Status status) { statuses << status; });
        QObject::connect(session.get(), &BoxSession::levelRead, session.get(),
                         [this](int, int, std::optional<int> level) { levels << level; });
    }
    void settle() { QVERIFY(until([this] { return session->idle(); })); }
    bool until(const std::function<bool()> &done) { return clock.advanceUntil(done); }
    // Milliseconds on the rig's clock since `start`.
    int since(SessionClock::Clock::time_point start) const
    {
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start).count());
    }
    void choosePort(int number)
    {
        session->choosePort(number);
        settle();
    }
    // A name that stays with the device, as /dev/serial/by-id/… does: the
    // only kind the session looks for again after a loss.
    QString linkedDevice(const QString &name = QStringLiteral("box"))
    {
        const QString link = links.filePath(name);
        QFile::link(QStringLiteral("/dev/null"), link);
        return link;
    }
    QTemporaryDir links;

    std::optional<int> read(int channel)
    {
        levels.clear();
        session->readChannel(0, channel);
        settle();
        return levels.value(0);
    }
};

QStringList expectedProbeLog(int port, bool reopen)
{
    QStringList log;
    if (reopen)
        log << "close";
    log << "open " + SimPort::portName(port);
    for (int i = 0; i < protocol::kFlushNulCount; ++i)
        log << "write 00";
    log << "write 43 3f";
    return log;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

class TestBoxSession : public QObject {
    Q_OBJECT
private slots:
    void probeOutcome_data()
    {
        QTest::addColumn<QByteArray>("answer"); // the box's answer to the probe; empty: none
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("lateByte"); // lands between the count that ends the wait and the read
        QTest::addColumn<bool>("openFails");
        QTest::addColumn<Status>("status");

        QTest::newRow("G") << QByteArray("G") << 0 << QByteArray() << false << Status::ConnectedOk;
        QTest::newRow("G just in time") << QByteArray("G") << 450 << QByteArray() << false << Status::ConnectedOk;
        QTest::newRow("G too late") << QByteArray("G") << 600 << QByteArray() << false << Status::NoTransceiver;
        QTest::newRow("lower-case g") << QByteArray("g") << 0 << QByteArray() << false << Status::NoTransceiver;
        QTest::newRow("silence") << QByteArray() << 0 << QByteArray() << false << Status::NoTransceiver;
        QTest::newRow("xG, both waiting") << QByteArray("xG") << 0 << QByteArray() << false << Status::ConnectedOk;
        QTest::newRow("GG, both waiting") << QByteArray("GG") << 0 << QByteArray() << false << Status::ConnectedOk;
        QTest::newRow("Gx, both waiting") << QByteArray("Gx") << 0 << QByteArray() << false << Status::NoTransceiver;
        QTest::newRow("G, then a late byte") << QByteArray("G") << 0 << QByteArray("x") << false << Status::NoTransceiver;
        QTest::newRow("port cannot be opened") << QByteArray() << 0 << QByteArray() << true << Status::ErrorOpeningPort;
    }

    void probeOutcome()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(QByteArray, lateByte);
        QFETCH(bool, openFails);
        QFETCH(Status, status);

        Rig rig([lateByte](SimPort *port) {
            if (!lateByte.isEmpty()) {
                connect(port, &SerialPort::bytesArrived, port,
                        [port, lateByte] { port->arriveAfterNextCount(lateByte); }, Qt::SingleShotConnection);
            }
        });
        rig.port->setOpenFails(openFails);
        rig.port->script("C?", answer, std::chrono::milliseconds{delayMs});

        rig.choosePort(1);

        QCOMPARE(rig.statuses, QList<Status>{status});
        QCOMPARE(rig.port->written(), openFails ? QByteArray() : kFlush + "C?");
        QCOMPARE(rig.port->isOpen(), !openFails);
    }

    // What the line still carries when the port opens (the tail of a block a
    // killed program asked for) is not the probe's answer: the flush and the
    // probe go out once the line is quiet, or once it has chattered too long.
    void aProbeWaitsForAQuietLine_data()
    {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<int>("startMs");   // after the open
        QTest::addColumn<int>("byteGapMs"); // between the stale bytes
        QTest::addColumn<Status>("status");
        QTest::newRow("a block's tail at the open") << QByteArray(40, 'U') << 0 << 1 << Status::ConnectedOk;
        QTest::newRow("an end byte a little later") << QByteArray("\xc1") << 30 << 0 << Status::ConnectedOk;
        // The probe's "G" lands behind the chatter, which ends its wait.
        QTest::newRow("a line that never falls quiet") << QByteArray(600, 'x') << 0 << 5 << Status::NoTransceiver;
    }

    void aProbeWaitsForAQuietLine()
    {
        QFETCH(QByteArray, stale);
        QFETCH(int, startMs);
        QFETCH(int, byteGapMs);
        QFETCH(Status, status);
        Rig rig;
        rig.port->injectFromBox(stale, std::chrono::milliseconds{startMs}, std::chrono::milliseconds{byteGapMs});
        rig.choosePort(1);
        QCOMPARE(rig.statuses, QList<Status>{status});
        QCOMPARE(rig.port->written(), kFlush + "C?");
    }

    void wireOrderOfAFirstChoiceAndOfTheSameChoiceAgain()
    {
        Rig rig;
        rig.choosePort(3);
        QCOMPARE(rig.port->log(), expectedProbeLog(3, false) << "read 47");
        QVERIFY(rig.port->lineSettings() == LineSettings{});
        QCOMPARE(rig.port->lineSettings().baudRate, 115200);
        QCOMPARE(rig.port->lineSettings().flowControl, QSerialPort::NoFlowControl);
        QVERIFY(rig.port->lineSettings().dataTerminalReady && rig.port->lineSettings().requestToSend);

        rig.session->listRange(1, 256); // leaves reads at a block's length
        rig.settle();
        QCOMPARE(rig.port->lastReadLength(), 261);
        rig.port->clearLog();
        rig.choosePort(3);
        QCOMPARE(rig.port->log(), expectedProbeLog(3, true) << "read 47");
        QCOMPARE(rig.statuses, (QList<Status>{Status::ConnectedOk, Status::ConnectedOk}));
        QCOMPARE(rig.port->lastReadLength(), 0);
    }

    void aNamedDeviceIsOpenedInPlaceOfThePortsOwn()
    {
        Rig rig;
        rig.session->choosePort(2, QStringLiteral("/dev/ttyUSB7"));
        rig.settle();
        QCOMPARE(rig.port->log().first(), QStringLiteral("open /dev/ttyUSB7"));
        QCOMPARE(rig.port->deviceName(), QStringLiteral("/dev/ttyUSB7"));
        rig.choosePort(2);
        QCOMPARE(rig.port->deviceName(), QStringLiteral("sim:port2"));
    }

    // A lost port is reported once and looked for until the operator
    // chooses a port; a read meanwhile fails at once, without a wait.
    void aLostPortIsReportedOnceAndSearchedForUntilAChoice()
    {
        Rig rig;
        rig.session->choosePort(3, rig.linkedDevice());
        rig.settle();
        QSignalSpy lost(rig.session.get(), &BoxSession::portLost);
        rig.port->unplug();
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.first().first().toInt(), 3);
        QVERIFY(rig.session->searching());
        QVERIFY(rig.session->portIsLost());
        rig.port->clearLog();
        QCOMPARE(rig.read(1), std::nullopt);
        QVERIFY(rig.port->log().isEmpty());
        QCOMPARE(rig.session->timeOuts(), 0);
        QCOMPARE(lost.count(), 1);
        rig.port->plugIn();
        rig.choosePort(2);
        QVERIFY(!rig.session->searching());
        QCOMPARE(rig.statuses.last(), Status::ConnectedOk);
    }

    void aVanishedDeviceCannotBeReopened()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->unplug();
        rig.port->clearLog();
        rig.choosePort(1);
        QCOMPARE(rig.statuses.last(), Status::ErrorOpeningPort);
        QVERIFY(!rig.port->log().join(' ').contains("write"));
    }

    // Each row: how the box answers "C011?", and what the read reports.
    void readExchange_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("byteGapMs");
        QTest::addColumn<int>("level"); // -1: no acceptable answer
        QTest::addColumn<int>("timeOuts"); // exchanges that waited out the time-out

        QTest::newRow("L255 at once") << QByteArray("L255") << 0 << 0 << 255 << 0;
        QTest::newRow("L007 after 400 ms") << QByteArray("L007") << 400 << 0 << 7 << 0;
        // The whole answer is awaited: taking it at its third byte would show 25.
        QTest::newRow("L255 a byte every 100 ms") << QByteArray("L255") << 0 << 100 << 255 << 0;
        QTest::newRow("L1 and then nothing") << QByteArray("L1") << 0 << 0 << -1 << 1;
        QTest::newRow("l123") << QByteArray("l123") << 0 << 0 << -1 << 0;
        QTest::newRow("silence") << QByteArray() << 0 << 0 << -1 << 1;
        QTest::newRow("L042 after the time-out") << QByteArray("L042") << 600 << 0 << -1 << 1;
        QTest::newRow("L12345, judged by its first four") << QByteArray("L12345") << 0 << 0 << 123 << 0;
    }

    void readExchange()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(int, byteGapMs);
        QFETCH(int, level);
        QFETCH(int, timeOuts);

        Rig rig;
        rig.choosePort(1);
        rig.port->clearLog();
        rig.port->script("C011?", answer, std::chrono::milliseconds{delayMs}, std::chrono::milliseconds{byteGapMs});

        const std::optional<int> read = rig.read(12);

        QCOMPARE(read.value_or(-1), level);
        QCOMPARE(rig.port->log().mid(0, 2), (QStringList{"discard", "write 43 30 31 31 3f"}));
        QCOMPARE(rig.session->timeOuts(), timeOuts);
    }

    // An answer that comes after its read gave up stays on the line; the next
    // read empties the line first and shows its own answer, not the late one.
    void aLateAnswerDoesNotShiftTheNextRead()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->box().setLevel(2, 77);
        rig.port->script("C000?", "L042", 550ms);
        QCOMPARE(rig.read(1), std::nullopt);
        QVERIFY(rig.until([&rig] { return rig.port->bytesWaiting() == 4; }));
        QCOMPARE(rig.read(2), std::optional<int>(77));
        QCOMPARE(rig.read(2), std::optional<int>(77));
    }

    // On the program's own clock: the wait is slept through, not spun.
    void aSilentProbeSleepsInsteadOfSpinning()
    {
        auto owned = std::make_unique<SimPort>();
        owned->box().faults().silent = true;
        BoxSession session(std::move(owned));
        session.setPortResolver(SimPort::portName);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        session.choosePort(1);
        QTRY_VERIFY_WITH_TIMEOUT(session.idle(), 10000);
        const double cpuUsed = cpuSeconds() - cpuBefore;
        QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(session.timeOuts(), 1);
        QVERIFY2(cpuUsed < 0.1, qPrintable(QString::number(cpuUsed)));
    }

    void everyExchangeGetsItsWholeTimeOut()
    {
        Rig rig;
        rig.choosePort(1);
        rig.clock.advance(300ms);
        rig.port->box().faults().silent = true;
        const auto start = rig.clock.now();
        rig.read(1);
        QCOMPARE(rig.since(start), int(protocol::kResponseTimeout.count()));
    }

    // A live view's block: every fault reported by its kind, the status left alone.
    void fetchOutcome_data()
    {
        QTest::addColumn<QByteArray>("reply"); // the box's answer to the block request for 1-3
        QTest::addColumn<LevelFetch::Outcome>("outcome");
        const QByteArray good = bytes({0xFF, 0xFF, 0xC0, 10, 20, 30, 60, 0xC1});
        QTest::newRow("whole") << good << LevelFetch::Outcome::Success;
        QTest::newRow("silence") << QByteArray() << LevelFetch::Outcome::NoAnswer;
        QTest::newRow("echo of the request") << bytes({0xFF, 0x00, 0xC0, 0, 0, 2, 0xC1})
                                             << LevelFetch::Outcome::HeaderError;
        QTest::newRow("wrong checksum") << QByteArray(good).replace(6, 1, "\x3d") << LevelFetch::Outcome::ChecksumError;
        QTest::newRow("wrong end byte") << good.left(7) + "\xc2" << LevelFetch::Outcome::EndByteError;
        QTest::newRow("cut inside the levels") << good.left(5) << LevelFetch::Outcome::CutShort;
    }

    void fetchOutcome()
    {
        QFETCH(QByteArray, reply);
        QFETCH(LevelFetch::Outcome, outcome);
        Rig rig;
        rig.choosePort(1);
        rig.statuses.clear();
        rig.port->script(bytes({0xFF, 0x00, 0xC0, 0, 0, 2, 0xC1}), reply, 0ms);
        QSignalSpy fetched(rig.session.get(), &BoxSession::levelsFetched);
        QSignalSpy listed(rig.session.get(), &BoxSession::listed);

        rig.session->fetchLevels(1, 3);
        rig.settle();

        QCOMPARE(fetched.count(), 1);
        const auto fetch = fetched.first().first().value<LevelFetch>();
        QCOMPARE(fetch.outcome, outcome);
        QCOMPARE(fetch.levels, outcome == LevelFetch::Outcome::Success ? bytes({10, 20, 30}) : QByteArray());
        QVERIFY(rig.statuses.isEmpty() && listed.isEmpty());
    }

    void cancelledFetchesNeverReachTheWire()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->box().faults().answerDelay = 50ms;
        rig.session->readChannel(0, 1);
        rig.session->fetchLevels(1, 256);
        rig.session->readChannel(0, 2);
        rig.session->cancelFetches();
        rig.port->clearLog();
        rig.settle();
        QCOMPARE(rig.port->log().filter("write"), (QStringList{"write 43 30 30 31 3f"}));
    }

    // The lost device found again while the session is busy waits its turn;
    // the operator's port choice meanwhile withdraws it, so the device
    // coming back cannot take the port from the operator's choice.
    void aPortChoiceWithdrawsAQueuedReopen()
    {
        Rig rig;
        const QString box = rig.linkedDevice();
        rig.session->choosePort(1, box);
        rig.settle();
        rig.port->box().faults().answerDelay = 200ms;
        rig.session->readChannel(0, 1);
        emit rig.session->deviceSearch().found(box); // as the search would, while the read waits
        QCOMPARE(rig.session->requestsWaiting(), 1);
        rig.port->clearLog();
        rig.session->choosePort(2);
        rig.settle();
        QCOMPARE(rig.port->log().filter("open"), QStringList{"open sim:port2"});
        QCOMPARE(rig.port->deviceName(), SimPort::portName(2));
    }

    // A pulled cable ends the exchange in flight there and then, before
    // the loss is reported, instead of leaving it to wait out its time-out.
    void aLostPortEndsTheExchangeInFlightAtOnce()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->box().faults().answerDelay = 300ms;
        QSignalSpy read(rig.session.get(), &BoxSession::levelRead);
        QSignalSpy lost(rig.session.get(), &BoxSession::portLost);
        rig.session->readChannel(0, 1);
        QVERIFY(rig.port->written().endsWith("C000?"));
        rig.port->unplug();
        QCOMPARE(read.count(), 1);
        QCOMPARE(read.first().at(2).value<std::optional<int>>(), std::nullopt);
        QCOMPARE(lost.count(), 1);
        QVERIFY(rig.session->idle());
        QCOMPARE(rig.session->timeOuts(), 0);
    }

    // Monitoring stopped and started again while its pass still waits must
    // not queue a second pass behind the first.
    void monitoringNeverHasTwoPassesQueued()
    {
        Rig rig;
        rig.choosePort(1);
        rig.session->setMonitoredChannels({1, 2});
        rig.session->setMonitorInterval(0ms);
        rig.port->box().faults().answerDelay = 200ms;
        QSignalSpy passes(rig.session.get(), &BoxSession::passEnded);
        rig.session->readChannel(0, 3); // keeps the pass waiting
        rig.session->startMonitoring();
        QVERIFY(rig.until([&rig] { return rig.session->requestsWaiting() == 1; }));
        rig.session->stopMonitoring();
        rig.session->startMonitoring();
        rig.clock.advance(20ms); // a tick of the zero interval, were it armed
        QCOMPARE(rig.session->requestsWaiting(), 1);
        rig.session->stopMonitoring();
        rig.settle();
        QCOMPARE(passes.count(), 1);
    }

    // A box that answers every read 650 ms late: its answer lands after
    // the read gave up. The next command goes out only once the line has
    // been quiet, so no read shows the one before it's level.
    void lateAnswersNeverPassForTheNextRead_data()
    {
        QTest::addColumn<bool>("monitoring");
        QTest::newRow("three reads in a burst") << false;
        QTest::newRow("a monitoring pass") << true;
    }

    void lateAnswersNeverPassForTheNextRead()
    {
        QFETCH(bool, monitoring);
        Rig rig;
        rig.choosePort(1);
        for (int channel = 1; channel <= 3; ++channel)
            rig.port->script(protocol::readCommand(channel), protocol::readAnswer(channel * 11), 650ms);
        QList<std::optional<int>> seen;
        connect(rig.session.get(), &BoxSession::monitoredLevelRead, rig.session.get(),
                [&seen](int, int, std::optional<int> level) { seen << level; });
        connect(rig.session.get(), &BoxSession::levelRead, rig.session.get(),
                [&seen](int, int, std::optional<int> level) { seen << level; });
        if (monitoring) {
            rig.session->setMonitoredChannels({1, 2, 3});
            rig.session->setMonitorInterval(0ms);
            rig.session->startMonitoring();
            QVERIFY(rig.until([&seen] { return seen.size() >= 3; }));
            rig.session->stopMonitoring();
        } else {
            for (int channel = 1; channel <= 3; ++channel)
                rig.session->readChannel(channel - 1, channel);
        }
        rig.settle();
        QCOMPARE(seen.mid(0, 3), (QList<std::optional<int>>{std::nullopt, std::nullopt, std::nullopt}));
    }

    // The bytes that keep a line busy after a time-out restart the quiet
    // time, but never hold the next command back for more than two seconds.
    void aChatteringLineHoldsTheNextCommandTwoSecondsAtMost()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->script("C000?", QByteArray(40, 'x'), 600ms, 100ms); // chatters for 4 s
        QCOMPARE(rig.read(1), std::nullopt);
        const auto start = rig.clock.now();
        rig.session->readChannel(0, 2);
        QVERIFY(rig.until([&rig] { return rig.port->written().endsWith("C001?"); }));
        QCOMPARE(rig.since(start), int(Exchange::kMaxQuietWait.count()));
        rig.settle();
    }

    // A device opened by a bare kernel name with no by-id name is never
    // looked for: another device may take the freed name.
    void aBareNameIsNotLookedForAfterALoss()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->unplug();
        QVERIFY(rig.session->portIsLost());
        QVERIFY(!rig.session->searching());
    }

    // The device found again is probed before anything else; while its box
    // does not answer "G" it is closed again and probed once a second, and
    // no read reaches it.
    void aDeviceFoundAgainMustAnswerTheProbeFirst()
    {
        Rig rig;
        const QString box = rig.linkedDevice();
        rig.session->choosePort(1, box);
        rig.settle();
        rig.statuses.clear();
        rig.port->unplug();
        rig.port->box().faults().silent = true;
        rig.port->plugIn();
        rig.port->clearLog();
        QVERIFY(rig.until([&rig] { return rig.port->written().endsWith("C?"); }));
        QVERIFY(rig.until([&rig] { return !rig.port->isOpen() && rig.session->searching(); }));
        QVERIFY(rig.statuses.isEmpty());
        QCOMPARE(rig.read(1), std::nullopt);
        QVERIFY(!rig.port->written().contains("C000?"));

        rig.port->box().faults().silent = false;
        QVERIFY(rig.until([&rig] { return !rig.statuses.isEmpty(); }));
        QCOMPARE(rig.statuses, QList<Status>{Status::ConnectedOk});
        QVERIFY(!rig.session->portIsLost());
        QCOMPARE(rig.read(1), std::optional<int>(rig.port->box().level(1)));
    }

    // Shutting down drops what waits and the exchange in flight: the port
    // closes and nothing more reaches the wire, whatever the box says later.
    void shutDownDropsEverythingPending()
    {
        Rig rig;
        rig.choosePort(1);
        rig.port->box().faults().answerDelay = 100ms;
        rig.session->readChannel(0, 1);
        rig.session->readChannel(1, 2);
        rig.session->listRange(1, 10);
        rig.session->startMonitoring();
        QCOMPARE(rig.session->requestsWaiting(), 2);
        rig.port->clearLog();

        rig.session->shutDown();
        rig.session->readChannel(2, 3);
        rig.session->choosePort(2);
        rig.clock.advance(300ms);

        QCOMPARE(rig.port->log(), QStringList{"close"});
        QVERIFY(rig.levels.isEmpty());
        QVERIFY(rig.session->idle());
    }
};

QTEST_GUILESS_MAIN(TestBoxSession)
#include "test_box_session.moc"
