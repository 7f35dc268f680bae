#pragma once

#include "serial_port.h"
#include "session_clock.h"

#include <QByteArray>
#include <QObject>
#include <chrono>

// One command and the wait for its answer: write, arm a single-shot
// time-out, and end when more than `threshold` bytes wait or the time-out
// comes, driven by the port's arrival signal and the timer, never by a
// nested event loop. Then read and hand over what arrived, unjudged.
//
// A box that answers late answers after the wait has given up, when the
// next command may already be out: its answer would pass for the next
// one's. So after a wait that ended by the time-out, the next command goes
// out only once the line has been quiet for kQuietTime (what arrives
// meanwhile is thrown away and starts the quiet time again), or after
// kMaxQuietWait at most.
//
// A port just opened may still carry the tail of what the box was sending
// to the program before (a block that a killed program asked for): a
// request marked quietFirst goes out once the line has been quiet for
// kOpenQuietTime, longer than a USB adapter holds bytes back and than the
// gaps inside a block, or after kOpenMaxQuietWait at most.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuietTime{500};
    static constexpr std::chrono::milliseconds kMaxQuietWait{2000};
    static constexpr std::chrono::milliseconds kOpenQuietTime{50};
    static constexpr std::chrono::milliseconds kOpenMaxQuietWait{300};

    struct Request {
        QByteArray command;
        bool discardFirst = false;
        int threshold = 0;
        int readLength = 0; // 0: all waiting bytes
        // A failing discard or write gives up at once, without a wait.
        bool stopOnPortFailure = false;
        // The longest wait for this answer; zero: the exchange's own time-out.
        std::chrono::milliseconds timeout{0};
        // Written a byte at a time ahead of the command, after any quiet wait.
        QByteArray leadIn;
        bool quietFirst = false;
    };

    struct Answer {
        QByteArray text;
        int finalCount = 0;      // the waiting count when the wait ended
        bool portFailed = false; // the port failed, or closed under the wait
        bool timedOut = false;   // the time-out, not enough bytes, ended the wait
    };

    Exchange(SerialPort &port, std::chrono::milliseconds timeout, SessionClock &clock, QObject *parent = nullptr);

    // False when it gave up at once; nothing is then reported.
    bool start(const Request &request);
    bool running() const { return m_running || m_quieting; }

    // The port went away: the wait ends now with what is there.
    void endNow();
    // Nothing more is reported for the exchange in flight.
    void abandon();
    // A port newly opened owes nothing to the last one's late answers.
    void lineChanged() { m_quietOwed = false; }
    bool quietOwed() const { return m_quietOwed; }

signals:
    void ended(const Exchange::Answer &answer);

private:
    bool send();
    void beginQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds atMost);
    void onBytesArrived();
    void onQuietEnough();
    void finish(int finalCount, bool timedOut);

    SerialPort &m_port;
    SessionClock &m_clock;
    SessionTimer *m_timeout;
    SessionTimer *m_quiet;
    SessionClock::Clock::time_point m_quietSince; // the start of the whole quiet wait
    std::chrono::milliseconds m_quietTime{0};
    std::chrono::milliseconds m_maxQuietWait{0};
    std::chrono::milliseconds m_defaultTimeout;
    Request m_request;
    bool m_running = false;
    bool m_quieting = false;
    bool m_quietOwed = false;
    bool m_portTrouble = false;
};
