// Trust in the line: one program on a device whatever name it is reached
// by, a refusal that says why, and programs that let go of the device
// properly however they are ended, or killed.
#include "harness.h"
#include "port_mapping.h"
#include "qt_serial_port.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString kBin = QStringLiteral(LUMIVANE_BIN_DIR);

// A descriptor of the test's own on a device, to look at the line's state
// without taking it. Only root may open a line another holds in exclusive mode.
class Peek {
public:
    explicit Peek(const QString &device)
        : m_fd(::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~Peek()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    bool exclusive() const
    {
        int flag = 0;
        return ::ioctl(m_fd, TIOCGEXCL, &flag) == 0 && flag != 0;
    }

private:
    int m_fd;
};

// The lock file QSerialPort keeps for a device while it has it open.
QString qtLockFile(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    return QStringLiteral("/run/lock/LCK..") + name.replace(u'/', u'_');
}

QString ownName()
{
    return QString::fromLatin1(readFile(QStringLiteral("/proc/self/comm"))).trimmed();
}

// Waits for a started program's first line on standard output.
bool firstLine(QProcess &process)
{
    QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning || !output.wait(10000))
            return false;
    }
    return true;
}

} // namespace

class TestPortTrust : public QObject {
    Q_OBJECT
private slots:
    void refusalsSayWhy_data();
    void refusalsSayWhy();
    void theChosenPortSaysWhyItDidNotOpen();
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void stopSignalsLetGoOfTheDevice_data();
    void stopSignalsLetGoOfTheDevice();
    void theSimulatedBoxTakesTheNextClientAfterAKill_data();
    void theSimulatedBoxTakesTheNextClientAfterAKill();

private:
    QTemporaryDir m_dir;
};

void TestPortTrust::refusalsSayWhy_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("cause");
    const QString held = QStringLiteral("held by another program (%1, PID %2)").arg(ownName()).arg(::getpid());
    QTest::newRow("no such device") << "missing" << "no such device";
    QTest::newRow("a regular file") << "file" << "not a serial device";
    QTest::newRow("/dev/null") << "null" << "not a serial device";
    QTest::newRow("a folder") << "folder" << "not a serial device";
    QTest::newRow("no permission") << "forbidden" << "permission denied; join the dialout group";
    QTest::newRow("held, under the same name") << "held" << held;
    QTest::newRow("held, under a link to it") << "held by link" << held;
}

void TestPortTrust::refusalsSayWhy()
{
    QFETCH(QString, what);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    PtyBox box;
    QVERIFY(box.isReady());
    QtSerialPort holder;
    QString device = box.devicePath();
    if (what == "missing") {
        device = dir.filePath("ttyUSB9");
    } else if (what == "file") {
        device = dir.filePath("levels.csv");
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (what == "null") {
        device = QStringLiteral("/dev/null");
    } else if (what == "folder") {
        device = dir.path();
    } else if (what.startsWith("held")) {
        QVERIFY(holder.open(box.devicePath(), LineSettings{}));
        if (what == "held by link") {
            device = dir.filePath("box");
            QVERIFY(QFile::link(box.devicePath(), device));
        }
    }

    QtSerialPort port;
    bool opened = false;
    if (what == "forbidden") {
        // The pty is root's and not for others: open it as nobody.
        if (::geteuid() == 0) {
            QVERIFY(::seteuid(65534) == 0);
            opened = port.open(device, LineSettings{});
            QVERIFY(::seteuid(0) == 0);
        } else {
            QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions()));
            opened = port.open(device, LineSettings{});
        }
    } else {
        opened = port.open(device, LineSettings{});
    }
    QVERIFY(!opened);
    QVERIFY(!port.isOpen());
    QVERIFY2(port.openError().startsWith(cause), qPrintable(port.openError()));
    if (holder.isOpen()) {
        // The refused one put nothing on the line and left the holder's hold as it was.
        QVERIFY(Peek(box.devicePath()).exclusive() || ::geteuid() != 0);
        QVERIFY(holder.write("C000?"));
        QTRY_COMPARE(box.received(), QByteArray("C000?"));
    }
}

// The status box keeps its words; the chosen port's tool tip says why, and
// stops saying it once the port opens.
void TestPortTrust::theChosenPortSaysWhyItDidNotOpen()
{
    PtyBox box;
    QVERIFY(box.isReady());
    QtSerialPort holder;
    QVERIFY(holder.open(box.devicePath(), LineSettings{}));
    qputenv("LUMIVANE_PORT1", box.devicePath().toLocal8Bit());
    RecordingPlatform desktop;
    BoxSession session(std::make_unique<QtSerialPort>());
    MainWindow window(session, desktop.platform());
    window.load();
    QTRY_VERIFY(session.idle());
    auto *port1 = window.findChild<QRadioButton *>(QStringLiteral("OptSerial_0"));
    QVERIFY(port1);
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtMessageBox"))->text(),
             QStringLiteral("Error Opening COM Port"));
    const QString usual = portToolTip(1);
    const QString held = QStringLiteral("\nNot opened: held by another program (%1, PID %2)").arg(ownName()).arg(::getpid());
    QCOMPARE(port1->toolTip(), usual + held);
    // A hover looks at the devices again and keeps the cause.
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), port1->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(port1, &hover);
    QCOMPARE(port1->toolTip(), usual + held);

    holder.close();
    port1->click();
    QTRY_COMPARE(port1->toolTip(), usual);
    QVERIFY(session.port().isOpen());
    qunsetenv("LUMIVANE_PORT1");
}

// Each program, stopped by a kill or a closed terminal while it has the
// port open, closes it as on Exit: its exclusive hold and its lock file go.
// A command stopped before its work was done ends with 130; a watch ends
// its pass in flight and then with the verdict of its readings.
void TestPortTrust::stopSignalsLetGoOfTheDevice_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("code");
    const QStringList watch{"watch", "1"};
    const QStringList read{"read", "1"};
    const QStringList check{"check", writeFile(m_dir.filePath("expected.csv"), "channel,level\n1,10\n")};
    QTest::newRow("monitor, SIGTERM") << "lumivane-monitor" << QStringList() << int(SIGTERM) << 0;
    QTest::newRow("monitor, SIGHUP") << "lumivane-monitor" << QStringList() << int(SIGHUP) << 0;
    QTest::newRow("lumivane watch, SIGTERM") << "lumivane" << watch << int(SIGTERM) << 1;
    QTest::newRow("lumivane watch, SIGHUP") << "lumivane" << watch << int(SIGHUP) << 1;
    QTest::newRow("lumivane read, SIGTERM") << "lumivane" << read << int(SIGTERM) << 130;
    QTest::newRow("lumivane read, SIGHUP") << "lumivane" << read << int(SIGHUP) << 130;
    QTest::newRow("lumivane check, SIGTERM") << "lumivane" << check << int(SIGTERM) << 130;
    QTest::newRow("lumivane check --watch, before a check, SIGINT")
        << "lumivane" << check + QStringList{"--watch"} << int(SIGINT) << 130;
}

void TestPortTrust::stopSignalsLetGoOfTheDevice()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, stop);
    QFETCH(int, code);
    PtyBox box; // a silent box: the program waits on it when the signal comes
    QVERIFY(box.isReady());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUMIVANE_PORT1", box.devicePath());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(kBin + u'/' + program, arguments);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(box.received().endsWith("?"), 10000);
    const QString lockFile = qtLockFile(box.devicePath());
    const bool qtLocks = QFile::exists(lockFile);
    {
        Peek line(box.devicePath());
        if (!line.isOpen())
            QSKIP("Only root can look at a line held in exclusive mode");
        QVERIFY(line.exclusive());
    }

    ::kill(pid_t(process.processId()), stop);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), code);
    Peek line(box.devicePath());
    QVERIFY(line.isOpen());
    QVERIFY(!line.exclusive());
    if (qtLocks)
        QVERIFY2(!QFile::exists(lockFile), qPrintable(lockFile));
}

// lumivane killed in the middle of a watch cannot tidy up: the simulated
// box, which keeps the line up between clients, does it for it, and the
// next run gets the box, not the rest of an answer the killed one asked for
// (at 2400 baud a block takes the line a second).
void TestPortTrust::theSimulatedBoxTakesTheNextClientAfterAKill_data()
{
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<QString>("channels");
    QTest::newRow("reads") << QStringList() << "1";
    QTest::newRow("blocks, on a paced line") << QStringList{"--baud", "2400"} << "1-256";
}

void TestPortTrust::theSimulatedBoxTakesTheNextClientAfterAKill()
{
    QFETCH(QStringList, line);
    QFETCH(QString, channels);
    SimulatedBox simulator;
    simulator.start(QStringList{"--static", "--level", "1=77"} + line);
    const QString link = simulator.link();
    const QString device = QFile::symLinkTarget(link);

    QProcess watch;
    watch.start(kBin + "/lumivane", {"--port", link, "watch", channels, "--interval", "0"});
    QVERIFY(firstLine(watch));
    {
        // Every descriptor on the line is a host's: this one goes at once.
        Peek line(device);
        if (!line.isOpen())
            QSKIP("Only root can look at a line held in exclusive mode");
        QVERIFY(line.exclusive());
    }
    watch.kill();
    QVERIFY(watch.waitForFinished(5000));
    QCOMPARE(watch.exitStatus(), QProcess::CrashExit);

    QTRY_VERIFY(!Peek(device).exclusive());
    const ProgramRun read = runLumivane({"--port", link, "read", "1"});
    QCOMPARE(read.err, QByteArray());
    QCOMPARE(read.out, QByteArray("1 77\n"));
    QCOMPARE(read.code, 0);
    simulator.stop();
}

QTEST_MAIN(TestPortTrust)
#include "test_port_trust.moc"
