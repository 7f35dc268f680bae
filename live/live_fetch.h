#pragma once

#include "level_fetch.h"
#include "level_history.h"
#include "picture.h"
#include "picture_fetch.h"
#include "picture_outcome.h"
#include "picture_plan.h"
#include "session_clock.h"

#include <QHash>
#include <QObject>
#include <QVector>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

class BoxSession;

// Keeps a live picture of a range of channels of the universe: asks the
// session for its pieces one after another, so that at most one of its
// fetches waits or runs and whatever else the operator asks slips in
// between two pieces. Keeps the last good picture, how often pictures come
// and how they fail, which levels moved lately and the last minute of
// pictures. Channels past 256 that the box does not answer leave the
// picture of the others good; they are asked again at most once a second.
class LiveFetch : public QObject {
    Q_OBJECT
public:
    using Clock = SessionClock::Clock;

    static constexpr int kChannels = picture_plan::kUniverse;
    static constexpr int kMaxPinned = 5;
    static constexpr std::chrono::seconds kStaleAfter{1};
    static constexpr std::chrono::seconds kChangeShownFor{1};
    static constexpr std::chrono::seconds kHistorySpan{60};
    // 1200 buckets a minute: about as many as the plot has pixel columns on
    // a wide screen, whatever rate the line gives.
    static constexpr std::chrono::milliseconds kHistoryBucket{50};
    // A failed piece past 256 is asked again a second later, then after
    // 2, 4, 8 and at most 16 seconds while it keeps failing: each ask that
    // times out costs the line a quiet half second on top of its wait.
    static constexpr std::chrono::seconds kAskAgainAfter{1};
    static constexpr std::chrono::seconds kAskAgainAtMost{16};

    using Sample = LevelHistory::Sample;

    explicit LiveFetch(BoxSession &session, QObject *parent = nullptr);
    ~LiveFetch() override;

    // Where the time of the pictures comes from: the session's clock unless
    // a test sets its own.
    void setClock(std::function<Clock::time_point()> now) { m_now = std::move(now); }
    Clock::time_point now() const { return m_now(); }

    // Channels first..last (1-512); a range that falls would be read as
    // the single channel `first`.
    void setRange(int first, int last);
    int first() const { return m_first; }
    int last() const { return m_last; }

    void start();
    // Withdraws a fetch still queued; the answer to one already on the wire
    // is left unread.
    void pause();
    bool running() const { return m_running; }

    // While the session's port is lost every piece would fail at once: with
    // this set, nothing is asked until the port is back (chosen again, or the
    // lost device found and answering). The fetch still runs meanwhile, so
    // its picture goes stale as it would without answers.
    void setWaitOutLostPort(bool wait) { m_waitOutLostPort = wait; }
    bool waitingForPort() const { return m_waitingForPort; }

    // The last good picture.
    const Picture &picture() const { return m_picture; }
    // The last good picture: every channel of its range, answered or not.
    QVector<ChannelLevel> pictureLevels() const { return m_picture.channelLevels(); }
    // The pieces the last good picture lacks, and how they failed.
    QVector<Picture::Failure> notAnswered() const { return m_picture.failures(); }
    std::optional<int> level(int channel) const { return m_picture.level(channel); }
    int pictureFirst() const { return m_picture.first(); }
    // The last good picture's levels of first..last, one byte a channel;
    // nothing when it lacks any of them.
    std::optional<QByteArray> pictureBytes(int first, int last) const { return m_picture.bytes(first, last); }
    // The last good picture's levels from its first channel up to the
    // first one the box did not answer.
    QByteArray answeredRun() const { return m_picture.answeredRun(); }
    // Channel 1-512: the grid asks of every cell of the universe.
    bool changedLately(int channel) const;
    // Running, and no good picture for kStaleAfter.
    bool stale() const;
    std::optional<Clock::duration> sinceLastGood() const;

    int picturesInLastSecond() const;
    // Good pictures since the window opened.
    int goodPictures() const { return m_goodPictures; }
    // Pieces that failed, by kind.
    int failures(LevelFetch::Outcome outcome) const;

    // Pinned channels, in the order pinned; at most kMaxPinned.
    QVector<int> pinned() const { return m_pinned; }
    // Pins a channel, or unpins it when pinned; false when all pins are taken.
    bool togglePin(int channel);
    // A channel's levels over the last kHistorySpan, oldest first, at most
    // two for each kHistoryBucket (its lowest and highest).
    QVector<Sample> history(int channel) const;
    // How many buckets the history holds now.
    int historyBuckets() const { return m_history.bucketCount(); }

signals:
    // A picture of the current range ended: good, or failed and how. A
    // picture of a range changed since says nothing.
    void pictureEnded(const PictureOutcome &outcome);
    // Something to show changed: a picture ended, whatever became of it.
    void updated();
    void pinsChanged();
    // setRange() took another range; pause() stopped a running fetch.
    void rangeChanged();
    void paused();

private:
    void ask();
    void onPortBack();
    void onPieceDone(const PictureFetch::Ask &ask, const LevelFetch &fetch, std::chrono::milliseconds took);
    void onPictureDone(const Picture &picture);
    void take(Picture picture);
    std::chrono::milliseconds patienceFor(const picture_plan::Piece &piece) const;

    BoxSession &m_session;
    PictureFetch m_pieces;
    std::function<Clock::time_point()> m_now;
    int m_first = 1;
    int m_last = kChannels;
    bool m_running = false;
    bool m_waitOutLostPort = false;
    bool m_waitingForPort = false;
    Clock::time_point m_pictureStarted; // on the session's clock, as the line's waits are
    std::chrono::milliseconds m_pictureLineTime{0};
    SessionTimer *m_retry;
    Clock::time_point m_startedAt;

    // Pieces past channel 256 the box did not answer, with how they
    // failed, and when they may be asked again.
    QVector<Picture::Failure> m_beyondFailed;
    Clock::time_point m_beyondDueAt;
    std::chrono::milliseconds m_beyondBackoff = kAskAgainAfter;
    // How late the box's last good answers came, beyond the line's own time.
    std::deque<std::chrono::milliseconds> m_lateness;

    Picture m_picture;
    std::optional<Clock::time_point> m_lastGood;
    std::array<std::optional<Clock::time_point>, kChannels> m_changedAt{};
    std::deque<Clock::time_point> m_goodTimes; // the last second's
    int m_goodPictures = 0;
    std::array<int, 6> m_failures{};
    LevelHistory m_history{kChannels, kHistorySpan, kHistoryBucket};
    QVector<int> m_pinned;
};
