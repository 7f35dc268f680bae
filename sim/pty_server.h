#pragma once

#include "answer_queue.h"
#include "line_pacer.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <optional>

class SimBox;

// Serves a box on the box side of a pseudo-terminal: feeds it whatever the
// monitor sends and puts its answers on the line when they are due.
class PtyServer : public QObject {
    Q_OBJECT
public:
    // Answers nobody collects pile up no further than this.
    static constexpr qsizetype kMaxUnsent = 64 * 1024;

    PtyServer(int boxSide, SimBox &box, QObject *parent = nullptr);

    // Paces both directions like a real line at `baud` (10 bits a byte);
    // without it the pseudo-terminal's own speed rules.
    void setBaud(int baud);

    // The host has gone: answers it did not wait for, those the line was
    // still carrying included, and a request it did not finish are dropped,
    // not left for the next one.
    void forgetHost();

private:
    void receive();
    void send(const QByteArray &bytes);
    void flush();
    void releasePaced();

    int m_fd;
    SimBox &m_box;
    AnswerQueue m_answers;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    QByteArray m_unsent;

    std::optional<LinePacer> m_pacer;
    QTimer m_paceTimer;
    LinePacer::Clock::time_point m_heardAt{};
};
