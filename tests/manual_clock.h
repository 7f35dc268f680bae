#pragma once

#include "session_clock.h"

#include <chrono>
#include <functional>
#include <vector>

// A session clock that moves only when the test moves it, so that the box's
// time-outs and quiet lines take no time of the test's own. Moving it fires
// each timer that comes due, in the order due (those due together in the
// order they were started), with the clock standing at that timer's moment;
// what a timer's work posts to the event loop is delivered before the next
// one fires, as the event loop would.
class ManualClock : public SessionClock {
public:
    ManualClock();
    ~ManualClock() override;
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    Clock::time_point now() const override { return m_now; }
    SessionTimer *timer(QObject *parent) override;

    // Moves the clock `span` on.
    void advance(std::chrono::milliseconds span);
    // Moves the clock from one due timer to the next until `done` holds.
    // False when it does not within `limit`, or no timer is left to fire.
    bool advanceUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = std::chrono::minutes{1});

private:
    class Timer;
    Timer *nextDue(Clock::time_point until) const;
    void fire(Timer *timer);

    Clock::time_point m_now;
    quint64 m_starts = 0;
    std::vector<Timer *> m_timers;
};
