#include "session_clock.h"

#include <QTimer>

namespace {

// Precise: the box's answers are judged against waits of a few hundred
// milliseconds, which a coarse timer could cut by a twentieth.
class SteadyTimer : public SessionTimer {
public:
    explicit SteadyTimer(QObject *parent)
        : SessionTimer(parent)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &SessionTimer::timeout);
    }

    void start(std::chrono::milliseconds interval) override { m_timer.start(interval); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SteadyClock : public SessionClock {
public:
    Clock::time_point now() const override { return Clock::now(); }
    SessionTimer *timer(QObject *parent) override { return new SteadyTimer(parent); }
};

} // namespace

SessionClock &SessionClock::steady()
{
    static SteadyClock clock;
    return clock;
}
