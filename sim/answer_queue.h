#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>

// Holds the box's answers until their moment on the wire, and lets them go
// in the order the box produced them, never from inside the call that queued them.
class AnswerQueue : public QObject {
    Q_OBJECT
public:
    explicit AnswerQueue(QObject *parent = nullptr);

    // Due `delay` from now, but never ahead of anything already queued.
    void push(const QByteArray &bytes, std::chrono::milliseconds delay);
    void clear();
    bool isEmpty() const { return m_pending.empty(); }

signals:
    void due(const QByteArray &bytes);

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point at;
        QByteArray bytes;
    };

    void release();
    void schedule();

    std::deque<Pending> m_pending;
    QTimer m_timer;
};
