#include "picture_relay.h"

#include "ola_feed.h"

#include <algorithm>

namespace {

bool answersAboveWindow(const Picture &picture)
{
    for (int channel = std::max(picture.first(), picture_plan::kWindow + 1); channel <= picture.last(); ++channel) {
        if (picture.level(channel))
            return true;
    }
    return false;
}

// Only silence past 256 from a box that never answered there: a garbled
// reply comes from a box that serves the channels.
bool onlySilentAboveWindow(const QVector<Picture::Failure> &failures)
{
    return std::all_of(failures.begin(), failures.end(), [](const Picture::Failure &failure) {
        return failure.piece.beyondWindow() && failure.outcome == LevelFetch::Outcome::NoAnswer;
    });
}

} // namespace

PictureRelay::PictureRelay(LiveFetch &fetch, OlaFeed &feed, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
    , m_feed(feed)
{
    // Direct, not queued: the picture goes to olad before anything else the
    // event loop holds.
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &PictureRelay::onPictureEnded);
}

void PictureRelay::relayLatest()
{
    if (m_fetch.goodPictures() > 0)
        relay(m_fetch.picture());
}

bool PictureRelay::relay(const Picture &picture)
{
    m_aboveAnswered = m_aboveAnswered || answersAboveWindow(picture);
    const QVector<Picture::Failure> failures = picture.failures();
    if (!failures.isEmpty() && (m_aboveAnswered || !onlySilentAboveWindow(failures)))
        return false;
    const QByteArray levels = picture.answeredRun();
    if (levels.isEmpty())
        return false;
    m_feed.send(picture.first(), levels);
    ++m_relayed;
    return true;
}

void PictureRelay::onPictureEnded(const PictureOutcome &outcome)
{
    if (outcome.good && relay(outcome.picture)) {
        m_heldSince.reset();
        if (m_lineBad) {
            m_lineBad = false;
            emit lineCameBack();
        }
        return;
    }
    const LiveFetch::Clock::time_point now = m_fetch.now();
    if (!m_heldSince)
        m_heldSince = now;
    if (now - *m_heldSince >= LiveFetch::kStaleAfter && !m_lineBad) {
        m_lineBad = true;
        emit lineWentBad(outcome);
    }
}
