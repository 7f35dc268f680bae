#include "live_report.h"

namespace {

qint64 msBetween(LiveFetch::Clock::time_point from, LiveFetch::Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

} // namespace

LiveReport::LiveReport(LiveFetch &fetch, int first, int last, int spikeThreshold, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
    , m_tally(first, last, spikeThreshold)
    , m_start(fetch.now())
{
    connect(&fetch, &LiveFetch::pictureEnded, this, &LiveReport::onPictureEnded);
}

void LiveReport::restart()
{
    m_tally.clear();
    m_start = m_fetch.now();
    m_lastPicture.reset();
}

qint64 LiveReport::elapsedMs() const
{
    return msBetween(m_start, m_fetch.now());
}

void LiveReport::onPictureEnded(const PictureOutcome &outcome)
{
    const LiveFetch::Clock::time_point now = m_fetch.now();
    if (m_lastPicture && now - *m_lastPicture > LiveFetch::kStaleAfter)
        m_tally.interrupt();
    m_lastPicture = now;
    m_tally.add(msBetween(m_start, now), outcome.picture);
}
