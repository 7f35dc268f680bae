#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

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

// A serial device, and the operations the monitor needs of it: nothing
// more. Which device stands behind the operator's Port n is decided above
// it. Every operation on a port that is not open, or that failed under us,
// reports failure instead of throwing. Bytes travel unchanged, 0x00-0xFF.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // Opens `device` with `settings`; false when it will not open or will
    // not take the settings (it is then left closed).
    virtual bool open(const QString &device, const LineSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    virtual bool close() = 0;
    // The device open, or the one last asked for.
    virtual QString deviceName() const = 0;
    // Why the last open failed, in the operator's words; empty after one
    // that worked, or where the port cannot tell.
    virtual QString openError() const { return {}; }
    virtual bool write(const QByteArray &bytes) = 0;
    virtual int bytesWaiting() const = 0; // clamped to a 16-bit count
    virtual bool discardWaiting() = 0;
    // Takes at most `maxLength` waiting bytes; 0 takes them all.
    virtual QByteArray read(int maxLength = 0) = 0;

signals:
    // Received bytes have been added to the waiting buffer.
    void bytesArrived();
    // The open port's device went away (a hang-up, an adapter pulled out).
    // The port has been closed; this comes once for each time it was open.
    void lost();
};
