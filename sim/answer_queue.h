#pragma once

#include "session_clock.h"

#include <QByteArray>
#include <QObject>
#include <chrono>
#include <deque>

// Holds the box's answers until their moment on the wire, and lets them go
// in the order the box produced them, never from inside the call that queued them.
class AnswerQueue : public QObject {
    Q_OBJECT
public:
    explicit AnswerQueue(SessionClock &clock = SessionClock::steady(), QObject *parent = nullptr);

    // Due `delay` from now, but never ahead of anything already queued.
    void push(const QByteArray &bytes, std::chrono::milliseconds delay);
    void clear();
    bool isEmpty() const { return m_pending.empty(); }

signals:
    void due(const QByteArray &bytes);

private:
    using Clock = SessionClock::Clock;
    struct Pending {
        Clock::time_point at;
        QByteArray bytes;
    };

    void release();
    void schedule();

    SessionClock &m_clock;
    SessionTimer *m_timer;
    std::deque<Pending> m_pending;
};
