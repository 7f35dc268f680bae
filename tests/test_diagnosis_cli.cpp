// What lumivane makes of a line over time, run as a script runs it: the
// report on a crafted take in each format and on the line, and a watch of
// changes only, with a heartbeat, against lumivane-sim replaying a take.
#include "harness.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// Channels 1-3, a picture every 40 ms: channel 1 spikes once, channel 2
// fades up in steps, channel 3 stands still.
const QByteArray kTake = "OLA Show\n1 0,0,9\n40\n1 200,10,9\n40\n1 0,20,9\n40\n1 0,30,9\n1000\n";

} // namespace

class TestDiagnosisCli : public QObject {
    Q_OBJECT
private slots:
    // On a take in each format, and on the live line, where a box that
    // serves only 1-256 leaves 257 and 258 out.
    void report_data()
    {
        QTest::addColumn<QStringList>("box"); // lumivane-sim's options; none: no line
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QStringList take{"report", "--recording", "take.show", "1-4"};
        const QByteArray notInTake("lumivane: channel 4 is not in the take; left out of the report\n");
        QTest::newRow("text") << QStringList() << QStringList{"--format", "text"} + take
                              << QByteArray("channel  min  max  changes  largest_step  spikes  first_change  last_change\n"
                                            "      1    0  200        2           200       1         0.040        0.080\n"
                                            "      2    0   30        3            10       0         0.040        0.120\n"
                                            "      3    9    9        0             0       0             -            -\n")
                              << notInTake;
        QTest::newRow("csv") << QStringList() << QStringList{"--format", "csv"} + take
                             << QByteArray("channel,min,max,changes,largest_step,spikes,first_change,last_change\n"
                                           "1,0,200,2,200,1,0.040,0.080\n2,0,30,3,10,0,0.040,0.120\n3,9,9,0,0,0,,\n")
                             << notInTake;
        QTest::newRow("json") << QStringList() << QStringList{"--format", "json"} + take
                              << QByteArray(R"([{"channel":1,"min":0,"max":200,"changes":2,"largest_step":200,"spikes":1,)"
                                            R"("first_change":0.040,"last_change":0.080},)"
                                            R"({"channel":2,"min":0,"max":30,"changes":3,"largest_step":10,"spikes":0,)"
                                            R"("first_change":0.040,"last_change":0.120},)"
                                            R"({"channel":3,"min":9,"max":9,"changes":0,"largest_step":0,"spikes":0,)"
                                            R"("first_change":null,"last_change":null}])" "\n")
                              << notInTake;
        QTest::newRow("the line")
            << QStringList{"--static", "--channels", "256", "--level", "255=40", "--level", "256=41"}
            << QStringList{"-f", "csv", "--no-header", "report", "255-258", "--duration", "1"}
            << QByteArray("255,40,40,0,0,0,,\n256,41,41,0,0,0,,\n")
            << QByteArray("lumivane: channels 257-258 were never answered; left out of the report\n");
    }
    void report()
    {
        QFETCH(QStringList, box);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        SimulatedBox line;
        QVERIFY(!writeFile(line.filePath("take.show"), kTake).isEmpty());
        arguments.replaceInStrings(QRegularExpression("^take.show$"), line.filePath("take.show"));
        if (!box.isEmpty()) {
            line.start(box);
            arguments = QStringList{"--port", line.link()} + arguments;
        }
        const ProgramRun report = runLumivane(arguments);
        if (!box.isEmpty())
            line.stop();
        QCOMPARE(report.code, 0);
        QCOMPARE(report.out, out);
        QCOMPARE(report.err, err);
    }

    // Each channel once, then only when it changed, each line with the
    // time; the still heartbeat said once on standard error, and printed
    // only when it was asked for.
    void watchPrintsChangesOnly_data()
    {
        QTest::addColumn<QString>("channels");
        QTest::addColumn<int>("heartbeatLines");
        QTest::newRow("a range, the heartbeat among it") << "1-2" << 1;
        QTest::newRow("a single channel, the heartbeat read besides") << "1" << 0;
    }
    void watchPrintsChangesOnly()
    {
        QFETCH(QString, channels);
        QFETCH(int, heartbeatLines);
        SimulatedBox box;
        const QString take = writeFile(box.filePath("take.show"), "OLA Show\n1 10,7\n100\n1 20,7\n100\n1 30,7\n100\n");
        box.start({"--replay", take, "--loop"});
        const ProgramRun watch = runLumivane({"--port", box.link(), "watch", channels, "--changes", "--interval", "10",
                                              "--count", "60", "--heartbeat", "2", "--still-after", "0.3"});
        box.stop();
        QCOMPARE(watch.code, 0);
        QCOMPARE(watch.err, QByteArray("lumivane: Channel 2 has not moved for 0.3 s\n"));
        static const QRegularExpression line(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d) ([12]) (\d+)$)"));
        QList<int> levelsOfOne;
        int twos = 0;
        for (const QByteArray &each : watch.out.trimmed().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromLatin1(each));
            QVERIFY2(match.hasMatch(), each.constData());
            if (match.captured(2) == QLatin1String("2")) {
                ++twos;
                QCOMPARE(match.captured(3), QStringLiteral("7"));
            } else {
                QVERIFY2(levelsOfOne.isEmpty() || levelsOfOne.last() != match.captured(3).toInt(), each.constData());
                levelsOfOne << match.captured(3).toInt();
            }
        }
        QCOMPARE(twos, heartbeatLines);
        QVERIFY2(levelsOfOne.size() >= 3, watch.out.constData()); // the take moved channel 1 meanwhile
    }
};

QTEST_GUILESS_MAIN(TestDiagnosisCli)
#include "test_diagnosis_cli.moc"
