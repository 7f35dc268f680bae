#pragma once

#include <QString>

// A raw pseudo-terminal pair standing in for the box's end of the serial
// cable. It keeps its own hold on the device side so the monitor can close
// and reopen the port without the line hanging up under the box.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // False, with the reason in `error`, if the system would not give one.
    bool open(QString &error);

    int boxSide() const { return m_master; }       // non-blocking
    int deviceSide() const { return m_device; }    // the simulator's own hold
    QString deviceName() const { return m_deviceName; } // what the monitor opens

private:
    int m_master = -1;
    int m_device = -1;
    QString m_deviceName;
};
