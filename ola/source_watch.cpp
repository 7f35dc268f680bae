#include "source_watch.h"

#include <algorithm>

void SourceWatch::sent(const QByteArray &frame, int priority)
{
    m_priority = priority;
    if (!m_sent.empty() && m_sent.back().priority == priority && m_sent.back().frame == frame)
        return; // the same levels again keep the older ones in memory
    m_sent.push_back({frame, priority});
    if (int(m_sent.size()) > kRemembered)
        m_sent.pop_front();
}

// olad passes on the longest frame it merged: beyond ours, zeros are no
// other source's doing.
bool SourceWatch::ours(const QByteArray &frame, int priority) const
{
    return std::any_of(m_sent.begin(), m_sent.end(), [&](const Sent &sent) {
        return sent.priority == priority && frame.startsWith(sent.frame)
            && std::all_of(frame.begin() + sent.frame.size(), frame.end(), [](char level) { return level == 0; });
    });
}

bool SourceWatch::echoed(const QByteArray &frame, int priority, Clock::time_point now)
{
    if (m_priority < 0 || ours(frame, priority))
        return false;
    const Other other = priority > m_priority ? Other::Wins : Other::Merged;
    m_lastSign = now;
    const bool changed = other != m_other || (other == Other::Wins && priority != m_otherPriority);
    m_other = other;
    m_otherPriority = other == Other::Wins ? priority : 0;
    return changed;
}

bool SourceWatch::expire(Clock::time_point now)
{
    if (m_other == Other::None || now - m_lastSign < kGoneAfter)
        return false;
    m_other = Other::None;
    m_otherPriority = 0;
    return true;
}

void SourceWatch::reset()
{
    m_sent.clear();
    m_priority = -1;
    m_other = Other::None;
    m_otherPriority = 0;
}
