#include "live_fetch.h"

#include "box_session.h"
#include "protocol.h"

#include <algorithm>

namespace {

using std::chrono::milliseconds;

// The box's line: 115200 baud, 10 bits a byte.
milliseconds lineTime(int bytes)
{
    return milliseconds{(bytes * 10 * 1000 + 115199) / 115200};
}

// However quick the box has been, a piece asked again gets this much
// beyond the line's own time before it counts as unanswered.
constexpr milliseconds kLeastMargin{30};
constexpr size_t kLatenessKept = 32;

} // namespace

LiveFetch::LiveFetch(BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_pieces(session)
    , m_now([&session] { return session.clock().now(); })
    , m_retry(session.clock().timer(this))
{
    connect(&session, &BoxSession::probed, this, &LiveFetch::onPortBack);
    connect(m_retry, &SessionTimer::timeout, this, &LiveFetch::ask);
    connect(&m_pieces, &PictureFetch::pieceDone, this, &LiveFetch::onPieceDone);
    connect(&m_pieces, &PictureFetch::pictureDone, this, &LiveFetch::onPictureDone);
    connect(&m_pieces, &PictureFetch::freed, this, [this] {
        if (m_running && !m_retry->isActive())
            ask();
    });
}

LiveFetch::~LiveFetch() = default;

void LiveFetch::setRange(int first, int last)
{
    first = std::clamp(first, 1, kChannels);
    last = std::clamp(last, first, kChannels);
    if (first == m_first && last == m_last)
        return;
    m_first = first;
    m_last = last;
    // A queued piece of the old range gives way at once; one on the wire
    // is answered for the old range, and the next picture is of the new one.
    if (m_running && m_pieces.gathering()) {
        m_pieces.abandon();
        if (!m_pieces.asked() && !m_retry->isActive())
            ask();
    }
    emit rangeChanged();
}

void LiveFetch::start()
{
    if (m_running)
        return;
    m_running = true;
    m_startedAt = now();
    // A piece still on the wire from before the pause is waited for.
    if (!m_pieces.asked())
        ask();
}

void LiveFetch::pause()
{
    if (!m_running)
        return;
    m_running = false;
    m_waitingForPort = false;
    m_retry->stop();
    m_pieces.abandon();
    emit paused();
}

void LiveFetch::onPortBack()
{
    if (!m_waitingForPort || m_session.portIsLost())
        return;
    m_waitingForPort = false;
    if (m_running && !m_pieces.asked() && !m_retry->isActive())
        ask();
}

// Pieces past 256 that failed wait out their second; when it is over they
// are asked after the others, the cheapest first.
void LiveFetch::ask()
{
    if (m_waitOutLostPort && m_session.portIsLost()) {
        m_waitingForPort = true;
        emit updated();
        return;
    }
    const bool due = now() >= m_beyondDueAt;
    QVector<PictureFetch::Ask> asks;
    QVector<PictureFetch::Ask> again;
    QVector<Picture::Failure> held;
    for (const picture_plan::Piece &piece : picture_plan::plan(m_first, m_last)) {
        const auto failed = std::find_if(m_beyondFailed.begin(), m_beyondFailed.end(),
                                         [&piece](const Picture::Failure &failure) { return failure.piece == piece; });
        if (failed == m_beyondFailed.end())
            asks << PictureFetch::Ask{piece, milliseconds{0}, std::nullopt};
        else if (due)
            again << PictureFetch::Ask{piece, patienceFor(piece), failed->outcome};
        else
            held << *failed;
    }
    std::stable_sort(again.begin(), again.end(), [](const PictureFetch::Ask &a, const PictureFetch::Ask &b) {
        return a.piece.wireBytes() < b.piece.wireBytes();
    });
    asks += again;
    m_pictureLineTime = milliseconds{0};
    for (const PictureFetch::Ask &each : std::as_const(asks))
        m_pictureLineTime += lineTime(each.piece.wireBytes());
    m_pictureStarted = m_session.clock().now();
    m_pieces.begin(m_first, m_last, asks, held);
}

milliseconds LiveFetch::patienceFor(const picture_plan::Piece &piece) const
{
    milliseconds late{0};
    for (const milliseconds each : m_lateness)
        late = std::max(late, each);
    const milliseconds patience = lineTime(piece.wireBytes()) + std::max(kLeastMargin, 2 * late);
    return std::min(patience, milliseconds{protocol::kResponseTimeout});
}

void LiveFetch::onPieceDone(const PictureFetch::Ask &ask, const LevelFetch &fetch, milliseconds took)
{
    const bool good = fetch.outcome == LevelFetch::Outcome::Success;
    if (good) {
        m_lateness.push_back(std::max(took - lineTime(ask.piece.wireBytes()), milliseconds{0}));
        if (m_lateness.size() > kLatenessKept)
            m_lateness.pop_front();
    } else {
        ++m_failures[size_t(fetch.outcome)];
    }
    if (!ask.piece.beyondWindow())
        return;
    m_beyondFailed.erase(std::remove_if(m_beyondFailed.begin(), m_beyondFailed.end(),
                                        [&ask](const Picture::Failure &failure) { return failure.piece == ask.piece; }),
                         m_beyondFailed.end());
    if (good) {
        if (m_beyondFailed.isEmpty())
            m_beyondBackoff = kAskAgainAfter;
        return;
    }
    m_beyondFailed.append({ask.piece, fetch.outcome});
    if (now() >= m_beyondDueAt) { // the first failure of a round of asks
        m_beyondDueAt = now() + m_beyondBackoff;
        m_beyondBackoff = std::min<milliseconds>(m_beyondBackoff * 2, kAskAgainAtMost);
    }
}

void LiveFetch::onPictureDone(const Picture &picture)
{
    if (!m_running)
        return;
    const bool ours = picture.covers(m_first, m_last);
    if (picture.good() && ours) {
        take(picture);
        ask();
        emit pictureEnded(PictureOutcome{true, m_picture});
        emit updated();
        return;
    }
    if (m_pictureLineTime.count() == 0) {
        // Nothing could be asked: every piece waits out its second.
        const auto wait = std::chrono::duration_cast<milliseconds>(m_beyondDueAt - now());
        m_retry->start(std::clamp(wait, milliseconds{1}, milliseconds{kAskAgainAtMost}));
    } else {
        // A failure that took its time on the line (a time-out, a bad
        // frame) is asked again at once; one that came at once (a port that
        // is gone) no faster than the line could carry the picture.
        const auto spent = std::chrono::duration_cast<milliseconds>(m_session.clock().now() - m_pictureStarted);
        m_retry->start(std::max(m_pictureLineTime - spent, milliseconds{0}));
    }
    if (ours)
        emit pictureEnded(PictureOutcome{false, picture});
    emit updated();
}

void LiveFetch::take(Picture picture)
{
    const Clock::time_point at = now();
    picture.at = at;
    for (int channel = picture.first(); channel <= picture.last(); ++channel) {
        const std::optional<int> before = m_picture.level(channel);
        const std::optional<int> after = picture.level(channel);
        if (before && after && *before != *after)
            m_changedAt[size_t(channel - 1)] = at;
    }
    m_picture = picture;
    m_lastGood = at;
    ++m_goodPictures;
    m_goodTimes.push_back(at);
    while (at - m_goodTimes.front() >= std::chrono::seconds{1})
        m_goodTimes.pop_front();
    m_history.add(at, picture.first(), picture.levels());
}

bool LiveFetch::changedLately(int channel) const
{
    Q_ASSERT(channel >= 1 && channel <= kChannels);
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
