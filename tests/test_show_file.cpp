// Show files both ways, as exact text: the lines a take is written as, the
// file on the disk after each flush, a write that fails, and files that are
// wrong in each way a reader meets, each named by its line.
#include "harness.h"
#include "recording.h"
#include "show_format.h"
#include "show_writer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray levels(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// A disk that fills up after `room` bytes.
class FillingFile : public QFile {
public:
    FillingFile(const QString &path, qint64 room)
        : QFile(path), m_room(room)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 fits = std::min(size, std::max<qint64>(m_room - pos(), 0));
        if (fits > 0)
            QFile::writeData(data, fits);
        if (fits < size) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        return size;
    }

private:
    qint64 m_room;
};

} // namespace

class TestShowFile : public QObject {
    Q_OBJECT
private slots:
    void frameLine_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QByteArray>("levels");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("from channel 1") << 1 << levels({0, 7, 255}) << QByteArray("1 0,7,255\n");
        QTest::newRow("from channel 4: 1-3 blank") << 4 << levels({10, 20}) << QByteArray("1 ,,,10,20\n");
        QTest::newRow("one channel") << 2 << levels({128}) << QByteArray("1 ,128\n");
    }
    void frameLine()
    {
        QFETCH(int, first);
        QFETCH(QByteArray, levels);
        QFETCH(QByteArray, line);
        QCOMPARE(show_format::frameLine(1, first, levels), line);
    }

    // What a take reads back as: pictures, their moments, its range, and
    // how long it lasts.
    void readsShows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QByteArray>("lastLevels");
        QTest::addColumn<qint64>("duration");
        QTest::newRow("one picture") << QByteArray("OLA Show\n1 1,2,3\n") << 1 << 3 << QList<qint64>{0}
                                     << levels({1, 2, 3}) << qint64(0);
        QTest::newRow("held after the last") << QByteArray("OLA Show\n1 1,2\n40\n1 3,4\n960\n") << 1 << 2
                                             << QList<qint64>{0, 40} << levels({3, 4}) << qint64(1000);
        QTest::newRow("blank channels below")
            << QByteArray("OLA Show\n7 ,,,10,20\n1000\n7 ,,,11,21\n") << 4 << 5 << QList<qint64>{0, 1000}
            << levels({11, 21}) << qint64(1000);
        QTest::newRow("DOS line ends") << QByteArray("OLA Show\r\n1 5\r\n25\r\n1 6\r\n") << 1 << 1
                                       << QList<qint64>{0, 25} << levels({6}) << qint64(25);
        QTest::newRow("a delay of 0") << QByteArray("OLA Show\n1 5\n0\n1 6\n") << 1 << 1 << QList<qint64>{0, 0}
                                      << levels({6}) << qint64(0);
    }
    void readsShows()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<qint64>, times);
        QFETCH(QByteArray, lastLevels);
        QFETCH(qint64, duration);
        Recording recording;
        show_format::Fault fault;
        QVERIFY2(show_format::parse(text, recording, fault), qPrintable(fault.text));
        QCOMPARE(recording.first(), first);
        QCOMPARE(recording.last(), last);
        QList<qint64> read;
        for (int i = 0; i < recording.pictures(); ++i)
            read << recording.timeOf(i);
        QCOMPARE(read, times);
        QCOMPARE(recording.levelsOf(recording.pictures() - 1), lastLevels);
        QCOMPARE(recording.durationMs(), duration);
    }

    // A file of several universes, as OLA's recorder writes them: one
    // universe read, the others' pictures only taking their time.
    void readsOneUniverseOfSeveral_data()
    {
        QTest::addColumn<int>("chosen"); // -1: none
        QTest::addColumn<unsigned int>("universe");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QByteArray>("lastLevels");
        QTest::newRow("none chosen: the first picture's") << -1 << 7u << QList<qint64>{0, 40} << levels({3, 4});
        QTest::newRow("the second") << 2 << 2u << QList<qint64>{0, 100} << levels({8});
        QTest::newRow("the first, chosen") << 7 << 7u << QList<qint64>{0, 40} << levels({3, 4});
    }
    void readsOneUniverseOfSeveral()
    {
        QFETCH(int, chosen);
        QFETCH(unsigned int, universe);
        QFETCH(QList<qint64>, times);
        QFETCH(QByteArray, lastLevels);
        const QByteArray text("OLA Show\n7 1,2\n0\n2 9\n40\n7 3,4\n60\n2 8\n100\n");
        Recording recording;
        show_format::Fault fault;
        QVERIFY2(show_format::parse(text, recording, fault,
                                    chosen < 0 ? std::nullopt : std::optional<unsigned int>(unsigned(chosen))),
                 qPrintable(fault.text));
        QCOMPARE(recording.universe(), universe);
        QList<qint64> read;
        for (int i = 0; i < recording.pictures(); ++i)
            read << recording.timeOf(i);
        QCOMPARE(read, times);
        QCOMPARE(recording.levelsOf(recording.pictures() - 1), lastLevels);
        QCOMPARE(recording.durationMs(), 200);
        QCOMPARE(recording.universesInFile(), (QList<unsigned int>{2, 7}));
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("why");
        QTest::newRow("empty") << QByteArray() << 1 << "empty, not a show file";
        QTest::newRow("not a show") << QByteArray("channel,level\n1,2\n") << 1
                                    << "not a show file: the first line is 'channel,level', not 'OLA Show'";
        QTest::newRow("header only") << QByteArray("OLA Show\n") << 2 << "no picture: the show is empty";
        QTest::newRow("cut short in a picture") << QByteArray("OLA Show\n1 1,2\n40\n1 3,") << 4
                                                << "cut short: the line does not end";
        QTest::newRow("cut short in a delay") << QByteArray("OLA Show\n1 1,2\n4") << 3
                                              << "cut short: the line does not end";
        QTest::newRow("other channels") << QByteArray("OLA Show\n1 1,2\n40\n1 ,3,4\n") << 4
                                        << "universe 1: channels 2-3, but the recording is of channels 1-2";
        QTest::newRow("a universe not shown changes its channels")
            << QByteArray("OLA Show\n1 1,2\n40\n2 3\n0\n1 5,6\n0\n2 3,4\n") << 8
            << "universe 2: channels 1-2, but the recording is of channels 1-1";
        QTest::newRow("level too high") << QByteArray("OLA Show\n1 1,256\n") << 2
                                        << "channel 2: '256' is not a level 0-255";
        QTest::newRow("four digits") << QByteArray("OLA Show\n1 1,0010\n") << 2
                                     << "channel 2: '0010' is not a level 0-255";
        QTest::newRow("not a number") << QByteArray("OLA Show\n1 1,x2,3\n") << 2
                                      << "channel 2: 'x2' is not a level 0-255";
        QTest::newRow("a gap") << QByteArray("OLA Show\n1 1,,3\n") << 2 << "channel 2 has no level";
        QTest::newRow("no levels") << QByteArray("OLA Show\n1 ,,\n") << 2 << "a picture without a level";
        QTest::newRow("no universe") << QByteArray("OLA Show\n1,2,3\n") << 2
                                     << "'1,2,3' is not a picture (a universe, a space, levels)";
        QTest::newRow("universe too big") << QByteArray("OLA Show\n4294967296 1\n") << 2
                                          << "'4294967296 1' is not a picture (a universe, a space, levels)";
        QTest::newRow("two pictures in a row") << QByteArray("OLA Show\n1 1\n1 2\n") << 3
                                               << "'1 2' is not a delay in milliseconds";
        QTest::newRow("negative delay") << QByteArray("OLA Show\n1 1\n-5\n1 2\n") << 3
                                        << "'-5' is not a delay in milliseconds";
        QTest::newRow("empty line") << QByteArray("OLA Show\n1 1\n\n1 2\n") << 3 << "an empty line";
        QTest::newRow("513 channels") << "OLA Show\n1 " + QByteArray("0,").repeated(512) + "0\n" << 2
                                      << "more than 512 channels";
        // Judged by its first line, however long the file: a disk image or
        // a file of zeros is not read to its end.
        QTest::newRow("zeros") << QByteArray(1 << 20, '\0') << 1
                               << "not a show file: the first line is '" + QString(40, u'?') + "...', not 'OLA Show'";
        QTest::newRow("a line without end") << "OLA Show\n1 " + QByteArray(1 << 20, '1') << 2
                                            << "longer than any line of a show (2059 characters)";
    }
    void refusesBadFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, why);
        Recording recording;
        show_format::Fault fault;
        QVERIFY(!show_format::parse(text, recording, fault));
        QCOMPARE(fault.text, why);
        QCOMPARE(fault.line, line);
    }

    // The file is named with the line, and nothing is opened.
    void loadNamesFileAndLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("take.show");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("OLA Show\n1 1,2\n40\n3 1,2\n0\n1 1\n");
        file.close();
        Recording recording;
        recording.setShape(1, 1, 1);
        recording.append(0, "\x05");
        QString error;
        QVERIFY(!loadShow(path, recording, error));
        QCOMPARE(error, path + ":6: universe 1: channels 1-1, but the recording is of channels 1-2");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("OLA Show\n1 1,2\n40\n3 1,2\n");
        file.close();
        QVERIFY(!loadShow(path, recording, error, 2));
        QCOMPARE(error, path + ": no picture of universe 2; the recording holds universes 1 and 3");
        QCOMPARE(recording.pictures(), 1);
        QVERIFY(!loadShow(dir.path(), recording, error));
        QCOMPARE(error, dir.path() + ": not a file");
    }

    void picturesAtAnyMoment_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QByteArray>("levels");
        QTest::newRow("start") << qint64(0) << levels({1, 10});
        QTest::newRow("just before the second") << qint64(99) << levels({1, 10});
        QTest::newRow("the second") << qint64(100) << levels({2, 10});
        QTest::newRow("between") << qint64(250) << levels({2, 10});
        QTest::newRow("the third") << qint64(300) << levels({2, 11});
        QTest::newRow("past the end") << qint64(999999) << levels({2, 11});
        QTest::newRow("before the start") << qint64(-5) << levels({1, 10});
    }
    void picturesAtAnyMoment()
    {
        QFETCH(qint64, ms);
        QFETCH(QByteArray, levels);
        Recording recording;
        show_format::Fault fault;
        QVERIFY(show_format::parse("OLA Show\n1 ,1,10\n100\n1 ,2,10\n200\n1 ,2,11\n", recording, fault));
        QCOMPARE(recording.levelsAt(ms), levels);
    }

    void seriesAreSteps()
    {
        Recording recording;
        show_format::Fault fault;
        QVERIFY(show_format::parse("OLA Show\n1 ,1,10\n100\n1 ,2,10\n200\n1 ,2,11\n50\n1 ,1,11\n", recording, fault));
        const auto samples = [&](int channel) {
            QList<QPair<qint64, int>> steps;
            for (const Recording::Sample &sample : recording.series(channel))
                steps << qMakePair(sample.ms, int(sample.level));
            return steps;
        };
        QCOMPARE(samples(2), (QList<QPair<qint64, int>>{{0, 1}, {100, 2}, {350, 1}}));
        QCOMPARE(samples(3), (QList<QPair<qint64, int>>{{0, 10}, {300, 11}}));
        QVERIFY(samples(1).isEmpty());
        QVERIFY(samples(4).isEmpty());
    }

    // The file after each flush, exactly: a whole show every time, the held
    // delay overwritten in place and never left behind.
    void writerFileAfterEachFlush()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("take.show"));
        QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        ShowWriter writer(file, 5); // the universe OLA plays it into
        QString error;
        QVERIFY(writer.begin(error));
        QCOMPARE(readFile(file.fileName()), QByteArray("OLA Show\n"));
        writer.add(0, 3, levels({10, 20}));
        writer.add(40, 3, levels({11, 20}));
        QCOMPARE(readFile(file.fileName()), QByteArray("OLA Show\n"));
        QVERIFY(writer.flush(1000, error));
        QCOMPARE(readFile(file.fileName()), QByteArray("OLA Show\n5 ,,10,20\n40\n5 ,,11,20\n960\n"));
        QVERIFY(writer.flush(12000, error));
        QCOMPARE(readFile(file.fileName()), QByteArray("OLA Show\n5 ,,10,20\n40\n5 ,,11,20\n11960\n"));
        writer.add(12005, 3, levels({12, 20}));
        QVERIFY(writer.flush(12010, error));
        QCOMPARE(readFile(file.fileName()),
                 QByteArray("OLA Show\n5 ,,10,20\n40\n5 ,,11,20\n11965\n5 ,,12,20\n5\n"));
        QCOMPARE(writer.bytesWritten(), file.size());
        // Held past what one delay line says (49.7 days): written again there.
        QVERIFY(writer.flush(12005 + 4294967295 + 7, error));
        QCOMPARE(readFile(file.fileName()), QByteArray("OLA Show\n5 ,,10,20\n40\n5 ,,11,20\n11965\n5 ,,12,20\n"
                                                       "4294967295\n5 ,,12,20\n7\n"));
    }

    // The disk fills in the middle of a flush: the failure is told, and the
    // file keeps the whole show written before.
    void failedWriteKeepsWhatWasWritten()
    {
        QTemporaryDir dir;
        const QByteArray before = "OLA Show\n1 1,2\n";
        FillingFile file(dir.filePath("take.show"), before.size() + 5);
        QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        ShowWriter writer(file, 1);
        QString error;
        QVERIFY(writer.begin(error));
        writer.add(0, 1, levels({1, 2}));
        QVERIFY(writer.flush(0, error));
        writer.add(40, 1, levels({3, 4}));
        QVERIFY(!writer.flush(40, error));
        QCOMPARE(error, QStringLiteral("No space left on device"));
        QVERIFY(writer.failed());
        QCOMPARE(readFile(file.fileName()), before);
        writer.add(80, 1, levels({5, 6}));
        QVERIFY(!writer.flush(80, error));
        QCOMPARE(readFile(file.fileName()), before);
    }

    // ola_recorder itself takes what the writer wrote, and says so by the
    // number of frames and the length it plays (the held delay counted).
    void olaRecorderVerifiesOurFiles()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("ola_recorder"));
        if (tool.isEmpty())
            QSKIP("ola_recorder is not installed");
        QTemporaryDir dir;
        QString error;
        QByteArray picture(512, '\0');
        QFile take(dir.filePath("range.show"));
        QVERIFY(take.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        ShowWriter ranged(take, 1);
        QVERIFY(ranged.begin(error));
        for (int i = 0; i < 30; ++i) {
            picture[200 + i] = char(255 - i);
            ranged.add(i * 100, 10, picture.mid(9, 500));
        }
        QVERIFY(ranged.flush(3500, error));
        QProcess verify;
        verify.start(tool, {QStringLiteral("--verify"), take.fileName()});
        QVERIFY(verify.waitForFinished(10000));
        const QByteArray said = verify.readAllStandardOutput() + verify.readAllStandardError();
        QCOMPARE(verify.exitCode(), 0);
        QVERIFY2(said.contains("Universe 1: 30 frames"), said.constData());
        // 3.5 s with the last picture held; it shows whole seconds.
        QVERIFY2(said.contains("Playback time: 3."), said.constData());
        Recording back;
        QVERIFY2(loadShow(take.fileName(), back, error), qPrintable(error));
        QCOMPARE(back.pictures(), 30);
        QCOMPARE(back.levelsOf(29), picture.mid(9, 500));
    }
};

QTEST_GUILESS_MAIN(TestShowFile)
#include "test_show_file.moc"
