#pragma once

#include "heartbeat_watch.h"
#include "live_fetch.h"

#include <QWidget>
#include <optional>

class HeartbeatBanner;
class QSpinBox;
class RecordingPlayer;

// A frozen desk: the operator names a heartbeat channel, one the desk keeps
// moving, and how long it may stand still; when the line's level of it has
// not moved for that long, the banner says so once, and goes when it moves.
// Only the live line is watched: a take shown instead stops the watch.
class HeartbeatControl : public QWidget {
    Q_OBJECT
public:
    HeartbeatControl(LiveFetch &fetch, RecordingPlayer &player, QWidget *parent = nullptr);

    // The window puts it above the grid.
    HeartbeatBanner *banner() const { return m_banner; }

    // 0: no heartbeat watched.
    int channel() const;
    void setChannel(int channel);
    int stillAfterSeconds() const;
    void setStillAfterSeconds(int seconds);

private:
    void onPicture(const PictureOutcome &outcome);
    void restart();

    LiveFetch &m_fetch;
    RecordingPlayer &m_player;
    HeartbeatWatch m_watch;
    std::optional<LiveFetch::Clock::time_point> m_lastPicture;
    QSpinBox *m_channel = nullptr;
    QSpinBox *m_stillAfter = nullptr;
    HeartbeatBanner *m_banner = nullptr;
};
