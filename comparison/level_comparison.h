#pragma once

#include "expected_levels.h"

#include <QByteArray>
#include <QVector>
#include <optional>

// A channel that does not carry what it should: its level is further than
// the tolerance from the expected one, or the picture does not hold it.
struct LevelDifference {
    int channel = 0;
    int expected = 0;
    std::optional<int> actual; // none: not in the picture (could not be read)

    bool operator==(const LevelDifference &other) const
    {
        return channel == other.channel && expected == other.expected && actual == other.actual;
    }
};

// The channels of `expected` outside `tolerance` in a picture of channels
// pictureFirst, pictureFirst+1, ... (`pictureLevels`, one byte each), in
// the file's order. A don't-care channel never differs; a channel the
// picture does not hold always does. An empty picture is no picture.
QVector<LevelDifference> compareLevels(const ExpectedLevels &expected, int pictureFirst,
                                       const QByteArray &pictureLevels, int tolerance);

// The state of one channel in one check.
enum class Verdict { Agrees, Differs, Unread };

struct VerdictChange {
    int channel = 0;
    int expected = 0;
    std::optional<int> actual; // in the later check
    Verdict verdict = Verdict::Agrees; // the later check's

    bool operator==(const VerdictChange &other) const
    {
        return channel == other.channel && expected == other.expected && actual == other.actual
            && verdict == other.verdict;
    }
};

// What changed from one check to the next, channel by channel in rising
// order: a channel that came to differ, to be unread, or back within the
// tolerance (with its level in the later picture, and its level in `now`,
// the later check's expectation, when given: another live source's levels
// move). A level that moves but stays outside the tolerance is no change.
// Before the first check every channel agrees.
QVector<VerdictChange> verdictChanges(const QVector<LevelDifference> &before, const QVector<LevelDifference> &after,
                                      int pictureFirst, const QByteArray &pictureLevels,
                                      const ExpectedLevels *now = nullptr);
