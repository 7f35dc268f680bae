#pragma once

#include "serial_port.h"

#include <QTimer>
#include <chrono>
#include <memory>

// One conversation with the box: what to send, how long to wait, what to read.
struct Exchange {
    QByteArray command;
    bool discardFirst = false;      // empty the receive buffer before sending
    int threshold = 0;              // the wait ends once more bytes than this wait
    bool countBeforeFlag = false;   // the probe reads the count before the time-out flag
    int readLength = -1;            // read length set before the read; -1 keeps it
    bool stopOnPortFailure = false; // give up at once when the port fails
};

struct Answer {
    QByteArray text;        // what the read took from the port
    int finalCount = 0;     // the waiting count seen in the wait's last cycle
    bool portFailed = false; // an operation on the port failed
};

// Owns the port to the box and the response time-out, and runs exchanges:
// write, arm the time-out, wait for enough bytes or the time-out, read.
class TransceiverLink : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kResponseTimeout{500};

    explicit TransceiverLink(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~TransceiverLink() override;

    SerialPort &comDMXPort1() { return *m_port; }
    QTimer &tmrCommsTimeout() { return m_tmrCommsTimeout; }

    Answer exchange(const Exchange &request);

private:
    void tmrCommsTimeout_Timer();

    std::unique_ptr<SerialPort> m_port;
    QTimer m_tmrCommsTimeout;
};
