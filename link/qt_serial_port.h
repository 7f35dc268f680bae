#pragma once

#include "device_lock.h"
#include "serial_port.h"

#include <QSerialPort>

// The monitor's port on a real serial device (or a pseudo-terminal), through
// QSerialPort.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject *parent = nullptr);

    bool open(const QString &device, const LineSettings &settings) override;
    bool isOpen() const override;
    bool close() override;
    QString deviceName() const override;
    QString openError() const override { return m_openError; }
    bool write(const QByteArray &bytes) override;
    int bytesWaiting() const override;
    bool discardWaiting() override;
    QByteArray read(int maxLength = 0) override;

    // Received bytes kept waiting at most; like a full receive buffer, the
    // line's further bytes are dropped until the monitor reads.
    static constexpr int kMaxWaiting = 32767;

private:
    void takeArrivals();
    bool applySettings(const LineSettings &settings);
    bool lineHungUp(QSerialPort::SerialPortError error) const;
    void onError(QSerialPort::SerialPortError error);

    QString causeOfOpenFault() const;
    void closePort();

    DeviceLock m_lock; // taken before the port opens, let go after it closes
    QSerialPort m_port;
    QString m_deviceName; // as given to the last open
    QString m_openError;
    QByteArray m_waiting; // taken from the device as soon as it arrives
    bool m_writing = false;
};
