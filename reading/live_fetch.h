#pragma once

#include "level_fetch.h"
#include "level_history.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

class BoxSession;

// Keeps a live picture of a range of channels: asks the session for the
// range as one block after another, so that at most one of its fetches
// waits or runs and whatever else the operator asks slips in between two
// blocks. Keeps the last good picture, how often pictures come and how
// they fail, which levels moved lately and the last minute of pictures.
class LiveFetch : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kChannels = 256;
    static constexpr int kMaxPinned = 5;
    static constexpr std::chrono::seconds kStaleAfter{1};
    static constexpr std::chrono::seconds kChangeShownFor{1};
    static constexpr std::chrono::seconds kHistorySpan{60};
    // 1200 buckets a minute: about as many as the plot has pixel columns on
    // a wide screen, whatever rate the line gives.
    static constexpr std::chrono::milliseconds kHistoryBucket{50};

    using Sample = LevelHistory::Sample;

    explicit LiveFetch(BoxSession &session, QObject *parent = nullptr);
    ~LiveFetch() override;

    // Where the time comes from; tests set their own.
    void setClock(std::function<Clock::time_point()> now) { m_now = std::move(now); }
    Clock::time_point now() const { return m_now(); }

    // Channels first..last (1-256); a range that falls would be read as
    // the single channel `first`.
    void setRange(int first, int last);
    int first() const { return m_first; }
    int last() const { return m_last; }

    void start();
    // Withdraws a fetch still queued; the answer to one already on the wire
    // is left unread.
    void pause();
    bool running() const { return m_running; }

    // The last good picture.
    int pictureFirst() const { return m_picture.first; }
    QByteArray pictureLevels() const { return m_picture.levels; }
    std::optional<int> level(int channel) const;
    bool changedLately(int channel) const;
    // Running, and no good picture for kStaleAfter.
    bool stale() const;
    std::optional<Clock::duration> sinceLastGood() const;

    int picturesInLastSecond() const;
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
    // A fetch ended, good or not.
    void updated();
    void pinsChanged();

private:
    struct Picture {
        Clock::time_point at;
        int first = 1;
        QByteArray levels;
    };

    void ask();
    void withdraw();
    void onFetched(const LevelFetch &fetch);
    void take(const LevelFetch &fetch);
    static std::optional<int> levelIn(const Picture &picture, int channel);

    BoxSession &m_session;
    std::function<Clock::time_point()> m_now = [] { return Clock::now(); };
    int m_first = 1;
    int m_last = kChannels;
    bool m_running = false;
    bool m_asked = false; // one of ours waits in the queue or is on the wire
    QElapsedTimer m_askedAt;
    QTimer m_retry;
    Clock::time_point m_startedAt;

    Picture m_picture;
    std::optional<Clock::time_point> m_lastGood;
    std::array<std::optional<Clock::time_point>, kChannels> m_changedAt{};
    std::deque<Clock::time_point> m_goodTimes; // the last second's
    std::array<int, 6> m_failures{};
    LevelHistory m_history{kChannels, kHistorySpan, kHistoryBucket};
    QVector<int> m_pinned;
};
