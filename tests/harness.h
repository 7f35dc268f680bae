#pragma once

#include "box_session.h"
#include "main_window.h"
#include "platform.h"
#include "sim_port.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
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
// desktop. The box's levels stand still unless a test animates them.
struct MonitorWindow {
    explicit MonitorWindow(bool silentBox = false, bool openFails = false);

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
    // Clicks a button (or action) by its object name, then settles.
    void clickAndSettle(const QString &name);

    RecordingPlatform desktop;
    SimPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<MainWindow> form;
};
