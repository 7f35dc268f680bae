#pragma once

#include <QObject>
#include <QString>
#include <memory>

class DeviceLink;
class HostRelease;
class PseudoTerminal;
class PtyServer;
class SimBox;

// The box's end of the cable: a pseudo-terminal serving the box, reached by
// the monitor through a stable link name. It can be pulled and plugged back
// like a USB adapter: down() closes the terminal and takes the name away
// (the monitor's side hangs up); up() makes a new one under the same name.
class SimLine : public QObject {
    Q_OBJECT
public:
    SimLine(QString linkPath, SimBox &box, QObject *parent = nullptr);
    ~SimLine() override;

    // False, with the reason in `error`, if no terminal or link could be made.
    bool up(QString &error);
    void down();
    bool isUp() const { return m_server != nullptr; }
    // Paces the line like a serial one at this rate; 0: the terminal's own speed.
    void setBaud(int baud) { m_baud = baud; }
    QString deviceName() const; // the terminal the link points at, while up

private:
    QString m_linkPath;
    SimBox &m_box;
    int m_baud = 0;
    std::unique_ptr<PseudoTerminal> m_terminal;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<PtyServer> m_server;
    std::unique_ptr<HostRelease> m_hostRelease;
};
