#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

// A desk that stops sending leaves its last levels standing on many nodes,
// and the box then reads a perfectly still line. Rigs often keep one
// channel moving as a heartbeat: this watches it, and says once when it
// has not moved for a while and once when it moves again. Only levels the
// box answered count; a picture that lacks the channel says nothing either
// way.
class HeartbeatWatch {
public:
    enum class News { None, Froze, Moved };

    static constexpr std::chrono::seconds kDefaultStillAfter{10};

    explicit HeartbeatWatch(std::chrono::milliseconds stillAfter = kDefaultStillAfter);

    // The channel's level in a picture `ms` from any fixed start.
    News take(qint64 ms, std::optional<int> level);
    std::chrono::milliseconds stillAfter() const { return m_stillAfter; }
    // Pictures stopped for a while: stillness is not counted across the
    // gap, but a freeze already said stands until the channel moves.
    void interrupt();

    // "Channel 512 has not moved for 12 s", and "Channel 512 moves again".
    static QString frozenText(int channel, std::chrono::milliseconds stillAfter);
    static QString movedText(int channel);

private:
    std::chrono::milliseconds m_stillAfter;
    std::optional<int> m_level;
    qint64 m_changedAt = 0;
    bool m_frozen = false;
};
