#include "monitor_cadence.h"

MonitorCadence::MonitorCadence(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MonitorCadence::onTick);
}

void MonitorCadence::setChannel(int slot, int channel)
{
    if (slot >= 0 && slot < m_channels.size())
        m_channels[slot] = channel;
}

void MonitorCadence::start()
{
    m_stopping = false;
    m_timer.start();
}

void MonitorCadence::stop()
{
    m_timer.stop();
    m_stopping = true;
}

void MonitorCadence::halt()
{
    m_timer.stop();
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
        m_timer.start();
}
