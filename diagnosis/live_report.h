#pragma once

#include "line_tally.h"
#include "live_fetch.h"

#include <QObject>
#include <optional>

// A line tally kept over a live fetch's pictures, good or failed, from
// restart() on, timed by the fetch's clock. Pictures that stop for longer
// than the fetch calls stale (a pause, a recording looked at, a link gone
// quiet) break every channel's row: what the line did meanwhile is unknown.
class LiveReport : public QObject {
    Q_OBJECT
public:
    LiveReport(LiveFetch &fetch, int first, int last, int spikeThreshold = LineTally::kDefaultSpikeThreshold,
               QObject *parent = nullptr);

    // Forgets what was tallied; times count from now.
    void restart();
    const LineTally &tally() const { return m_tally; }
    // Since restart(), by the fetch's clock.
    qint64 elapsedMs() const;

private:
    void onPictureEnded(const PictureOutcome &outcome);

    LiveFetch &m_fetch;
    LineTally m_tally;
    LiveFetch::Clock::time_point m_start;
    std::optional<LiveFetch::Clock::time_point> m_lastPicture;
};
