#include "level_pattern.h"
#include "protocol.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString kSimulator = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane-sim");

// The monitor's end of the cable, opened the plain POSIX way.
class HostLine {
public:
    explicit HostLine(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios raw{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::cfsetspeed(&raw, B115200);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~HostLine()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HostLine(const HostLine &) = delete;
    HostLine &operator=(const HostLine &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }

    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Collects what the box sends until `count` bytes came or `within` ran
    // out; stoppedBecause() then says which, for a failure to show.
    QByteArray receive(int count, std::chrono::milliseconds within)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + within;
        QByteArray got;
        m_stoppedBecause = QStringLiteral("nothing more within %1 ms").arg(within.count());
        while (got.size() < count) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= 0ms)
                break;
            pollfd wanted{m_fd, POLLIN, 0};
            const int ready = ::poll(&wanted, 1, int(left.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            char chunk[256];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0) {
                got.append(chunk, int(n));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                m_stoppedBecause = QStringLiteral("read: %1 (poll said %2)")
                                       .arg(QString::fromLocal8Bit(std::strerror(errno)))
                                       .arg(wanted.revents, 0, 16);
                break;
            }
        }
        return got;
    }
    QString stoppedBecause() const { return m_stoppedBecause; }

private:
    int m_fd;
    QString m_stoppedBecause;
};

bool isThere(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Starts the simulator and waits for its ready line, which names the link.
bool startSimulator(QProcess &process, const QStringList &arguments, QByteArray &readyLine)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(kSimulator, arguments);
    if (!process.waitForStarted(5000))
        return false;
    QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
    while (!process.canReadLine()) {
        if (process.state() != QProcess::Running || !output.wait(5000))
            return false;
    }
    readyLine = process.readLine().trimmed();
    return true;
}

bool stopSimulator(QProcess &process)
{
    process.terminate();
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

QByteArray blockRequest(int firstIndex, int lastOffset)
{
    return QByteArray::fromHex("ff00c0") + char(firstIndex) + '\0' + char(lastOffset) + char(0xC1);
}

// The reply a held box gives for channels 1-256.
QByteArray heldReplyForAll()
{
    QByteArray levels;
    for (int channel = 1; channel <= 256; ++channel)
        levels += char(level_pattern::levelAt(channel, 0ms));
    return protocol::block::buildReply(levels);
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private slots:
    void survivesTheHostReopening();
    void optionsReachTheBox_data();
    void optionsReachTheBox();
    void neverReplacesARegularFile();
    void pullsAndPlugsBackItsLine();
    void commandLineAnswers_data();
    void commandLineAnswers();
    void stopSignalsTakeTheLinkAway_data();
    void stopSignalsTakeTheLinkAway();
};

void TestSimPty::survivesTheHostReopening()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("box");
    QVERIFY(QFile::link("/nonexistent/old-device", link)); // left behind by an earlier run

    QProcess simulator;
    QByteArray ready;
    QVERIFY(startSimulator(simulator, {"--link", link}, ready));
    QVERIFY2(ready.startsWith("lumivane-sim: ready on " + QFile::encodeName(link) + " -> /dev/"), ready);

    for (int round = 0; round < 3; ++round) {
        HostLine line(link);
        QVERIFY2(line.isOpen(), qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY(line.send(QByteArray(265, '\0') + "C?"));
        const QByteArray answer = line.receive(1, 5s);
        QVERIFY2(answer == "G", qPrintable(QStringLiteral("round %1: \"%2\", %3, the simulator %4")
                                               .arg(round)
                                               .arg(QString::fromLatin1(answer.toHex()), line.stoppedBecause(),
                                                    simulator.state() == QProcess::Running
                                                        ? QStringLiteral("still running")
                                                        : QStringLiteral("gone"))));
    }

    QVERIFY(stopSimulator(simulator));
    QVERIFY(!isThere(link));
}

void TestSimPty::optionsReachTheBox_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("atLeastMs");

    QTest::newRow("plain probe") << QStringList{} << QByteArray("C?") << QByteArray("G") << 0;
    QTest::newRow("lower case") << QStringList{"--lowercase"} << QByteArray("C?") << QByteArray("g") << 0;
    QTest::newRow("pinned level") << QStringList{"--level", "12=37"} << QByteArray("C011?")
                                  << QByteArray("L037") << 0;
    QTest::newRow("silent channel") << QStringList{"--silent-channels", "3,5"}
                                    << QByteArray("C004?C?") << QByteArray("G") << 0;
    QTest::newRow("extra hex") << QStringList{"--extra-hex", "0d0a"} << QByteArray("C?")
                               << QByteArray("G\r\n") << 0;
    QTest::newRow("extra text") << QStringList{"--extra", "ok"} << QByteArray("C?")
                                << QByteArray("Gok") << 0;
    QTest::newRow("bad end")
        << QStringList{"--level", "1=1", "--level", "2=2", "--bad-end"} << blockRequest(0, 1)
        << QByteArray::fromHex("ffffc0010203c2") << 0;
    QTest::newRow("bad checksum")
        << QStringList{"--level", "1=1", "--level", "2=2", "--bad-checksum"} << blockRequest(0, 1)
        << QByteArray::fromHex("ffffc0010204c1") << 0;
    QTest::newRow("truncated")
        << QStringList{"--level", "1=1", "--truncate", "4"} << blockRequest(0, 0)
        << QByteArray::fromHex("ffffc001") << 0;
    QTest::newRow("a box of 256 channels") << QStringList{"--channels", "256", "--level", "256=9"}
                                           << QByteArray("C511?C255?") << QByteArray("L009") << 0;
    QTest::newRow("silent box") << QStringList{"--silent"} << QByteArray("C?") << QByteArray() << 0;
    QTest::newRow("delay") << QStringList{"--delay", "300"} << QByteArray("C?") << QByteArray("G") << 300;
    // 7 bytes in and 261 out, 86.8 us each.
    QTest::newRow("paced like the line") << QStringList{"--static", "--baud", "115200"} << blockRequest(0, 255)
                                         << heldReplyForAll() << 23;
}

void TestSimPty::optionsReachTheBox()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(int, atLeastMs);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("box");

    QProcess simulator;
    QByteArray ready;
    QVERIFY(startSimulator(simulator, QStringList{"--link", link} + options, ready));
    HostLine line(link);
    QVERIFY(line.isOpen());

    QElapsedTimer clock;
    clock.start();
    QVERIFY(line.send(request));
    // Then wait a little for a byte more than expected, so anything extra
    // shows up; a silent box gets a whole second to prove it stays silent.
    QByteArray got = line.receive(int(answer.size()), 3s);
    got += line.receive(1, answer.isEmpty() ? 1000ms : 200ms);
    QCOMPARE(got.toHex(' '), answer.toHex(' '));
    QVERIFY2(clock.elapsed() >= atLeastMs, qPrintable(QString::number(clock.elapsed())));

    QVERIFY(stopSimulator(simulator));
}

void TestSimPty::neverReplacesARegularFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("settings.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::MergedChannels);
    simulator.start(kSimulator, {"--link", path});
    QVERIFY(simulator.waitForFinished(5000));
    QVERIFY(simulator.exitCode() != 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

// --help and --version are answered on standard output and end the
// simulator at once with success; a bad command line says why and fails.
void TestSimPty::commandLineAnswers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");  // what standard output starts with
    QTest::addColumn<bool>("outWhole"); // and whether that is all of it
    QTest::addColumn<QString>("err");

    const QString usage = QStringLiteral("Usage: %1 [options]\nPlays the DMX transceiver box").arg(kSimulator);
    const QString version = QStringLiteral("lumivane-sim " LUMIVANE_VERSION "\n");
    const QString tryHelp = QStringLiteral("lumivane-sim: Try --help.\n");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << false << QString();
    QTest::newRow("-h") << QStringList{"-h"} << 0 << usage << false << QString();
    QTest::newRow("--help without --link") << QStringList{"--help", "--silent"} << 0 << usage << false << QString();
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << true << QString();
    QTest::newRow("-v") << QStringList{"-v"} << 0 << version << true << QString();
    QTest::newRow("--version before an argument") << QStringList{"--version", "extra"} << 0 << version << true
                                                  << QString();
    QTest::newRow("unknown option") << QStringList{"--help", "--bogus"} << 2 << QString() << true
                                    << "lumivane-sim: Unknown option 'bogus'.\n" + tryHelp;
    QTest::newRow("no --link") << QStringList{"--silent"} << 2 << QString() << true
                               << "lumivane-sim: --link <path> is required.\n" + tryHelp;
}

void TestSimPty::commandLineAnswers()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(bool, outWhole);
    QFETCH(QString, err);

    QProcess simulator;
    simulator.start(kSimulator, arguments);
    QVERIFY(simulator.waitForFinished(10000));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), exitCode);
    const QString printed = QString::fromLocal8Bit(simulator.readAllStandardOutput());
    if (outWhole)
        QCOMPARE(printed, out);
    else
        QVERIFY2(printed.startsWith(out) && printed.contains("--link <path>"), qPrintable(printed));
    QCOMPARE(QString::fromLocal8Bit(simulator.readAllStandardError()), err);
}

void TestSimPty::stopSignalsTakeTheLinkAway_data()
{
    QTest::addColumn<int>("stop");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP, the terminal closed") << int(SIGHUP);
}

void TestSimPty::stopSignalsTakeTheLinkAway()
{
    QFETCH(int, stop);
    QTemporaryDir dir;
    const QString link = dir.filePath("box");
    QProcess simulator;
    QByteArray ready;
    QVERIFY(startSimulator(simulator, {"--link", link}, ready));
    ::kill(pid_t(simulator.processId()), stop);
    QVERIFY(simulator.waitForFinished(5000));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 0);
    QVERIFY(!isThere(link));
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"

// --drop-after/--back-after: the host's side hangs up, the name goes, and a
// new terminal comes back under the same name and answers again.
void TestSimPty::pullsAndPlugsBackItsLine()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("box");
    QProcess simulator;
    QByteArray ready;
    QVERIFY(startSimulator(simulator, {"--link", link, "--drop-after", "300", "--back-after", "300"}, ready));
    HostLine before(link);
    QVERIFY(before.isOpen());
    QVERIFY(before.send("C?"));
    QCOMPARE(before.receive(1, 5s), QByteArray("G"));

    QVERIFY(simulator.canReadLine() || simulator.waitForReadyRead(5000));
    QCOMPARE(simulator.readLine().trimmed(), QByteArray("lumivane-sim: line dropped"));
    pollfd hungUp{before.descriptor(), POLLIN, 0};
    QCOMPARE(::poll(&hungUp, 1, 1000), 1);
    QVERIFY(hungUp.revents & POLLHUP);
    QVERIFY(!QFileInfo::exists(link));

    QVERIFY(simulator.canReadLine() || simulator.waitForReadyRead(5000));
    QVERIFY(simulator.readLine().startsWith("lumivane-sim: line back on " + QFile::encodeName(link)));
    HostLine after(link);
    QVERIFY(after.isOpen());
    QVERIFY(after.send("C?"));
    QCOMPARE(after.receive(1, 5s), QByteArray("G"));
    QVERIFY(stopSimulator(simulator));
}
