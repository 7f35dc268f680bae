#pragma once

#include <QByteArray>
#include <QObject>

// The line settings the monitor applies to its port on every port choice.
struct LineSettings {
    bool dtrEnable = true;
    bool eofEnable = false;
    int handshaking = 0;      // 0: no flow control at all
    int inputMode = 0;        // 0: text, one character per byte
    bool nullDiscard = false; // NUL bytes stay in the data
    bool rtsEnable = true;
    QByteArray settings = "115200,n,8,1";
};

// The ten operations the monitor needs of a serial port, and nothing more.
// Every operation on a port that is not open, or that failed under us,
// reports failure instead of throwing. Bytes travel unchanged, 0x00-0xFF.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual bool isOpen() const = 0;                          // 1
    virtual bool close() = 0;                                 // 2
    virtual void setPortNumber(int port) = 0;                 // 3
    virtual void configure(const LineSettings &settings) = 0; // 4
    virtual void setReadLength(int length) = 0;               // 5: 0 = all waiting bytes
    virtual bool open() = 0;                                  // 6
    virtual bool write(const QByteArray &bytes) = 0;          // 7
    virtual int bytesWaiting() const = 0;                     // 8: clamped to a 16-bit count
    virtual bool discardWaiting() = 0;                        // 9
    virtual QByteArray read() = 0;                            // 10

signals:
    // Received bytes have been added to the waiting buffer, or the port
    // failed; a waiting exchange looks at the count again.
    void bytesArrived();
};
