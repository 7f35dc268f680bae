// The live picture against the in-process box, with a clock the test moves:
// when levels count as moved, when the picture goes stale, how long history
// lasts, and that pausing stops the blocks at once.
#include "harness.h"
#include "live_fetch.h"
#include "picture_plan.h"

#include <QtTest>
#include <algorithm>

using namespace std::chrono_literals;

namespace {

const QByteArray kLowerBlock = bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1});
const QByteArray kUpperBlock = bytes({0xFF, 0x00, 0xC0, 0xFF, 0x00, 0xFF, 0xC1});
const QByteArray kRead512 = "C511?";

struct Rig {
    Rig()
    {
        auto owned = std::make_unique<SimPort>();
        port = owned.get();
        port->box().setAnimated(false);
        session = std::make_unique<BoxSession>(std::move(owned));
        session->setPortResolver(SimPort::portName);
        session->choosePort(1);
        live = std::make_unique<LiveFetch>(*session);
        live->setClock([this] { return now; });
    }

    int writes(const QByteArray &command) const
    {
        return int(port->log().count(QStringLiteral("write ") + QString::fromLatin1(command.toHex(' '))));
    }

    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<LiveFetch> live;
    LiveFetch::Clock::time_point now = LiveFetch::Clock::time_point{} + 1h;
};

} // namespace

class TestLiveFetch : public QObject {
    Q_OBJECT
private slots:
    // Channel 5 moves, then every picture fails; the clock then moves on.
    void marksAndStalenessLastOneSecond_data()
    {
        QTest::addColumn<int>("laterMs");
        QTest::addColumn<bool>("stale");
        QTest::addColumn<bool>("markedAsMoved");
        QTest::newRow("at once") << 0 << false << true;
        QTest::newRow("just under a second") << 999 << false << true;
        QTest::newRow("a second") << 1000 << true << false;
    }

    void marksAndStalenessLastOneSecond()
    {
        QFETCH(int, laterMs);
        QFETCH(bool, stale);
        QFETCH(bool, markedAsMoved);
        Rig rig;
        rig.port->box().setLevel(5, 10);
        rig.live->setRange(1, 8);
        rig.live->start();
        QTRY_COMPARE(rig.live->level(5), std::optional<int>(10));
        rig.port->box().setLevel(5, 20);
        QTRY_COMPARE(rig.live->level(5), std::optional<int>(20));
        rig.port->box().faults().wrongChecksum = true;
        QTRY_VERIFY(rig.live->failures(LevelFetch::Outcome::ChecksumError) > 0);

        rig.now += std::chrono::milliseconds{laterMs};
        QCOMPARE(rig.live->stale(), stale);
        QCOMPARE(rig.live->changedLately(5), markedAsMoved);
        QVERIFY(!rig.live->changedLately(6));
        QCOMPARE(rig.live->level(5), std::optional<int>(20)); // the last good picture stays
    }

    // Each picture of the range says once what it came to, and which
    // channels it left unread.
    void eachPictureSaysWhatItCameTo_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("good");
        QTest::addColumn<LevelFetch::Outcome>("failure");
        QTest::addColumn<QString>("unread"); // from-to of each piece left unread
        QTest::newRow("a whole box") << "" << true << LevelFetch::Outcome::Success << "";
        QTest::newRow("a box of 256 channels")
            << "half" << true << LevelFetch::Outcome::NoAnswer << "257-511 512-512";
        QTest::newRow("checksum wrong") << "checksum" << false << LevelFetch::Outcome::ChecksumError << "1-256";
        QTest::newRow("a silent box") << "silent" << false << LevelFetch::Outcome::NoAnswer << "1-256";
    }

    void eachPictureSaysWhatItCameTo()
    {
        QFETCH(QString, fault);
        QFETCH(bool, good);
        QFETCH(LevelFetch::Outcome, failure);
        QFETCH(QString, unread);
        Rig rig;
        QTRY_VERIFY(rig.session->idle());
        SimFaults &faults = rig.port->box().faults();
        faults.servedChannels = fault == "half" ? 256 : faults.servedChannels;
        faults.wrongChecksum = fault == "checksum";
        faults.silent = fault == "silent";
        std::optional<PictureOutcome> said;
        connect(rig.live.get(), &LiveFetch::pictureEnded, this, [&](const PictureOutcome &outcome) {
            if (!said)
                said = outcome;
        });
        rig.live->start();
        QTRY_VERIFY_WITH_TIMEOUT(said.has_value(), 5000);
        QCOMPARE(said->good, good);
        QCOMPARE(said->failure(), failure);
        QStringList pieces;
        for (const Picture::Failure &each : said->unread())
            pieces << QStringLiteral("%1-%2").arg(each.piece.from).arg(each.piece.to);
        QCOMPARE(pieces.join(' '), unread);
        QCOMPARE(said->picture.level(1).has_value(), good);
    }

    // After a long pause the last good picture is old, but the box has had
    // no time yet to send a new one: staleness counts from Resume.
    void stalenessCountsFromResume_data()
    {
        QTest::addColumn<int>("afterResumeMs");
        QTest::addColumn<bool>("stale");
        QTest::newRow("right after Resume") << 0 << false;
        QTest::newRow("just under a second") << 999 << false;
        QTest::newRow("a second") << 1000 << true;
    }

    void stalenessCountsFromResume()
    {
        QFETCH(int, afterResumeMs);
        QFETCH(bool, stale);
        Rig rig;
        rig.live->setRange(1, 8);
        rig.live->start();
        QTRY_VERIFY(rig.live->level(1).has_value());
        rig.live->pause();
        QTRY_VERIFY(rig.session->idle());
        rig.now += 5s;
        QVERIFY(!rig.live->stale()); // a paused picture is not stale

        rig.port->box().faults().silent = true; // no new picture comes
        rig.live->start();
        rig.now += std::chrono::milliseconds{afterResumeMs};
        QCOMPARE(rig.live->stale(), stale);
        QVERIFY(*rig.live->sinceLastGood() >= 5s);
    }

    // The operator changes the range while the block for the old one is on
    // the wire: that block's answer never becomes the picture, and the next
    // block brings the new range.
    void anAnswerForARangeGoneIsNotTaken()
    {
        Rig rig;
        QTRY_VERIFY(rig.session->idle());
        for (int channel = 1; channel <= 16; ++channel)
            rig.port->box().setLevel(channel, channel * 10);
        // Long enough for the range to change first, short of the time-out.
        rig.port->box().faults().answerDelay = 200ms;
        rig.live->setRange(1, 8);
        int changedAt = -1;
        QObject::connect(
            rig.port, &SimPort::wrote, rig.port,
            [&](const QByteArray &) {
                QTimer::singleShot(0, rig.port, [&] {
                    changedAt = rig.port->box().blockRequests();
                    rig.live->setRange(9, 16);
                });
            },
            Qt::SingleShotConnection);
        bool oldRangeTaken = false;
        int updates = 0;
        QObject::connect(rig.live.get(), &LiveFetch::updated, rig.port, [&] {
            ++updates;
            oldRangeTaken = oldRangeTaken || rig.live->level(1).has_value();
        });

        rig.live->start();
        QTRY_COMPARE(rig.live->level(9), std::optional<int>(90));
        QCOMPARE(changedAt, 1);
        // The old block was answered on the wire, and not taken.
        QVERIFY(rig.port->log().join(u'\n').contains(QStringLiteral("read ff ff c0 0a 14 1e")));
        QVERIFY(!oldRangeTaken);
        QCOMPARE(rig.live->level(1), std::nullopt);
        QCOMPARE(rig.live->level(16), std::optional<int>(160));
    }

    // One picture of the universe: two blocks and a read, whole levels.
    void universeInThreePieces()
    {
        Rig rig;
        QTRY_VERIFY(rig.session->idle());
        rig.port->box().setLevel(256, 1);
        rig.port->box().setLevel(257, 2);
        rig.port->box().setLevel(511, 3);
        rig.port->box().setLevel(512, 4);
        const qsizetype before = rig.port->written().size();
        rig.live->start();
        QTRY_VERIFY(rig.live->level(512).has_value());
        rig.live->pause();
        QCOMPARE(rig.port->written().mid(before).left(19).toHex(' '),
                 (kLowerBlock + kUpperBlock + kRead512).toHex(' '));
        for (int channel : {1, 256, 257, 300, 511, 512})
            QCOMPARE(rig.live->level(channel), std::optional<int>(rig.port->box().level(channel)));
        QCOMPARE(rig.live->pictureLevels().size(), 512);
        QVERIFY(rig.live->notAnswered().isEmpty());
    }

    // The channels past 256 fail; the picture of the rest still counts, the
    // failed part shows no levels, and it is asked again once a second.
    void upperPartFailing_data()
    {
        QTest::addColumn<bool>("halfBox");
        QTest::addColumn<LevelFetch::Outcome>("blockFailure");
        QTest::addColumn<bool>("readFails");
        QTest::addColumn<QByteArray>("askedAgain"); // the cheapest failed piece
        QTest::newRow("a box of 256 channels") << true << LevelFetch::Outcome::NoAnswer << true << kRead512;
        QTest::newRow("upper block garbled") << false << LevelFetch::Outcome::HeaderError << false << kUpperBlock;
    }

    void upperPartFailing()
    {
        QFETCH(bool, halfBox);
        QFETCH(LevelFetch::Outcome, blockFailure);
        QFETCH(bool, readFails);
        QFETCH(QByteArray, askedAgain);
        Rig rig;
        QTRY_VERIFY(rig.session->idle());
        rig.port->box().setLevel(255, 55);
        if (halfBox)
            rig.port->box().faults().servedChannels = 256;
        else
            rig.port->script(kUpperBlock, QByteArray(261, 'x'), 0ms);
        rig.live->start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.live->picturesInLastSecond() >= 3, 5000);
        QCOMPARE(rig.live->level(255), std::optional<int>(55));
        QCOMPARE(rig.live->level(256), std::optional<int>(rig.port->box().level(256)));
        QCOMPARE(rig.live->level(257), std::nullopt);
        QCOMPARE(rig.live->level(511), std::nullopt);
        QCOMPARE(rig.live->level(512).has_value(), !readFails);
        QVERIFY(!rig.live->stale());
        const QVector<Picture::Failure> failed = rig.live->notAnswered();
        QCOMPARE(failed.size(), readFails ? 2 : 1);
        QCOMPARE(failed[0].piece, picture_plan::block(256, 256, 257, 511));
        QCOMPARE(failed[0].outcome, blockFailure);
        QVERIFY(rig.live->failures(blockFailure) >= 1);

        // The clock stands still: many pictures, no second ask.
        const int pictures = rig.writes(kLowerBlock);
        QTRY_VERIFY(rig.writes(kLowerBlock) >= pictures + 10);
        QCOMPARE(rig.writes(kUpperBlock), 1);
        if (readFails)
            QCOMPARE(rig.writes(kRead512), 1);
        // A second on, the failed part is asked again once; failing again,
        // the cheapest of it puts the rest off another second.
        const int upperAsks = rig.writes(kUpperBlock) + rig.writes(kRead512) * int(readFails);
        rig.now += 1s;
        QTRY_COMPARE(rig.writes(askedAgain), 2);
        const int after = rig.writes(kLowerBlock);
        QTRY_VERIFY(rig.writes(kLowerBlock) >= after + 10);
        QCOMPARE(rig.writes(kUpperBlock) + rig.writes(kRead512) * int(readFails), upperAsks + 1);
        QCOMPARE(rig.live->level(257), std::nullopt);
        // Failing twice, it waits two seconds, not one.
        rig.now += 1s;
        const int held = rig.writes(kLowerBlock);
        QTRY_VERIFY(rig.writes(kLowerBlock) >= held + 10);
        QCOMPARE(rig.writes(kUpperBlock) + rig.writes(kRead512) * int(readFails), upperAsks + 1);

        // The box serves the upper half again: the next ask brings it back.
        if (!halfBox)
            return;
        rig.port->box().faults().servedChannels = 512;
        rig.now += 1s;
        QTRY_VERIFY(rig.live->level(257).has_value());
        QTRY_VERIFY(rig.live->level(512).has_value());
        QVERIFY(rig.live->notAnswered().isEmpty());
    }

    void historyKeepsTheLastMinute()
    {
        Rig rig;
        rig.port->box().setLevel(5, 10);
        QVERIFY(rig.live->togglePin(5));
        rig.live->start();
        QTRY_COMPARE(rig.live->level(5), std::optional<int>(10));
        rig.live->pause();
        QTRY_VERIFY(rig.session->idle()); // the block on the wire was answered
        rig.now += 30s;
        rig.port->box().setLevel(5, 20);
        rig.live->start();
        QTRY_COMPARE(rig.live->level(5), std::optional<int>(20));
        rig.live->pause();

        QSet<int> levels;
        for (const LiveFetch::Sample &sample : rig.live->history(5))
            levels << sample.level;
        QCOMPARE(levels, (QSet<int>{10, 20}));
        rig.now += 31s;
        levels.clear();
        for (const LiveFetch::Sample &sample : rig.live->history(5))
            levels << sample.level;
        QCOMPARE(levels, QSet<int>{20});
    }

    // Pictures as fast as the box answers, a millisecond apart on the test's
    // clock: the history holds no more than a bucket's two samples for every
    // 50 ms, where it held every picture, and a level that stood for a
    // picture or two among fifty in its bucket is still there.
    void aFloodKeepsTheHistoryBoundedAndItsSpikes()
    {
        Rig rig;
        rig.port->box().setLevel(5, 10);
        QVERIFY(rig.live->togglePin(5));
        rig.live->setRange(1, 8);
        constexpr int kPictures = 4000;
        int pictures = 0;
        int spiked = 0;
        connect(rig.live.get(), &LiveFetch::updated, this, [&] {
            rig.now += 1ms;
            ++pictures;
            if (rig.live->level(5) == 200)
                ++spiked;
            if (pictures == kPictures / 2)
                rig.port->box().setLevel(5, 200);
            else if (spiked > 0)
                rig.port->box().setLevel(5, 10);
            if (pictures == kPictures)
                rig.live->pause();
        });
        rig.live->start();
        QTRY_VERIFY_WITH_TIMEOUT(pictures >= kPictures, 60000);
        QVERIFY(spiked >= 1 && spiked <= 2);

        const QVector<LiveFetch::Sample> history = rig.live->history(5);
        const int buckets = kPictures / 50 + 2;
        QVERIFY2(rig.live->historyBuckets() <= buckets, qPrintable(QString::number(rig.live->historyBuckets())));
        QVERIFY2(history.size() <= 2 * buckets, qPrintable(QString::number(history.size())));
        QCOMPARE(std::count_if(history.begin(), history.end(), [](const auto &s) { return s.level == 200; }), 1);
        QVERIFY(std::is_sorted(history.begin(), history.end(),
                               [](const auto &a, const auto &b) { return a.at < b.at; }));
    }

    void pinsTakeFiveChannels_data()
    {
        QTest::addColumn<QList<int>>("clicked");
        QTest::addColumn<QList<int>>("pinned");
        QTest::newRow("a sixth is refused") << QList<int>{1, 2, 3, 4, 5, 6} << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("a second click unpins") << QList<int>{7, 9, 7} << QList<int>{9};
        QTest::newRow("a freed pin is taken again") << QList<int>{1, 2, 3, 4, 5, 3, 6} << QList<int>{1, 2, 4, 5, 6};
    }

    void pinsTakeFiveChannels()
    {
        QFETCH(QList<int>, clicked);
        QFETCH(QList<int>, pinned);
        Rig rig;
        for (int channel : clicked)
            rig.live->togglePin(channel);
        QCOMPARE(rig.live->pinned(), pinned);
    }

    // Whether the block is on the wire or still queued behind a read, no
    // block follows the pause; the answer to one on the wire is not shown.
    void pauseStopsTheBlocksAtOnce_data()
    {
        QTest::addColumn<bool>("behindARead");
        QTest::newRow("block on the wire") << false;
        QTest::newRow("block queued behind a read") << true;
    }

    void pauseStopsTheBlocksAtOnce()
    {
        QFETCH(bool, behindARead);
        Rig rig;
        QTRY_VERIFY(rig.session->idle());
        rig.port->box().faults().answerDelay = 20ms;
        if (behindARead)
            rig.session->readChannel(0, 1);
        rig.live->start();
        rig.live->pause();
        QCOMPARE(rig.session->requestsWaiting(), 0);
        QTRY_VERIFY(rig.session->idle());
        rig.session->readChannel(0, 2);
        QTRY_VERIFY(rig.session->idle());
        QCOMPARE(rig.port->box().blockRequests(), behindARead ? 0 : 1);
        QCOMPARE(rig.live->level(1), std::nullopt);

        rig.live->start();
        QTRY_VERIFY(rig.live->level(1).has_value());
    }
};

QTEST_GUILESS_MAIN(TestLiveFetch)
#include "test_live_fetch.moc"
