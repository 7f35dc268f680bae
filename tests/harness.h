#pragma once

#include "box_session.h"
#include "live_channels_window.h"
#include "main_window.h"
#include "manual_clock.h"
#include "platform.h"
#include "sim_box.h"
#include "sim_port.h"
#include "sim_process.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

// Bytes written as numbers, for byte-exact expectations: bytes({0xFF, 0x00}).
QByteArray bytes(std::initializer_list<int> values);

// A pseudo-terminal whose far end the test plays as the box: the monitor
// opens devicePath() as its serial port. What the monitor writes collects in
// received() as the event loop runs.
class PtyBox : public QObject {
    Q_OBJECT
public:
    PtyBox();
    ~PtyBox() override;

    bool isReady() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }

    QByteArray received() const { return m_received; }
    bool send(const QByteArray &bytes);

signals:
    void bytesReceived();

private:
    void drain();

    QByteArray m_received;
    QSocketNotifier *m_notifier = nullptr;
    int m_master = -1;
    int m_slaveKeepAlive = -1; // keeps the line up while the monitor closes and reopens it
    QString m_devicePath;
};

// A simulated box on a pseudo-terminal: it answers what a program asks,
// 5 ms later, so that the program fetches about as fast as a real line
// allows. Its levels stand still unless the test sets them.
class PacedBox : public QObject {
public:
    PacedBox();
    void setLevels(quint8 (*level)(int channel));
    // Channels 1..512 as the box holds them now.
    QByteArray levels() const;

    PtyBox pty;
    SimBox box;

private:
    int m_taken = 0;
};

// Something that takes connections on a loopback port and never says a
// word: the kernel completes a connection that waits to be accepted.
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort &) = delete;
    SilentPort &operator=(const SilentPort &) = delete;

    quint16 port = 0; // 0: could not listen

private:
    int m_fd = -1;
};

// Stands in for the desktop: counts beeps, answers message boxes, and
// records an Exit instead of ending the test.
class RecordingPlatform {
public:
    Platform platform();

    std::function<void()> onBeep;       // runs inside the beep, where the monitor is
    std::function<void()> onMessageBox; // runs while the message box would be open
    int beeps = 0;
    int ends = 0;
    QStringList boxTexts;
    QStringList boxTitles;
};

// The main window and its session on the in-process box, with a recording
// desktop. The box's levels stand still unless a test animates them. On
// manual time the session and the box wait on `clock`, which settle() and
// runUntil() move; on steady time they wait as the program does.
struct MonitorWindow {
    enum class Time { Steady, Manual };

    explicit MonitorWindow(bool silentBox = false, bool openFails = false, Time time = Time::Steady);

    template <typename T>
    T *child(const QString &name) const
    {
        return form->findChild<T *>(name);
    }
    // The text or caption of a line edit, button or label.
    QString text(const QString &name) const;
    // load(), the window on screen, and the start-up probe over.
    void load();
    // Waits until the session has served every request made so far.
    void settle();
    // On manual time: moves the clock until `done` holds; false if it never does.
    bool runUntil(const std::function<bool()> &done);
    // Clicks a button (or action) by its object name, then settles.
    void clickAndSettle(const QString &name);

    RecordingPlatform desktop;
    std::unique_ptr<ManualClock> clock;
    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<MainWindow> form;
};

// The monitor loaded, with its Live Channels window open.
struct LiveWindow : MonitorWindow {
    explicit LiveWindow(Time time = Time::Steady);

    // A control of Live Channels by its name, or the one of its kind.
    template <typename T>
    T *in(const QString &name = {}) const
    {
        return name.isEmpty() ? live->findChild<T *>() : live->findChild<T *>(name);
    }

    QPointer<LiveChannelsWindow> live;
};

// lumivane-sim serving one box for a whole test program (or one test),
// behind a link in a folder of its own, where tests may keep their files too.
class SimulatedBox {
public:
    // Fails the test when the box does not come up.
    void start(const QStringList &options);
    // Fails the test when the box does not end on being asked to.
    void stop();

    QString link() const { return m_link; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_link;
    SimProcess m_simulator{QStringLiteral(LUMIVANE_BIN_DIR "/lumivane-sim")};
};

// A run of a program to its end, as a script runs it.
struct ProgramRun {
    QProcess::ExitStatus status;
    int code; // -1 when it crashed, did not start or hung
    QByteArray out;
    QByteArray err;
};

// Runs `program` (a path, or a name on PATH) with `arguments`, and
// `environment` ("NAME=value", or "NAME" to leave NAME out) on top of the
// test's own. The test's event
// loop runs meanwhile, so that a box the test plays answers; a run that hangs
// is killed, and shows as a crash.
ProgramRun runProgram(const QString &program, const QStringList &arguments, const QStringList &environment = {});
// lumivane, as built.
ProgramRun runLumivane(const QStringList &arguments, const QStringList &environment = {});

// Writes `text` into the file at `path`; the path, or empty when it cannot.
QString writeFile(const QString &path, const QByteArray &text);
// What the file at `path` holds; a null array when it cannot be read.
QByteArray readFile(const QString &path);
