#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

// The line the box wants: 115200,n,8,1, no flow control, DTR and RTS raised.
struct LineSettings {
    qint32 baudRate = 115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
    bool dataTerminalReady = true;
    bool requestToSend = true;

    bool operator==(const LineSettings &other) const
    {
        return baudRate == other.baudRate && dataBits == other.dataBits && parity == other.parity
            && stopBits == other.stopBits && flowControl == other.flowControl
            && dataTerminalReady == other.dataTerminalReady && requestToSend == other.requestToSend;
    }
};

// The operations the monitor needs of a serial port, and nothing more.
// Every operation on a port that is not open, or that failed under us,
// reports failure instead of throwing. Bytes travel unchanged, 0x00-0xFF.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual bool isOpen() const = 0;
    virtual bool close() = 0;
    virtual void setPortNumber(int port) = 0; // 1-4, while closed: Port n's device
    // This device instead of Port n's, until the next setPortNumber().
    virtual void setDeviceName(const QString &device) = 0;
    // The device the port has open, or would open next.
    virtual QString deviceName() const = 0;
    virtual void configure(const LineSettings &settings) = 0;
    virtual void setReadLength(int length) = 0; // 0 = all waiting bytes
    virtual bool open() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual int bytesWaiting() const = 0; // clamped to a 16-bit count
    virtual bool discardWaiting() = 0;
    virtual QByteArray read() = 0;

signals:
    // Received bytes have been added to the waiting buffer.
    void bytesArrived();
    // The open port's device went away (a hang-up, an adapter pulled out).
    // The port has been closed; this comes once for each time it was open.
    void lost();
};
