// The recorder on a live fetch of the in-process box, with a clock the test
// moves: what reaches the file and when, as the box's levels change, stand
// still, or fail to come.
#include "harness.h"
#include "live_fetch.h"
#include "recorder.h"
#include "show_format.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

struct Rig {
    Rig()
    {
        auto owned = std::make_unique<SimPort>();
        port = owned.get();
        port->box().setAnimated(false);
        for (int channel = 1; channel <= 8; ++channel)
            port->box().setLevel(channel, quint8(channel));
        session = std::make_unique<BoxSession>(std::move(owned));
        session->setPortResolver(SimPort::portName);
        session->choosePort(1);
        live = std::make_unique<LiveFetch>(*session);
        live->setClock([this] { return now; });
        live->setRange(1, 8);
        recorder = std::make_unique<Recorder>(*live);
        path = dir.filePath(QStringLiteral("take.show"));
        // What the recorder said of the line and of its channels, in order.
        QObject::connect(live.get(), &LiveFetch::pictureEnded, [this] { ++ended; });
        QObject::connect(recorder.get(), &Recorder::settled, [this] { notes << recorder->narrowed(); });
        QObject::connect(recorder.get(), &Recorder::lineChanged, [this] {
            notes << (recorder->unread().isEmpty() ? QStringLiteral("read again") : recorder->unread());
        });
    }

    // Lets the fetch bring one more good picture, `later` after now.
    void nextPicture(std::chrono::milliseconds later)
    {
        now += later;
        const int before = recorder->picturesSeen();
        QTRY_VERIFY(recorder->picturesSeen() > before);
    }

    // Lets three pictures end, good or not, `later` after now: the one on
    // the wire and two asked at the new moment.
    void threePictures(std::chrono::milliseconds later)
    {
        now += later;
        const int before = ended;
        QTRY_VERIFY(ended >= before + 3);
    }

    QTemporaryDir dir;
    QString path;
    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<LiveFetch> live;
    std::unique_ptr<Recorder> recorder;
    LiveFetch::Clock::time_point now = LiveFetch::Clock::time_point{} + 1h;
    int ended = 0;
    QStringList notes;
};

// How the box fails in one stretch of a take.
enum class Fault { None, Upper, Checksum };

void apply(SimFaults &faults, Fault fault)
{
    faults.servedChannels = fault == Fault::Upper ? 256 : 512;
    faults.wrongChecksum = fault == Fault::Checksum;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestRecorder : public QObject {
    Q_OBJECT
private slots:
    // What came in the last second may still be in memory; what came
    // before is on the disk, and the file is a whole show each time.
    void onTheDiskEverySecond()
    {
        Rig rig;
        QString error;
        QVERIFY(rig.recorder->start(rig.path, 3, 5, error));
        rig.live->start();
        QTRY_VERIFY(rig.recorder->picturesSeen() > 0);
        QCOMPARE(readFile(rig.path), QByteArray("OLA Show\n"));

        rig.port->box().setLevel(4, 40);
        rig.nextPicture(400ms);
        QCOMPARE(readFile(rig.path), QByteArray("OLA Show\n"));

        rig.nextPicture(600ms);
        QCOMPARE(readFile(rig.path), QByteArray("OLA Show\n1 ,,3,4,5\n400\n1 ,,3,40,5\n600\n"));

        // A line standing still writes no picture; only the held time grows.
        rig.nextPicture(1000ms);
        rig.nextPicture(1000ms);
        QCOMPARE(readFile(rig.path), QByteArray("OLA Show\n1 ,,3,4,5\n400\n1 ,,3,40,5\n2600\n"));

        rig.port->box().setLevel(5, 50);
        rig.nextPicture(250ms);
        QVERIFY(rig.recorder->stop());
        QCOMPARE(readFile(rig.path),
                 QByteArray("OLA Show\n1 ,,3,4,5\n400\n1 ,,3,40,5\n2850\n1 ,,3,40,50\n0\n"));
        Recording take;
        QVERIFY2(loadShow(rig.path, take, error), qPrintable(error));
        QCOMPARE(take.pictures(), 3);
        QCOMPARE(take.durationMs(), 3250);
    }

    // With no picture coming at all the held time still reaches the disk.
    void deadLineStillFlushed()
    {
        Rig rig;
        QString error;
        QVERIFY(rig.recorder->start(rig.path, 1, 2, error));
        rig.live->start();
        QTRY_VERIFY(rig.recorder->picturesSeen() > 0);
        rig.port->box().faults().silent = true;
        rig.now += 1500ms;
        QTRY_COMPARE(readFile(rig.path), QByteArray("OLA Show\n1 1,2\n1500\n"));
    }

    // Failed fetches add nothing: the take holds the last good levels.
    void failuresAreNotPictures()
    {
        Rig rig;
        QString error;
        QVERIFY(rig.recorder->start(rig.path, 1, 2, error));
        rig.live->start();
        QTRY_VERIFY(rig.recorder->picturesSeen() > 0);
        rig.port->box().faults().wrongChecksum = true;
        rig.port->box().setLevel(1, 99);
        QTRY_VERIFY(rig.live->failures(LevelFetch::Outcome::ChecksumError) > 2);
        QVERIFY(rig.recorder->stop());
        QCOMPARE(readFile(rig.path), QByteArray("OLA Show\n1 1,2\n0\n"));
    }

    // A take over three stretches, each with the box failing its own way:
    // 255 moves in the second, 257 too but unread there. The take keeps
    // what was read moving, holds the rest, and says so once.
    void throughFaults_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<Fault>>("faults");
        QTest::addColumn<QList<QByteArray>>("pictures");
        QTest::addColumn<QStringList>("notes");
        const QByteArray before = bytes({55, 56, 57, 58});
        QTest::newRow("the upper channels fail a while") << 255 << 258
            << QList<Fault>{Fault::None, Fault::Upper, Fault::None}
            << QList<QByteArray>{before, bytes({99, 56, 57, 58}), bytes({99, 56, 77, 58})}
            << QStringList{"channels 257-258 not read (no answer): the take holds their last levels", "read again"};
        // One block: a picture is read whole or not at all.
        QTest::newRow("every channel fails a while") << 253 << 256
            << QList<Fault>{Fault::None, Fault::Checksum, Fault::None}
            << QList<QByteArray>{bytes({53, 54, 55, 56}), bytes({53, 54, 99, 56})}
            << QStringList{"channels 253-256 not read (checksum error): the take holds their last levels",
                           "read again"};
        QTest::newRow("a box of 256 channels") << 255 << 258
            << QList<Fault>{Fault::Upper, Fault::Upper, Fault::Upper}
            << QList<QByteArray>{bytes({55, 56}), bytes({99, 56})}
            << QStringList{"channels 257-258 did not answer: the take holds channels 255-256"};
    }
    void throughFaults()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<Fault>, faults);
        QFETCH(QList<QByteArray>, pictures);
        QFETCH(QStringList, notes);
        Rig rig;
        for (int channel = first; channel <= last; ++channel)
            rig.port->box().setLevel(channel, quint8(channel - 200));
        rig.live->setRange(first, last);
        QString error;
        QVERIFY(rig.recorder->start(rig.path, first, last, error));
        apply(rig.port->box().faults(), faults[0]);
        rig.live->start();
        rig.threePictures(0ms);
        apply(rig.port->box().faults(), faults[1]);
        rig.port->box().setLevel(255, 99);
        rig.port->box().setLevel(257, 77);
        rig.threePictures(1000ms);
        apply(rig.port->box().faults(), faults[2]);
        rig.threePictures(16000ms); // past the wait before the upper channels are asked again
        QVERIFY(rig.recorder->stop());
        QCOMPARE(rig.notes, notes);

        Recording take;
        QVERIFY2(loadShow(rig.path, take, error), qPrintable(error));
        QList<QByteArray> written;
        for (int i = 0; i < take.pictures(); ++i)
            written << take.levelsOf(i);
        QCOMPARE(written, pictures);
    }

    void refusesToStart_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("why");
        QTest::newRow("an earlier take") << true << 1 << 8 << "%1 exists; a take is never written over another";
        QTest::newRow("beyond 512") << false << 1 << 513 << "channels 1-513 are not within 1-512";
        QTest::newRow("falling") << false << 5 << 4 << "channels 5-4 are not within 1-512";
    }
    void refusesToStart()
    {
        QFETCH(bool, existing);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, why);
        Rig rig;
        QFile earlier(rig.path);
        if (existing) {
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("an earlier take");
            earlier.close();
        }
        QString error;
        QVERIFY(!rig.recorder->start(rig.path, first, last, error));
        QCOMPARE(error, existing ? why.arg(rig.path) : why);
        QVERIFY(!rig.recorder->recording());
        if (existing)
            QCOMPARE(readFile(rig.path), QByteArray("an earlier take"));
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "test_recorder.moc"
