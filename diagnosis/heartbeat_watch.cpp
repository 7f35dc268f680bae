#include "heartbeat_watch.h"

HeartbeatWatch::HeartbeatWatch(std::chrono::milliseconds stillAfter)
    : m_stillAfter(stillAfter)
{
}

HeartbeatWatch::News HeartbeatWatch::take(qint64 ms, std::optional<int> level)
{
    if (!level)
        return News::None;
    if (!m_level || *level != *m_level) {
        m_level = level;
        m_changedAt = ms;
        if (!m_frozen)
            return News::None;
        m_frozen = false;
        return News::Moved;
    }
    if (m_frozen || ms - m_changedAt < m_stillAfter.count())
        return News::None;
    m_frozen = true;
    return News::Froze;
}

void HeartbeatWatch::interrupt()
{
    if (!m_frozen)
        m_level.reset();
}

QString HeartbeatWatch::frozenText(int channel, std::chrono::milliseconds stillAfter)
{
    const qint64 ms = stillAfter.count();
    const QString seconds = ms % 1000 == 0 ? QString::number(ms / 1000) : QString::number(double(ms) / 1000.0, 'g', 6);
    return QStringLiteral("Channel %1 has not moved for %2 s").arg(channel).arg(seconds);
}

QString HeartbeatWatch::movedText(int channel)
{
    return QStringLiteral("Channel %1 moves again").arg(channel);
}
