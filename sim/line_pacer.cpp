#include "line_pacer.h"

#include <algorithm>

namespace {
constexpr int kBitsPerByte = 10;
}

LinePacer::LinePacer(int baud)
    : m_byteTime(std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds{
          (std::chrono::nanoseconds::period::den * kBitsPerByte + baud - 1) / baud}))
{
}

LinePacer::Clock::time_point LinePacer::heard(int count, Clock::time_point now)
{
    m_inFree = std::max(now, m_inFree) + count * m_byteTime;
    return m_inFree;
}

void LinePacer::send(const QByteArray &bytes, Clock::time_point earliest)
{
    if (bytes.isEmpty())
        return;
    const Clock::time_point start = std::max(earliest, m_outFree);
    m_outFree = start + bytes.size() * m_byteTime;
    m_runs.push_back({start, bytes, 0});
    m_waiting += bytes.size();
}

QByteArray LinePacer::takeSent(Clock::time_point now)
{
    QByteArray sent;
    while (!m_runs.empty()) {
        Run &run = m_runs.front();
        if (now < run.start)
            break;
        const qsizetype done = std::min<qsizetype>((now - run.start) / m_byteTime, run.bytes.size());
        sent += run.bytes.mid(run.taken, done - run.taken);
        m_waiting -= done - run.taken;
        run.taken = done;
        if (done < run.bytes.size())
            break;
        m_runs.pop_front();
    }
    return sent;
}

void LinePacer::clear()
{
    m_runs.clear();
    m_waiting = 0;
    m_inFree = {};
    m_outFree = {};
}

std::optional<LinePacer::Clock::time_point> LinePacer::nextDue() const
{
    if (m_runs.empty())
        return std::nullopt;
    const Run &run = m_runs.front();
    return run.start + (run.taken + 1) * m_byteTime;
}
