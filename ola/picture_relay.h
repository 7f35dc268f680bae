#pragma once

#include "level_fetch.h"
#include "picture_outcome.h"

#include <QObject>

class LiveFetch;
class OlaFeed;

// Hands every good picture of a live fetch to an OLA feed the moment it
// comes, and nothing else: after a failed fetch the universe keeps the last
// good levels. Tells once when the line stops giving good pictures and once
// when it gives them again.
class PictureRelay : public QObject {
    Q_OBJECT
public:
    PictureRelay(LiveFetch &fetch, OlaFeed &feed, QObject *parent = nullptr);

    // No good picture for LiveFetch::kStaleAfter.
    bool lineBad() const { return m_lineBad; }
    int picturesRelayed() const { return m_relayed; }

signals:
    // `outcome` is how the latest fetch failed.
    void lineWentBad(LevelFetch::Outcome outcome);
    void lineCameBack();

private:
    void onPictureEnded(const PictureOutcome &outcome);

    LiveFetch &m_fetch;
    OlaFeed &m_feed;
    bool m_lineBad = false;
    int m_relayed = 0;
};
