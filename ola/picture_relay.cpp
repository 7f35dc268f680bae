#include "picture_relay.h"

#include "live_fetch.h"
#include "ola_feed.h"

PictureRelay::PictureRelay(LiveFetch &fetch, OlaFeed &feed, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
    , m_feed(feed)
{
    // Direct, not queued: the picture goes to olad before anything else the
    // event loop holds.
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &PictureRelay::onPictureEnded);
}

void PictureRelay::onPictureEnded(const PictureOutcome &outcome)
{
    if (!outcome.good) {
        if (!m_lineBad && m_fetch.stale()) {
            m_lineBad = true;
            emit lineWentBad(outcome.failure());
        }
        return;
    }
    // Channels the box did not answer (above 256 on a box that serves no
    // more) are left out of the frame rather than sent as levels.
    const QByteArray levels = outcome.picture.answeredRun();
    if (levels.isEmpty())
        return;
    m_feed.send(outcome.picture.first(), levels);
    ++m_relayed;
    if (m_lineBad) {
        m_lineBad = false;
        emit lineCameBack();
    }
}
