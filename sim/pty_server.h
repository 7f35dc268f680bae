#pragma once

#include "answer_queue.h"

#include <QObject>
#include <QSocketNotifier>

class SimBox;

// Serves a box on the box side of a pseudo-terminal: feeds it whatever the
// monitor sends and puts its answers on the line when they are due.
class PtyServer : public QObject {
    Q_OBJECT
public:
    // Answers nobody collects pile up no further than this.
    static constexpr qsizetype kMaxUnsent = 64 * 1024;

    PtyServer(int boxSide, SimBox &box, QObject *parent = nullptr);

private:
    void receive();
    void send(const QByteArray &bytes);
    void flush();

    int m_fd;
    SimBox &m_box;
    AnswerQueue m_answers;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    QByteArray m_unsent;
};
