#include "picture_relay.h"

#include "live_fetch.h"
#include "ola_feed.h"

namespace {

constexpr std::array<LevelFetch::Outcome, 5> kFailures{
    LevelFetch::Outcome::NoAnswer, LevelFetch::Outcome::HeaderError, LevelFetch::Outcome::ChecksumError,
    LevelFetch::Outcome::EndByteError, LevelFetch::Outcome::CutShort};

} // namespace

PictureRelay::PictureRelay(LiveFetch &fetch, OlaFeed &feed, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
    , m_feed(feed)
{
    LevelFetch::Outcome ignored;
    takeNewFailure(ignored);
    // Direct, not queued: the picture goes to olad before anything else the
    // event loop holds.
    connect(&m_fetch, &LiveFetch::updated, this, &PictureRelay::onUpdated);
}

bool PictureRelay::takeNewFailure(LevelFetch::Outcome &outcome)
{
    bool failed = false;
    for (LevelFetch::Outcome kind : kFailures) {
        const int count = m_fetch.failures(kind);
        if (count != m_failuresSeen[size_t(kind)]) {
            m_failuresSeen[size_t(kind)] = count;
            outcome = kind;
            failed = true;
        }
    }
    return failed;
}

void PictureRelay::onUpdated()
{
    LevelFetch::Outcome outcome = LevelFetch::Outcome::NoAnswer;
    if (takeNewFailure(outcome)) {
        if (!m_lineBad && m_fetch.stale()) {
            m_lineBad = true;
            emit lineWentBad(outcome);
        }
        return;
    }
    // A fetch for a range changed since counts no failure and leaves the
    // picture as it was: sending that again changes nothing in the universe.
    // Channels the box did not answer (above 256 on a box that serves no
    // more) are left out of the frame rather than sent as levels.
    const QByteArray levels = m_fetch.answeredRun();
    if (levels.isEmpty())
        return;
    m_feed.send(m_fetch.pictureFirst(), levels);
    ++m_relayed;
    if (m_lineBad) {
        m_lineBad = false;
        emit lineCameBack();
    }
}
