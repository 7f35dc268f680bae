// lumivane check run the way a bench script runs it: what it refuses before
// the wire, what it prints and its exit status against the simulated box,
// what it puts on the wire, and a watch that must ring when a channel drifts.
#include "harness.h"
#include "protocol.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {

const QString kProgram = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane");

QByteArray request(int first, int last)
{
    return *protocol::block::buildRequest(first, last - first + 1);
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void refusedBeforeTheWire_data();
    void refusedBeforeTheWire();
    void verdicts_data();
    void verdicts();
    void oneBlockOnTheWire();
    void silentBoxAfterThreeAttempts();
    void watchRingsOnChanges();

private:
    QString file(const QByteArray &text);
    QString pipe();

    SimulatedBox m_box;
    int m_files = 0;
};

// The simulated box holds its opening pattern (channel n at 8(n-1)) with
// channel 1 at 10 and channel 2 at 255.
void TestCheck::initTestCase()
{
    m_box.start({"--static", "--level", "1=10", "--level", "2=255", "--level", "300=77"});
}

void TestCheck::cleanupTestCase()
{
    m_box.stop();
}

QString TestCheck::file(const QByteArray &text)
{
    const QString path = writeFile(m_box.filePath(QStringLiteral("expected-%1.csv").arg(++m_files)), text);
    if (path.isEmpty())
        qFatal("cannot write expected-%d.csv", m_files);
    return path;
}

QString TestCheck::pipe()
{
    const QString path = m_box.filePath(QStringLiteral("pipe-%1").arg(++m_files));
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make %s", qPrintable(path));
    return path;
}

// A file or an option it cannot use ends the run with one line and status 2
// before the port is opened; a port that will not open, with 3.
void TestCheck::refusedBeforeTheWire_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fault"); // after the file's name
    const QByteArray good("channel,level\n1,10\n");
    QTest::newRow("bad header") << QByteArray("chan,lvl\n1,10\n") << QStringList{} << 2 << ":1: the header must be";
    QTest::newRow("channel 0") << QByteArray("channel,level\n1,10\n0,1\n") << QStringList{} << 2
                               << ":3: channel 0 is outside 1-512";
    QTest::newRow("channel 513") << QByteArray("channel,level\n513,1\n") << QStringList{} << 2
                                 << ":2: channel 513 is outside 1-512";
    QTest::newRow("level 256") << QByteArray("channel,level\n7,256\n") << QStringList{} << 2
                               << ":2: level 256 is outside 0-255";
    QTest::newRow("text") << QByteArray("channel,level\n7,half\n") << QStringList{} << 2 << ":2: 'half' is not a level";
    QTest::newRow("duplicate channel") << QByteArray("channel,level\n7,1\n7,1\n") << QStringList{} << 2
                                       << ":3: channel 7 again (first on line 2)";
    QTest::newRow("only don't care") << QByteArray("channel,level\n7,\n") << QStringList{} << 2
                                     << ": no channel with an expected level";
    QTest::newRow("nothing in the range") << good << QStringList{"--range", "2-9"} << 2
                                          << ": no channel with an expected level within 2-9";
    QTest::newRow("tolerance 256") << good << QStringList{"--tolerance", "256"} << 2 << "--tolerance '256'";
    QTest::newRow("range past 512") << good << QStringList{"--range", "1-513"} << 2 << "--range '1-513'";
    // No text: a pipe nobody writes to, which would hold the open for ever.
    QTest::newRow("a pipe") << QByteArray() << QStringList{} << 2 << ": not a regular file";
    QTest::newRow("missing device") << good << QStringList{"--port", "/nonexistent/tty"} << 3
                                    << "Error Opening COM Port (/nonexistent/tty: no such device)";
}

void TestCheck::refusedBeforeTheWire()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, options);
    QFETCH(int, code);
    QFETCH(QString, fault);
    PtyBox box;
    QVERIFY(box.isReady());
    const QString path = text.isNull() ? pipe() : file(text);
    const ProgramRun result = runLumivane(QStringList{"--port", box.devicePath(), "check", path} + options);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, code);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.contains(fault.toUtf8()), result.err);
    if (fault.startsWith(u':'))
        QVERIFY2(result.err.contains((path + fault).toUtf8()), result.err);
    QCoreApplication::processEvents();
    QCOMPARE(box.received(), QByteArray());
}

void TestCheck::verdicts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    // Channels 1-4 carry 10, 255, 16, 24.
    const QByteArray cue("channel,level\n1,10\n2,255\n3,\n4,20\n");
    QTest::newRow("all agree") << QByteArray("channel,level\n1,10\n2,255\n3,16\n") << QStringList{} << 0
                               << QByteArray() << QByteArray();
    QTest::newRow("one differs, one don't care")
        << cue << QStringList{} << 1 << QByteArray("4 20 24\n") << QByteArray();
    QTest::newRow("tolerance just inside") << cue << QStringList{"--tolerance", "4"} << 0 << QByteArray()
                                           << QByteArray();
    QTest::newRow("range leaves it out") << cue << QStringList{"--range", "1-3"} << 0 << QByteArray() << QByteArray();
    QTest::newRow("csv") << cue << QStringList{"--format", "csv"} << 1
                         << QByteArray("channel,expected,actual\n4,20,24\n") << QByteArray();
    QTest::newRow("csv, all agree") << cue << QStringList{"--format", "csv", "--tolerance", "4"} << 0
                                    << QByteArray("channel,expected,actual\n") << QByteArray();
    QTest::newRow("csv, --no-header") << cue << QStringList{"-f", "csv", "--no-header"} << 1
                                      << QByteArray("4,20,24\n") << QByteArray();
    QTest::newRow("csv, --no-header, all agree") << cue << QStringList{"-f=csv", "--no-header", "--tolerance", "4"}
                                                 << 0 << QByteArray() << QByteArray();
    QTest::newRow("json") << cue << QStringList{"--format", "json"} << 1
                          << QByteArray(R"([{"channel":4,"expected":20,"actual":24}])" "\n") << QByteArray();
    QTest::newRow("json, all agree") << cue << QStringList{"--format", "json", "--tolerance", "4"} << 0
                                     << QByteArray("[]\n") << QByteArray();
    QTest::newRow("a channel past the first block")
        << QByteArray("channel,level\n2,255\n300,0\n") << QStringList{} << 1 << QByteArray("300 0 77\n")
        << QByteArray();
}

void TestCheck::verdicts()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, options);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const ProgramRun result = runLumivane(QStringList{"--port", m_box.link(), "check", file(text)} + options);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.err, err);
    QCOMPARE(result.out, out);
    QCOMPARE(result.code, code);
}

// Only the channels between the lowest and the highest with a level are
// asked for, once: a check is one picture.
void TestCheck::oneBlockOnTheWire()
{
    PtyBox box;
    QVERIFY(box.isReady());
    connect(&box, &PtyBox::bytesReceived, this, [&] {
        if (box.received() == request(5, 7))
            box.send(protocol::block::buildReply(QByteArray("\x05\x06\x07", 3)));
    });
    QProcess check;
    check.start(kProgram, {"--port", box.devicePath(), "check",
                           file("channel,level\n1,\n7,7\n5,5\n9,\n")});
    QSignalSpy finished(&check, &QProcess::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(check.exitStatus(), QProcess::NormalExit);
    QCOMPARE(check.readAllStandardError(), QByteArray());
    QCOMPARE(check.exitCode(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(box.received().toHex(' '), request(5, 7).toHex(' '));
}

void TestCheck::silentBoxAfterThreeAttempts()
{
    PtyBox box;
    QVERIFY(box.isReady());
    const ProgramRun result = runLumivane({"--port", box.devicePath(), "check", file("channel,level\n3,1\n2,\n4,200\n")});
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, 1);
    QCOMPARE(result.out, QByteArray("3 1 \n4 200 \n"));
    QCOMPARE(result.err,
             QByteArray("lumivane: no good picture of channels 3-4 in 3 attempts (no answer, no answer, no answer)\n"));
    QCoreApplication::processEvents();
    QCOMPARE(box.received().toHex(' '), request(3, 4).repeated(3).toHex(' '));
}

// The box answers pictures that agree, then two where channel 2 has
// drifted, then agreeing ones again: the watch says so twice, and ends
// with 1 on Ctrl+C because a channel differed.
void TestCheck::watchRingsOnChanges()
{
    PtyBox box;
    QVERIFY(box.isReady());
    int answered = 0;
    connect(&box, &PtyBox::bytesReceived, this, [&] {
        while (box.received().size() >= (answered + 1) * protocol::block::kRequestLength) {
            ++answered;
            const bool drifted = answered == 3 || answered == 4;
            box.send(protocol::block::buildReply(QByteArray(drifted ? "\x01\x70" : "\x01\x64", 2)));
        }
    });
    QProcess watch;
    watch.start(kProgram, {"--port", box.devicePath(), "--format", "csv", "check", "--watch", "--tolerance", "5",
                           file("channel,level\n1,1\n2,100\n")});
    QVERIFY(watch.waitForStarted());
    QByteArray out;
    QSignalSpy output(&watch, &QProcess::readyReadStandardOutput);
    while (out.count('\n') < 3) {
        QVERIFY2(output.wait(10000), out);
        out += watch.readAllStandardOutput();
    }
    QTRY_VERIFY(answered >= 6); // good pictures keep coming and nothing more is said
    ::kill(pid_t(watch.processId()), SIGINT);
    QSignalSpy finished(&watch, &QProcess::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 1);
    out += watch.readAllStandardOutput();
    const QList<QByteArray> lines = out.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QByteArray("time,channel,expected,actual,verdict"));
    QCOMPARE(lines[1].mid(lines[1].indexOf(',') + 1), QByteArray("2,100,112,differs"));
    QCOMPARE(lines[2].mid(lines[2].indexOf(',') + 1), QByteArray("2,100,100,agrees"));
    QCOMPARE(watch.readAllStandardError(), QByteArray());
}

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
