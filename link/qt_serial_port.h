#pragma once

#include "serial_port.h"

#include <QSerialPort>

// The monitor's port on a real serial device (or a pseudo-terminal), through
// QSerialPort. Settings made while closed are kept and applied on open.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject *parent = nullptr);

    bool isOpen() const override;
    bool close() override;
    void setPortNumber(int port) override;
    void setDeviceName(const QString &device) override;
    QString deviceName() const override;
    void configure(const LineSettings &settings) override;
    void setReadLength(int length) override;
    bool open() override;
    bool write(const QByteArray &bytes) override;
    int bytesWaiting() const override;
    bool discardWaiting() override;
    QByteArray read() override;

    // Received bytes kept waiting at most; like a full receive buffer, the
    // line's further bytes are dropped until the monitor reads.
    static constexpr int kMaxWaiting = 32767;

private:
    void takeArrivals();
    bool applySettings();
    bool lineHungUp(QSerialPort::SerialPortError error) const;
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    int m_portNumber = 1;
    QString m_deviceName; // overrides Port n's device when set
    QString m_openedName; // as given to the open port
    LineSettings m_settings;
    int m_readLength = 0;
    QByteArray m_waiting; // taken from the device as soon as it arrives
};
