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
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &PtyServer::releasePaced);
}

void PtyServer::setBaud(int baud)
{
    m_pacer.emplace(baud);
}

void PtyServer::forgetHost()
{
    m_answers.clear();
    m_unsent.clear();
    m_writable.setEnabled(false);
    m_paceTimer.stop();
    if (m_pacer)
        m_pacer->clear();
    m_heardAt = {};
    m_box.forgetRequest();
}

void PtyServer::receive()
{
    std::array<char, kReadChunk> chunk;
    for (;;) {
        const ssize_t got = ::read(m_fd, chunk.data(), chunk.size());
        if (got > 0) {
            if (m_pacer)
                m_heardAt = m_pacer->heard(int(got), LinePacer::Clock::now());
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
    const qsizetype room = kMaxUnsent - m_unsent.size() - (m_pacer ? m_pacer->waiting() : 0);
    const QByteArray kept = bytes.left(std::max<qsizetype>(room, 0));
    if (m_pacer) {
        // The answer starts once the whole request is in.
        m_pacer->send(kept, std::max(LinePacer::Clock::now(), m_heardAt));
        releasePaced();
        return;
    }
    m_unsent.append(kept);
    flush();
}

// Wakes when the next byte is due and lets out what the line has carried by
// then: a dozen bytes a millisecond at 115200, never a spin.
void PtyServer::releasePaced()
{
    const LinePacer::Clock::time_point now = LinePacer::Clock::now();
    const QByteArray sent = m_pacer->takeSent(now);
    if (!sent.isEmpty()) {
        m_unsent.append(sent);
        flush();
    }
    if (const auto due = m_pacer->nextDue())
        m_paceTimer.start(std::chrono::ceil<std::chrono::milliseconds>(*due - now));
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
