#include "manual_clock.h"

#include <QCoreApplication>
#include <algorithm>
#include <tuple>

class ManualClock::Timer : public SessionTimer {
public:
    Timer(ManualClock *clock, QObject *parent)
        : SessionTimer(parent)
        , m_clock(clock)
    {
        m_clock->m_timers.push_back(this);
    }
    ~Timer() override
    {
        if (m_clock)
            m_clock->m_timers.erase(std::find(m_clock->m_timers.begin(), m_clock->m_timers.end(), this));
    }

    void start(std::chrono::milliseconds interval) override
    {
        if (!m_clock)
            return; // the clock is gone: its time no longer comes
        m_active = true;
        m_due = m_clock->m_now + interval;
        m_order = ++m_clock->m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    ManualClock *m_clock;
    bool m_active = false;
    Clock::time_point m_due;
    quint64 m_order = 0;
};

// Far from the epoch, so that a time taken away from now stays a time.
ManualClock::ManualClock()
    : m_now(Clock::time_point{} + std::chrono::hours{1})
{
}

ManualClock::~ManualClock()
{
    for (Timer *timer : m_timers)
        timer->m_clock = nullptr;
}

SessionTimer *ManualClock::timer(QObject *parent)
{
    return new Timer(this, parent);
}

ManualClock::Timer *ManualClock::nextDue(Clock::time_point until) const
{
    Timer *next = nullptr;
    for (Timer *timer : m_timers) {
        if (!timer->m_active || timer->m_due > until)
            continue;
        if (!next || std::tie(timer->m_due, timer->m_order) < std::tie(next->m_due, next->m_order))
            next = timer;
    }
    return next;
}

void ManualClock::fire(Timer *timer)
{
    m_now = std::max(m_now, timer->m_due);
    timer->m_active = false;
    emit timer->timeout();
    QCoreApplication::sendPostedEvents();
}

void ManualClock::advance(std::chrono::milliseconds span)
{
    const Clock::time_point until = m_now + span;
    QCoreApplication::sendPostedEvents();
    while (Timer *timer = nextDue(until))
        fire(timer);
    m_now = until;
}

bool ManualClock::advanceUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    const Clock::time_point until = m_now + limit;
    QCoreApplication::sendPostedEvents();
    while (!done()) {
        Timer *timer = nextDue(until);
        if (!timer)
            return false;
        fire(timer);
    }
    return true;
}
