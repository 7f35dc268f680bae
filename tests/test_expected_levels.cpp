// The expected-levels file and the comparison a check makes with it: what
// a file may hold, what it is refused for and where, and which channels a
// picture leaves outside the tolerance.
#include "check_output.h" // what a watching check writes
#include "expected_levels.h"
#include "level_comparison.h"

#include <QTest>

namespace {

// "12=137 13=*": the channels in the file's order, * for don't care.
QString described(const ExpectedLevels &expected)
{
    QStringList parts;
    for (const ExpectedLevel &level : expected.levels)
        parts << QStringLiteral("%1=%2").arg(level.channel).arg(level.level ? QString::number(*level.level) : "*");
    return parts.join(u' ');
}

ExpectedLevels parsed(const QByteArray &text)
{
    ExpectedLevelsFault fault;
    const std::optional<ExpectedLevels> expected = parseExpectedLevels(text, fault);
    if (!expected)
        qFatal("test file refused: %s", qPrintable(fault.text));
    return *expected;
}

} // namespace

Q_DECLARE_METATYPE(QVector<LevelDifference>)
Q_DECLARE_METATYPE(QVector<VerdictChange>)
Q_DECLARE_METATYPE(VerdictChange)

class TestExpectedLevels : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void compared_data();
    void compared();
    void verdictChanges_data();
    void verdictChanges();
    void verdictChangeWritten_data();
    void verdictChangeWritten();
};

void TestExpectedLevels::accepted_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("levels");
    QTest::newRow("as csv list writes") << QByteArray("channel,level\n1,10\n2,255\n") << "1=10 2=255";
    QTest::newRow("don't care") << QByteArray("channel,level\n12,\n13,0\n") << "12=* 13=0";
    QTest::newRow("ends of the line") << QByteArray("channel,level\n512,255\n1,0\n") << "512=255 1=0";
    QTest::newRow("no last newline") << QByteArray("channel,level\n7,7") << "7=7";
    QTest::newRow("saved by a sheet") << QByteArray("\xEF\xBB\xBF" "channel,level\r\n3,30\r\n\r\n") << "3=30";
    QTest::newRow("blank lines") << QByteArray("\nchannel,level\n\n4,40\n\n5,\n") << "4=40 5=*";
}

void TestExpectedLevels::accepted()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, levels);
    ExpectedLevelsFault fault;
    const std::optional<ExpectedLevels> expected = parseExpectedLevels(text, fault);
    QVERIFY2(expected, qPrintable(fault.text));
    QCOMPARE(described(*expected), levels);
}

void TestExpectedLevels::refused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fault");
    QTest::newRow("empty") << QByteArray() << 0 << "no header";
    QTest::newRow("no header") << QByteArray("1,10\n") << 1 << "header must be 'channel,level', not '1,10'";
    QTest::newRow("watch's header") << QByteArray("time,channel,level\n") << 1 << "header must be";
    QTest::newRow("header in capitals") << QByteArray("Channel,Level\n1,1\n") << 1 << "header must be";
    QTest::newRow("header alone") << QByteArray("channel,level\n") << 0 << "no channels";
    QTest::newRow("channel 0") << QByteArray("channel,level\n1,1\n0,5\n") << 3 << "channel 0 is outside 1-512";
    QTest::newRow("channel 513") << QByteArray("channel,level\n513,5\n") << 2 << "channel 513 is outside 1-512";
    QTest::newRow("level 256") << QByteArray("channel,level\n9,256\n") << 2 << "level 256 is outside 0-255";
    QTest::newRow("text for a level") << QByteArray("channel,level\n9,full\n") << 2 << "'full' is not a level";
    QTest::newRow("text for a channel") << QByteArray("channel,level\nnine,9\n") << 2 << "'nine' is not a channel";
    QTest::newRow("negative level") << QByteArray("channel,level\n9,-1\n") << 2 << "'-1' is not a level";
    QTest::newRow("blank in a field") << QByteArray("channel,level\n9, 1\n") << 2 << "' 1' is not a level";
    QTest::newRow("empty channel") << QByteArray("channel,level\n,12\n") << 2 << "'' is not a channel";
    QTest::newRow("duplicate channel") << QByteArray("channel,level\n5,1\n6,2\n5,1\n") << 4
                                       << "channel 5 again (first on line 2)";
    QTest::newRow("three fields") << QByteArray("channel,level\n5,1,2\n") << 2 << "'5,1,2' is not channel,level";
    QTest::newRow("one field") << QByteArray("channel,level\n5\n") << 2 << "'5' is not channel,level";
    QTest::newRow("control bytes shown safely")
        << QByteArray("channel,level\n\x1b[2J,1\n") << 2 << "'?[2J' is not a channel";
    QTest::newRow("too long") << QByteArray("channel,level\n") + QByteArray(70000, '\n') << 0 << "longer than";
}

void TestExpectedLevels::refused()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, fault);
    ExpectedLevelsFault found;
    QVERIFY(!parseExpectedLevels(text, found));
    QCOMPARE(found.line, line);
    QVERIFY2(found.text.contains(fault), qPrintable(found.text));
}

void TestExpectedLevels::compared_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("pictureFirst");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QVector<LevelDifference>>("differences");
    const QByteArray cue("channel,level\n10,100\n11,\n12,0\n13,255\n");
    const QByteArray picture("\x64\x07\x00\xFF", 4); // 10-13: 100, 7, 0, 255
    QTest::newRow("all agree") << cue << 10 << picture << 0 << QVector<LevelDifference>{};
    QTest::newRow("one off by one")
        << cue << 10 << QByteArray("\x65\x07\x00\xFF", 4) << 0 << QVector<LevelDifference>{{10, 100, 101}};
    QTest::newRow("don't care never differs")
        << cue << 10 << QByteArray("\x64\xC8\x00\xFF", 4) << 0 << QVector<LevelDifference>{};
    QTest::newRow("tolerance, just inside")
        << cue << 10 << QByteArray("\x5F\x07\x05\xFA", 4) << 5 << QVector<LevelDifference>{};
    QTest::newRow("tolerance, just outside")
        << cue << 10 << QByteArray("\x5E\x07\x06\xF9", 4) << 5
        << QVector<LevelDifference>{{10, 100, 94}, {12, 0, 6}, {13, 255, 249}};
    QTest::newRow("tolerance 255 takes all") << cue << 10 << QByteArray("\x00\x00\xFF\x00", 4) << 255
                                             << QVector<LevelDifference>{};
    QTest::newRow("picture misses the ends")
        << cue << 11 << QByteArray("\x07\x00", 2) << 0 << QVector<LevelDifference>{{10, 100, {}}, {13, 255, {}}};
    QTest::newRow("no picture") << cue << 1 << QByteArray() << 0
                                << QVector<LevelDifference>{{10, 100, {}}, {12, 0, {}}, {13, 255, {}}};
    QTest::newRow("in the file's order")
        << QByteArray("channel,level\n300,1\n2,9\n") << 1 << QByteArray(3, '\x05') << 0
        << QVector<LevelDifference>{{300, 1, {}}, {2, 9, 5}};
}

void TestExpectedLevels::compared()
{
    QFETCH(QByteArray, file);
    QFETCH(int, pictureFirst);
    QFETCH(QByteArray, picture);
    QFETCH(int, tolerance);
    QFETCH(QVector<LevelDifference>, differences);
    QCOMPARE(compareLevels(parsed(file), pictureFirst, picture, tolerance), differences);
}

void TestExpectedLevels::verdictChanges_data()
{
    using D = QVector<LevelDifference>;
    QTest::addColumn<D>("before");
    QTest::addColumn<D>("after");
    QTest::addColumn<QByteArray>("picture"); // channels 1..
    QTest::addColumn<QByteArray>("now");     // the later expectation, if it moves
    QTest::addColumn<QVector<VerdictChange>>("changes");
    const QByteArray picture("\x0A\x14\x1E", 3);
    const QByteArray still;
    QTest::newRow("first check, all agree") << D{} << D{} << picture << still << QVector<VerdictChange>{};
    QTest::newRow("first check, in channel order")
        << D{} << D{{3, 0, 30}, {1, 0, 10}} << picture << still
        << QVector<VerdictChange>{{1, 0, 10, Verdict::Differs}, {3, 0, 30, Verdict::Differs}};
    QTest::newRow("drifts further: no change")
        << D{{2, 0, 15}} << D{{2, 0, 20}} << picture << still << QVector<VerdictChange>{};
    QTest::newRow("comes back") << D{{2, 20, 9}} << D{} << picture << still
                                << QVector<VerdictChange>{{2, 20, 20, Verdict::Agrees}};
    QTest::newRow("picture lost") << D{{2, 0, 20}} << D{{1, 10, {}}, {2, 0, {}}} << QByteArray() << still
                                  << QVector<VerdictChange>{{1, 10, {}, Verdict::Unread}, {2, 0, {}, Verdict::Unread}};
    QTest::newRow("picture back") << D{{1, 10, {}}, {2, 0, {}}} << D{{2, 0, 20}} << picture << still
                                  << QVector<VerdictChange>{{1, 10, 10, Verdict::Agrees}, {2, 0, 20, Verdict::Differs}};
    QTest::newRow("comes back to where the expectation moved")
        << D{{2, 99, 20}} << D{} << picture << QByteArray("channel,level\n2,20\n")
        << QVector<VerdictChange>{{2, 20, 20, Verdict::Agrees}};
}

void TestExpectedLevels::verdictChanges()
{
    using D = QVector<LevelDifference>;
    QFETCH(D, before);
    QFETCH(D, after);
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, now);
    QFETCH(QVector<VerdictChange>, changes);
    const ExpectedLevels moved = now.isEmpty() ? ExpectedLevels{} : parsed(now);
    QCOMPARE(::verdictChanges(before, after, 1, picture, now.isEmpty() ? nullptr : &moved), changes);
}

void TestExpectedLevels::verdictChangeWritten_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<VerdictChange>("change");
    QTest::addColumn<QByteArray>("out");
    const VerdictChange unread{12, 137, {}, Verdict::Unread};
    QTest::newRow("text") << int(OutputFormat::Text) << VerdictChange{12, 137, 140, Verdict::Differs}
                          << QByteArray("differs 12 137 140\n");
    QTest::newRow("text, unread") << int(OutputFormat::Text) << unread << QByteArray("unread 12 137 \n");
    QTest::newRow("csv, unread") << int(OutputFormat::Csv) << unread
                                 << QByteArray("2026-12-07T14:03:12.345+01:00,12,137,,unread\n");
    QTest::newRow("json, agrees") << int(OutputFormat::Json) << VerdictChange{12, 137, 136, Verdict::Agrees}
                                  << QByteArray(R"({"channel":12,"expected":137,"actual":136,"verdict":"agrees",)"
                                                R"("time":"2026-12-07T14:03:12.345+01:00"})" "\n");
}

void TestExpectedLevels::verdictChangeWritten()
{
    QFETCH(int, format);
    QFETCH(VerdictChange, change);
    QFETCH(QByteArray, out);
    const QDateTime time(QDate(2026, 12, 7), QTime(14, 3, 12, 345), Qt::OffsetFromUTC, 3600);
    QCOMPARE(formatVerdictChange(OutputFormat(format), time, change), out);
}

QTEST_GUILESS_MAIN(TestExpectedLevels)
#include "test_expected_levels.moc"
