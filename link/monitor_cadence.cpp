#include "monitor_cadence.h"

MonitorCadence::MonitorCadence(SessionClock &clock, QObject *parent)
    : QObject(parent)
    , m_timer(clock.timer(this))
{
    connect(m_timer, &SessionTimer::timeout, this, &MonitorCadence::onTick);
}

void MonitorCadence::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    if (m_timer->isActive())
        m_timer->start(m_interval);
}

void MonitorCadence::setChannel(int slot, int channel)
{
    if (slot >= 0 && slot < m_channels.size())
        m_channels[slot] = channel;
}

void MonitorCadence::start()
{
    m_stopping = false;
    m_timer->start(m_interval);
}

void MonitorCadence::stop()
{
    m_timer->stop();
    m_stopping = true;
}

void MonitorCadence::halt()
{
    m_timer->stop();
    m_stopping = false;
    m_passPending = false;
}

// A tick while a pass waits its turn or runs adds nothing: that pass re-arms
// the timer at its end, so passes stand one interval apart from end to start.
void MonitorCadence::onTick()
{
    if (m_passPending)
        return;
    m_passPending = true;
    emit passDue();
}

void MonitorCadence::passEnded()
{
    m_passPending = false;
    if (m_stopping)
        m_stopping = false;
    else
        m_timer->start(m_interval);
}
