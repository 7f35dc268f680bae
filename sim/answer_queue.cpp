#include "answer_queue.h"

#include <algorithm>

AnswerQueue::AnswerQueue(SessionClock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_timer(clock.timer(this))
{
    connect(m_timer, &SessionTimer::timeout, this, &AnswerQueue::release);
}

void AnswerQueue::push(const QByteArray &bytes, std::chrono::milliseconds delay)
{
    Clock::time_point at = m_clock.now() + delay;
    if (!m_pending.empty())
        at = std::max(at, m_pending.back().at);
    m_pending.push_back({at, bytes});
    if (m_pending.size() == 1)
        schedule();
}

void AnswerQueue::clear()
{
    m_pending.clear();
    m_timer->stop();
}

// Whoever receives an answer may clear the queue under us, so each answer
// leaves the queue before it is handed on. One who asks again at once gets
// the new answer on the next turn of the event loop, not inside this one.
void AnswerQueue::release()
{
    for (size_t left = m_pending.size(); left > 0 && !m_pending.empty() && m_pending.front().at <= m_clock.now(); --left) {
        const QByteArray bytes = m_pending.front().bytes;
        m_pending.pop_front();
        emit due(bytes);
    }
    schedule();
}

void AnswerQueue::schedule()
{
    if (m_pending.empty()) {
        m_timer->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_pending.front().at - m_clock.now());
    m_timer->start(std::max(wait, std::chrono::milliseconds{0}));
}
