#pragma once

#include "level_fetch.h"
#include "level_output.h"
#include "picture_plan.h"

#include <QVector>
#include <chrono>
#include <optional>

// One picture of channels first..last, gathered piece by piece: the levels
// the box gave, and the pieces it did not answer with how they failed.
class Picture {
public:
    using Clock = std::chrono::steady_clock;

    struct Failure {
        picture_plan::Piece piece;
        LevelFetch::Outcome outcome = LevelFetch::Outcome::NoAnswer;
    };

    Picture() = default;
    Picture(int first, int last);

    int first() const { return m_first; }
    int last() const { return m_last; }
    bool covers(int first, int last) const { return first == m_first && last == m_last; }

    // Takes what the box sent for `piece`; a failed piece leaves its
    // channels without a level.
    void take(const picture_plan::Piece &piece, const LevelFetch &fetch);
    // A piece not asked this time, still failing as it did.
    void noteFailed(const picture_plan::Piece &piece, LevelFetch::Outcome outcome);

    std::optional<int> level(int channel) const;
    // Channels first..last; -1 where the box gave none.
    const QVector<short> &levels() const { return m_levels; }
    QVector<Failure> failures() const { return m_failures; }
    // Every piece within channels 1-256 answered, and at least one piece
    // did: a box that does not serve the channels above still gives good
    // pictures of those it does.
    bool good() const;
    // The levels of first..last, one byte a channel; nothing when the
    // picture lacks any of them.
    std::optional<QByteArray> bytes(int first, int last) const;
    // The levels from the first channel up to the first one the box did
    // not answer.
    QByteArray answeredRun() const;
    // Every channel, answered or not, as a script's table gets them.
    QVector<ChannelLevel> channelLevels() const;

    Clock::time_point at;

private:
    int m_first = 1;
    int m_last = 0;
    QVector<short> m_levels; // first..last; -1 none
    QVector<Failure> m_failures;
    bool m_anyAnswered = false;
};
