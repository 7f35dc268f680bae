#pragma once

#include <QObject>
#include <chrono>

// One wait of the session's: timeout() once, an interval after start().
class SessionTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starting a timer that is already waiting starts its wait again from now.
    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// Where the session's time comes from and how it waits: the program runs on
// the steady clock and the event loop's timers; a test can put a clock of
// its own there and move it, so that the box's time-outs and quiet lines
// cost the test no time of its own.
class SessionClock {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~SessionClock() = default;

    virtual Clock::time_point now() const = 0;
    // A timer that `parent` owns.
    virtual SessionTimer *timer(QObject *parent) = 0;

    // The program's clock.
    static SessionClock &steady();
};
