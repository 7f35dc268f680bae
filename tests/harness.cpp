#include "harness.h"

#include "accessible_faces.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out.append(char(value));
    return out;
}

PacedBox::PacedBox()
    : box(false)
{
    connect(&pty, &PtyBox::bytesReceived, this, [this] {
        const QByteArray answer = box.feed(pty.received().mid(m_taken));
        m_taken = int(pty.received().size());
        if (!answer.isEmpty())
            QTimer::singleShot(5, this, [this, answer] { pty.send(answer); });
    });
}

void PacedBox::setLevels(quint8 (*level)(int channel))
{
    for (int channel = 1; channel <= SimBox::kChannels; ++channel)
        box.setLevel(channel, level(channel));
}

QByteArray PacedBox::levels() const
{
    QByteArray levels;
    for (int channel = 1; channel <= SimBox::kChannels; ++channel)
        levels += char(box.level(channel));
    return levels;
}

SilentPort::SilentPort()
    : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::listen(m_fd, 8) == 0 && ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
}

SilentPort::~SilentPort()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

PtyBox::PtyBox()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_devicePath = QString::fromLocal8Bit(ptsname(m_master));
    m_slaveKeepAlive = ::open(m_devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios raw{};
    if (m_slaveKeepAlive >= 0 && tcgetattr(m_slaveKeepAlive, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(m_slaveKeepAlive, TCSANOW, &raw);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyBox::drain);
}

PtyBox::~PtyBox()
{
    delete m_notifier;
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    if (m_master >= 0)
        ::close(m_master);
}

void PtyBox::drain()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0) {
        m_received.append(buffer, int(n));
        emit bytesReceived();
    }
}

bool PtyBox::send(const QByteArray &bytes)
{
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

Platform RecordingPlatform::platform()
{
    Platform platform;
    platform.beep = [this] {
        ++beeps;
        if (onBeep)
            onBeep();
    };
    platform.messageBox = [this](QWidget *, const QString &text, const QString &title) {
        boxTexts << text;
        boxTitles << title;
        if (onMessageBox)
            onMessageBox();
    };
    platform.endProgram = [this] { ++ends; };
    return platform;
}

namespace {

// The monitor's settings go to a folder of the test's own, never the
// operator's: set before any window reads them.
void startAsTheMonitorDoes()
{
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}
Q_COREAPP_STARTUP_FUNCTION(startAsTheMonitorDoes)

} // namespace

MonitorWindow::MonitorWindow(bool silentBox, bool openFails, Time time)
{
    // The windows speak to a reader as in the program, which installs the
    // faces once its application is whole (installed twice, a face keeps
    // its place).
    installAccessibleFaces();
    // Every rig starts as on a first run, whatever the case before kept.
    QSettings(QStringLiteral("Lumivane"), QStringLiteral("lumivane-monitor")).remove(QStringLiteral("LiveChannels"));
    if (time == Time::Manual)
        clock = std::make_unique<ManualClock>();
    SessionClock &sessionClock = clock ? static_cast<SessionClock &>(*clock) : SessionClock::steady();
    auto owned = std::make_unique<SimPort>(sessionClock);
    port = owned.get();
    port->box().setAnimated(false);
    port->box().faults().silent = silentBox;
    port->setOpenFails(openFails);
    session = std::make_unique<BoxSession>(std::move(owned), sessionClock);
    session->setPortResolver(SimPort::portName);
    form = std::make_unique<MainWindow>(*session, desktop.platform());
}

QString MonitorWindow::text(const QString &name) const
{
    if (auto *edit = child<QLineEdit>(name))
        return edit->text();
    if (auto *button = child<QAbstractButton>(name))
        return button->text();
    if (auto *label = child<QLabel>(name))
        return label->text();
    return QStringLiteral("<no %1>").arg(name);
}

void MonitorWindow::load()
{
    form->load();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    settle();
}

LiveWindow::LiveWindow(Time time)
    : MonitorWindow(false, false, time)
{
    load();
    child<QAction>(QStringLiteral("mnuLiveChannels"))->trigger();
    live = form->liveChannelsWindow();
}

void MonitorWindow::settle()
{
    if (clock)
        QVERIFY(runUntil([this] { return session->idle(); }));
    else
        QTRY_VERIFY_WITH_TIMEOUT(session->idle(), 10000);
}

bool MonitorWindow::runUntil(const std::function<bool()> &done)
{
    return clock && clock->advanceUntil(done);
}

void MonitorWindow::clickAndSettle(const QString &name)
{
    if (auto *button = child<QAbstractButton>(name))
        button->click();
    else if (auto *action = child<QAction>(name))
        action->trigger();
    else
        QFAIL(qPrintable(QStringLiteral("no control %1").arg(name)));
    settle();
}

void SimulatedBox::start(const QStringList &options)
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QStringLiteral("box"));
    QString error;
    QVERIFY2(m_simulator.start(m_link, options, error), qPrintable(error));
}

void SimulatedBox::stop()
{
    QVERIFY(m_simulator.stop());
}

ProgramRun runProgram(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment) {
        if (setting.contains(u'='))
            variables.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        else
            variables.remove(setting);
    }
    process.setProcessEnvironment(variables);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {QProcess::CrashExit, -1, {}, {}};
    if (finished.isEmpty() && !finished.wait(20000)) {
        process.kill();
        process.waitForFinished();
    }
    const QProcess::ExitStatus status = process.exitStatus();
    return {status, status == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

ProgramRun runLumivane(const QStringList &arguments, const QStringList &environment)
{
    return runProgram(QStringLiteral(LUMIVANE_BIN_DIR "/lumivane"), arguments, environment);
}

QString writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? path : QString();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
