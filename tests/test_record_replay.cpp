// A take end to end: lumivane records the simulated box into a show file,
// lumivane-sim plays the file back as the box, and lumivane list sees the
// recorded levels. Also the replay in-process, and what either program
// says, and does not open, for a wrong command line or a wrong file.
#include "harness.h"
#include "show_format.h"
#include "show_replay.h"
#include "sim_box.h"

#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kLumivane = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane");
const QString kSim = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane-sim");

// The levels `lumivane list` reads, channels first..last, as bytes.
QByteArray listed(const QString &link, int first, int last)
{
    const ProgramRun list =
        runLumivane({"--port", link, "--format", "csv", "list", QStringLiteral("%1-%2").arg(first).arg(last)});
    QByteArray levels;
    for (const QByteArray &line : list.out.split('\n').mid(1)) { // past "channel,level"
        if (!line.isEmpty())
            levels.append(char(line.split(',').value(1).toInt()));
    }
    return list.code == 0 ? levels : QByteArray();
}

} // namespace

class TestRecordReplay : public QObject {
    Q_OBJECT
private slots:
    // Recorded from the moving simulated box, replayed: every picture list
    // reads during the replay is one of the take's, and at the end it is
    // the last one, held.
    void recordedTakeReplaysToList()
    {
        SimulatedBox source;
        source.start({});
        const QString take = source.filePath("take.show");
        const ProgramRun record =
            runLumivane({"--port", source.link(), "record", take, "--range", "1-256", "--duration", "1", "--universe", "9"});
        source.stop();
        QCOMPARE(record.code, 0);
        QVERIFY2(record.out.startsWith("Recording channels 1-256 from "), record.out);
        QVERIFY2(record.out.contains(" as OLA universe 9 for 1 s\n"), record.out);

        Recording recording;
        QString error;
        QVERIFY2(loadShow(take, recording, error), qPrintable(error));
        QCOMPARE(recording.universe(), 9u);
        QVERIFY(recording.pictures() > 2); // the box's chase moved meanwhile
        QSet<QByteArray> pictures;
        for (int i = 0; i < recording.pictures(); ++i)
            pictures.insert(recording.levelsOf(i));

        SimulatedBox replay;
        replay.start({"--replay", take});
        const QByteArray end = recording.levelsOf(recording.pictures() - 1);
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen = listed(replay.link(), 1, 256), pictures.contains(seen) && seen == end)
                                     || !pictures.contains(seen),
                                 20000);
        QVERIFY2(pictures.contains(seen), "list read levels that are not in the take");
        QCOMPARE(listed(replay.link(), 1, 256), end);
        replay.stop();
    }

    void commandLineFaults_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("record without a file") << kLumivane << QStringList{"record"} << 2
                                               << "lumivane: record takes one FILE to record into";
        QTest::newRow("range beyond 512") << kLumivane << QStringList{"record", "t", "--range", "1-513"} << 2
                                          << "lumivane: --range '1-513' is not a channel range FIRST-LAST within 1-512";
        QTest::newRow("duration 0") << kLumivane << QStringList{"record", "t", "--duration", "0"} << 2
                                    << "lumivane: --duration '0' is not a number of seconds (1-604800)";
        QTest::newRow("range for list") << kLumivane << QStringList{"list", "1-4", "--range", "1-2"} << 2
                                        << "lumivane: --range is for check and record only";
        QTest::newRow("loop alone") << kSim << QStringList{"--link", "l", "--loop"} << 2
                                    << "lumivane-sim: --loop needs --replay.";
        QTest::newRow("universe alone") << kSim << QStringList{"--link", "l", "--universe", "2"} << 2
                                        << "lumivane-sim: --universe needs --replay.";
        QTest::newRow("record into no universe") << kLumivane << QStringList{"record", "t", "--universe", "-1"} << 2
                                                 << "lumivane: --universe '-1' is not an OLA universe number";
        QTest::newRow("replay with levels") << kSim << QStringList{"--link", "l", "--replay", "t", "--level", "1=2"}
                                            << 2
                                            << "lumivane-sim: --replay plays the take's levels; it takes no --level or --static.";
    }
    void commandLineFaults()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, said);
        const ProgramRun result = runProgram(program, arguments);
        QCOMPARE(result.code, code);
        QCOMPARE(QString::fromLocal8Bit(result.err).section(u'\n', 0, 0), said);
    }

    // A wrong file is named with its line; the simulator opens no link.
    void replayRefusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("not a show") << QByteArray("hello\n") << QStringList{}
                                    << ":1: not a show file: the first line is 'hello', not 'OLA Show'";
        QTest::newRow("cut short") << QByteArray("OLA Show\n1 1,2\n40\n1 3") << QStringList{}
                                   << ":4: cut short: the line does not end";
        QTest::newRow("two universes, none chosen")
            << QByteArray("OLA Show\n1 1\n40\n2 1\n") << QStringList{}
            << " holds universes 1 and 2: --universe chooses the one to play";
        QTest::newRow("a universe the take lacks")
            << QByteArray("OLA Show\n1 1\n40\n2 1\n") << QStringList{"--universe", "3"}
            << ": no picture of universe 3; the recording holds universes 1 and 2";
    }
    void replayRefusesBadFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString take = writeFile(dir.filePath("take.show"), text);
        const ProgramRun result = runProgram(kSim, QStringList{"--link", dir.filePath("box"), "--replay", take} + arguments);
        QCOMPARE(result.code, 1);
        QCOMPARE(QString::fromLocal8Bit(result.err), "lumivane-sim: " + take + said + "\n");
        QVERIFY(!QFileInfo::exists(dir.filePath("box")));
    }

    // A take that got no picture ends with status 1, saying what went
    // unread, and leaves no file.
    void recordOfASilentBoxFails()
    {
        SimulatedBox box;
        box.start({"--silent"});
        const QString take = box.filePath("take.show");
        const ProgramRun record = runLumivane({"--port", box.link(), "record", take, "--range", "250-260", "--duration", "1"});
        box.stop();
        QCOMPARE(record.code, 1);
        QCOMPARE(QString::fromLocal8Bit(record.err),
                 "lumivane: channels 250-260 not read (no answer): nothing recorded yet\n"
                 "lumivane: no picture of channels 250-260 came: nothing recorded, " + take + " not kept\n");
        QVERIFY(!QFileInfo::exists(take));
    }

    // A take that cannot be written ends the run at once, saying why, and
    // leaves an earlier take as it was.
    void recordRefusesUnwritableFiles()
    {
        SimulatedBox box;
        box.start({"--static"});
        const QString earlier = writeFile(box.filePath("earlier.show"), "OLA Show\n1 7\n");
        const ProgramRun over = runLumivane({"--port", box.link(), "record", earlier});
        QCOMPARE(over.code, 1);
        QCOMPARE(over.err, ("lumivane: " + earlier + " exists; a take is never written over another\n").toLocal8Bit());
        QCOMPARE(readFile(earlier), QByteArray("OLA Show\n1 7\n"));
        const QString nowhere = box.filePath("no/take.show");
        const ProgramRun unwritable = runLumivane({"--port", box.link(), "record", nowhere});
        QCOMPARE(unwritable.code, 1);
        QVERIFY2(unwritable.err.startsWith("lumivane: " + nowhere.toLocal8Bit() + ": "), unwritable.err);
        box.stop();
    }

    // In-process: the pictures in their order, the channels outside the
    // take at 0, and with looping the take again from its start.
    void replayLoops()
    {
        Recording take;
        show_format::Fault fault;
        QVERIFY(show_format::parse("OLA Show\n1 ,,10,20\n30\n1 ,,11,21\n30\n1 ,,12,22\n30\n", take, fault));
        SimBox box(true);
        ShowReplay replay(box, take, true);
        QSignalSpy shown(&replay, &ShowReplay::pictureShown);
        replay.start();
        QCOMPARE(box.level(3), quint8(10));
        QCOMPARE(box.level(1), quint8(0));
        QCOMPARE(box.level(300), quint8(0));
        QTRY_VERIFY(shown.size() >= 4);
        QList<int> order;
        for (const QList<QVariant> &signal : shown)
            order << signal.first().toInt();
        QCOMPARE(order.mid(0, 4), (QList<int>{0, 1, 2, 0}));
        QVERIFY(replay.rounds() >= 2);
    }

    // A take of several universes plays the one asked for.
    void replaysTheChosenUniverse()
    {
        SimulatedBox replay;
        replay.start({"--replay", writeFile(replay.filePath("two.show"), "OLA Show\n1 10,11\n0\n2 20,21\n1000\n"),
                      "--universe", "2"});
        QTRY_COMPARE(listed(replay.link(), 1, 2), QByteArray("\x14\x15"));
        replay.stop();
    }

    void replayHoldsTheLastPicture()
    {
        Recording take;
        show_format::Fault fault;
        QVERIFY(show_format::parse("OLA Show\n1 10\n20\n1 11\n", take, fault));
        SimBox box(true);
        ShowReplay replay(box, take, false);
        replay.start();
        QTRY_COMPARE(box.level(1), quint8(11));
        QSignalSpy shown(&replay, &ShowReplay::pictureShown);
        QVERIFY(!shown.wait(200)); // nothing follows the last picture
        QCOMPARE(box.level(1), quint8(11));
    }
};

QTEST_GUILESS_MAIN(TestRecordReplay)
#include "test_record_replay.moc"
