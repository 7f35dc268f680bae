#pragma once

#include "live_fetch.h"
#include "picture_outcome.h"

#include <QObject>
#include <optional>

class OlaFeed;

// Hands every whole picture of a live fetch to an OLA feed the moment it
// comes, and nothing else: after a failed fetch, or a picture that lacks
// channels, the universe keeps the last whole picture rather than shrinking
// to what came back. A box that has never answered past channel 256 is the
// one case where a shorter picture goes. Tells once when no picture has
// gone for LiveFetch::kStaleAfter, and once when one goes again.
class PictureRelay : public QObject {
    Q_OBJECT
public:
    PictureRelay(LiveFetch &fetch, OlaFeed &feed, QObject *parent = nullptr);

    // Sends the fetch's last good picture now, if it may go.
    void relayLatest();

    bool lineBad() const { return m_lineBad; }
    int picturesRelayed() const { return m_relayed; }

signals:
    // How the latest picture failed; or, good, which channels it lacked
    // (outcome.unread()).
    void lineWentBad(const PictureOutcome &outcome);
    void lineCameBack();

private:
    void onPictureEnded(const PictureOutcome &outcome);
    // Sends the picture if it may go; false when it is held back.
    bool relay(const Picture &picture);

    LiveFetch &m_fetch;
    OlaFeed &m_feed;
    bool m_aboveAnswered = false; // the box has answered past channel 256
    std::optional<LiveFetch::Clock::time_point> m_heldSince;
    bool m_lineBad = false;
    int m_relayed = 0;
};
