#pragma once

#include "serial_port.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>

// One command and the wait for its answer: write, arm a single-shot
// time-out, and end when more than `threshold` bytes wait or the time-out
// comes, driven by the port's arrival signal and the timer, never by a
// nested event loop. Then read and hand over what arrived, unjudged.
class Exchange : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray command;
        bool discardFirst = false;
        int threshold = 0;
        int readLength = 0; // 0: all waiting bytes
        // A failing discard or write gives up at once, without a wait.
        bool stopOnPortFailure = false;
        // The longest wait for this answer; zero: the exchange's own time-out.
        std::chrono::milliseconds timeout{0};
    };

    struct Answer {
        QByteArray text;
        int finalCount = 0;      // the waiting count when the wait ended
        bool portFailed = false; // the port failed, or closed under the wait
        bool timedOut = false;   // the time-out, not enough bytes, ended the wait
    };

    explicit Exchange(SerialPort &port, std::chrono::milliseconds timeout, QObject *parent = nullptr);

    // False when it gave up at once; nothing is then reported.
    bool start(const Request &request);
    bool running() const { return m_running; }

    // The port went away: the wait ends now with what is there.
    void endNow();
    // Nothing more is reported for the exchange in flight.
    void abandon();

signals:
    void ended(const Exchange::Answer &answer);

private:
    void onBytesArrived();
    void finish(int finalCount, bool timedOut);

    SerialPort &m_port;
    QTimer m_timeout;
    std::chrono::milliseconds m_defaultTimeout;
    Request m_request;
    bool m_running = false;
    bool m_portTrouble = false;
};
