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

QByteArray onDisk(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    }

    // Lets the fetch bring one more good picture, `later` after now.
    void nextPicture(std::chrono::milliseconds later)
    {
        now += later;
        const int before = recorder->picturesSeen();
        QTRY_VERIFY(recorder->picturesSeen() > before);
    }

    QTemporaryDir dir;
    QString path;
    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<LiveFetch> live;
    std::unique_ptr<Recorder> recorder;
    LiveFetch::Clock::time_point now = LiveFetch::Clock::time_point{} + 1h;
};

} // namespace

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
        QCOMPARE(onDisk(rig.path), QByteArray("OLA Show\n"));

        rig.port->box().setLevel(4, 40);
        rig.nextPicture(400ms);
        QCOMPARE(onDisk(rig.path), QByteArray("OLA Show\n"));

        rig.nextPicture(600ms);
        QCOMPARE(onDisk(rig.path), QByteArray("OLA Show\n1 ,,3,4,5\n400\n1 ,,3,40,5\n600\n"));

        // A line standing still writes no picture; only the held time grows.
        rig.nextPicture(1000ms);
        rig.nextPicture(1000ms);
        QCOMPARE(onDisk(rig.path), QByteArray("OLA Show\n1 ,,3,4,5\n400\n1 ,,3,40,5\n2600\n"));

        rig.port->box().setLevel(5, 50);
        rig.nextPicture(250ms);
        QVERIFY(rig.recorder->stop());
        QCOMPARE(onDisk(rig.path),
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
        QTRY_COMPARE(onDisk(rig.path), QByteArray("OLA Show\n1 1,2\n1500\n"));
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
        QCOMPARE(onDisk(rig.path), QByteArray("OLA Show\n1 1,2\n0\n"));
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
            QCOMPARE(onDisk(rig.path), QByteArray("an earlier take"));
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "test_recorder.moc"
