#include "live_fetch.h"

#include "box_session.h"
#include "protocol.h"

#include <algorithm>

namespace {

// The request and the reply of a block, 10 bits a byte at 115200 baud.
std::chrono::milliseconds lineTime(int count)
{
    const int bytes = protocol::block::kRequestLength + protocol::block::replyLength(count);
    return std::chrono::milliseconds{(bytes * 10 * 1000 + 115199) / 115200};
}

} // namespace

LiveFetch::LiveFetch(BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &LiveFetch::ask);
    connect(&m_session, &BoxSession::levelsFetched, this, &LiveFetch::onFetched);
}

LiveFetch::~LiveFetch()
{
    withdraw();
}

void LiveFetch::setRange(int first, int last)
{
    first = std::clamp(first, 1, kChannels);
    last = std::clamp(last, first, kChannels);
    if (first == m_first && last == m_last)
        return;
    m_first = first;
    m_last = last;
    // A queued fetch for the old range gives way at once; one on the wire
    // is answered for the old range, and the next asks for the new one.
    if (m_running && m_asked) {
        withdraw();
        if (!m_asked && !m_retry.isActive())
            ask();
    }
}

void LiveFetch::start()
{
    if (m_running)
        return;
    m_running = true;
    m_startedAt = now();
    // A fetch still on the wire from before the pause brings the first picture.
    if (!m_asked)
        ask();
}

void LiveFetch::pause()
{
    if (!m_running)
        return;
    m_running = false;
    m_retry.stop();
    withdraw();
}

void LiveFetch::ask()
{
    m_asked = true;
    m_askedAt.start();
    m_session.fetchLevels(m_first, m_last);
}

// The live view is the only one to fetch; had its fetch already gone to the
// wire, nothing leaves the queue and its answer is still to come.
void LiveFetch::withdraw()
{
    if (m_asked && m_session.cancelFetches() > 0)
        m_asked = false;
}

void LiveFetch::onFetched(const LevelFetch &fetch)
{
    if (!m_asked)
        return;
    m_asked = false;
    if (!m_running)
        return;
    if (fetch.first == m_first && fetch.count == m_last - m_first + 1)
        take(fetch);
    if (fetch.outcome == LevelFetch::Outcome::Success) {
        ask();
    } else {
        // A failure that took its time on the line (a time-out, a bad
        // frame) is asked again at once; one that came at once (a port that
        // is gone) no faster than the line could carry a block.
        const auto spent = std::chrono::milliseconds{m_askedAt.elapsed()};
        m_retry.start(std::max(lineTime(m_last - m_first + 1) - spent, std::chrono::milliseconds{0}));
    }
    emit updated();
}

void LiveFetch::take(const LevelFetch &fetch)
{
    const Clock::time_point at = now();
    if (fetch.outcome != LevelFetch::Outcome::Success) {
        ++m_failures[size_t(fetch.outcome)];
        return;
    }
    const Picture picture{at, fetch.first, fetch.levels};
    for (int i = 0; i < picture.levels.size(); ++i) {
        const int channel = picture.first + i;
        const std::optional<int> before = levelIn(m_picture, channel);
        if (before && *before != quint8(picture.levels[i]))
            m_changedAt[size_t(channel - 1)] = at;
    }
    m_picture = picture;
    m_lastGood = at;
    m_goodTimes.push_back(at);
    while (at - m_goodTimes.front() >= std::chrono::seconds{1})
        m_goodTimes.pop_front();
    m_history.add(at, picture.first, picture.levels);
}

std::optional<int> LiveFetch::levelIn(const Picture &picture, int channel)
{
    const int index = channel - picture.first;
    if (index < 0 || index >= picture.levels.size())
        return std::nullopt;
    return quint8(picture.levels[index]);
}

std::optional<int> LiveFetch::level(int channel) const
{
    return levelIn(m_picture, channel);
}

bool LiveFetch::changedLately(int channel) const
{
    if (channel < 1 || channel > kChannels)
        return false;
    const std::optional<Clock::time_point> at = m_changedAt[size_t(channel - 1)];
    return at && now() - *at < kChangeShownFor;
}

bool LiveFetch::stale() const
{
    if (!m_running)
        return false;
    // Counted from the start as well, so that resuming after a long pause
    // does not grey the picture before the first block could come.
    const Clock::time_point since = m_lastGood ? std::max(*m_lastGood, m_startedAt) : m_startedAt;
    return now() - since >= kStaleAfter;
}

std::optional<LiveFetch::Clock::duration> LiveFetch::sinceLastGood() const
{
    if (!m_lastGood)
        return std::nullopt;
    return now() - *m_lastGood;
}

int LiveFetch::picturesInLastSecond() const
{
    const Clock::time_point at = now();
    return int(std::count_if(m_goodTimes.begin(), m_goodTimes.end(),
                             [at](Clock::time_point good) { return at - good < std::chrono::seconds{1}; }));
}

int LiveFetch::failures(LevelFetch::Outcome outcome) const
{
    return m_failures[size_t(outcome)];
}

bool LiveFetch::togglePin(int channel)
{
    if (m_pinned.removeOne(channel)) {
        emit pinsChanged();
        return true;
    }
    if (channel < 1 || channel > kChannels || m_pinned.size() >= kMaxPinned)
        return false;
    m_pinned << channel;
    emit pinsChanged();
    return true;
}

QVector<LiveFetch::Sample> LiveFetch::history(int channel) const
{
    return m_history.samples(channel, now() - kHistorySpan);
}
