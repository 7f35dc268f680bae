#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

// Sees the host let go of the line. The simulator keeps its own hold on the
// device, so the terminal outlives each host and keeps what a host left
// behind: the exclusive mode of one that was killed before it could clear it
// (every later host is then refused with EBUSY) and answers it never read
// (the next host would take them for its own). At every close of the
// device, a killed process's too, whether any host still has it open is
// looked at; when none has, both are cleared and released() says so.
class HostRelease : public QObject {
    Q_OBJECT
public:
    // `device` is the terminal's name, `deviceSide` the simulator's own
    // descriptor on it.
    HostRelease(const QString &device, int deviceSide, QObject *parent = nullptr);
    ~HostRelease() override;

signals:
    void released();

private:
    void onEvents();

    int m_deviceSide;
    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
