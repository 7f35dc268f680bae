#include "pty_server.h"

#include "sim_box.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
constexpr size_t kReadChunk = 4096;
}

PtyServer::PtyServer(int boxSide, SimBox &box, QObject *parent)
    : QObject(parent)
    , m_fd(boxSide)
    , m_box(box)
    , m_readable(boxSide, QSocketNotifier::Read)
    , m_writable(boxSide, QSocketNotifier::Write)
{
    m_writable.setEnabled(false);
    connect(&m_readable, &QSocketNotifier::activated, this, &PtyServer::receive);
    connect(&m_writable, &QSocketNotifier::activated, this, &PtyServer::flush);
    connect(&m_answers, &AnswerQueue::due, this, &PtyServer::send);
}

void PtyServer::receive()
{
    std::array<char, kReadChunk> chunk;
    for (;;) {
        const ssize_t got = ::read(m_fd, chunk.data(), chunk.size());
        if (got > 0) {
            const QByteArray answer = m_box.feed(QByteArray(chunk.data(), got));
            if (!answer.isEmpty())
                m_answers.push(answer, m_box.faults().answerDelay);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // The line is gone for good; listening on would only spin.
            std::fprintf(stderr, "lumivane-sim: read: %s\n", std::strerror(errno));
            m_readable.setEnabled(false);
        }
        return;
    }
}

void PtyServer::send(const QByteArray &bytes)
{
    const qsizetype room = kMaxUnsent - m_unsent.size();
    m_unsent.append(bytes.left(std::max<qsizetype>(room, 0)));
    flush();
}

// The pty takes what fits; the rest waits for the line to drain, and the
// notifier only wakes us while something is actually waiting.
void PtyServer::flush()
{
    while (!m_unsent.isEmpty()) {
        const ssize_t put = ::write(m_fd, m_unsent.constData(), size_t(m_unsent.size()));
        if (put > 0) {
            m_unsent.remove(0, put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            std::fprintf(stderr, "lumivane-sim: write: %s\n", std::strerror(errno));
            m_unsent.clear();
        }
        break;
    }
    m_writable.setEnabled(!m_unsent.isEmpty());
}
