#pragma once

#include "level_comparison.h"

#include <QVector>
#include <array>
#include <chrono>
#include <optional>

// Two live sources of one line (the levels a desk sends on the network and
// those the box reads on the cable) never change at the same instant: a
// node takes a frame or two to pass a change on. A channel counts as
// differing only once the two have disagreed on it for the settle time
// without a break; a channel the box did not answer is unread at once.
class SettleFilter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kChannels = 512;
    // About what a node adds to a change, with room to spare.
    static constexpr std::chrono::milliseconds kDefaultSettle{250};

    explicit SettleFilter(std::chrono::milliseconds settle = {});

    std::chrono::milliseconds settle() const { return m_settle; }

    // The comparison of `now`, less the channels that disagree since less
    // than the settle time. Channels missing from `differences` agree now.
    QVector<LevelDifference> filter(const QVector<LevelDifference> &differences, Clock::time_point now);
    void reset();

private:
    std::chrono::milliseconds m_settle;
    std::array<std::optional<Clock::time_point>, kChannels> m_since{}; // disagreeing since
};
