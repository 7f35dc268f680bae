#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// What a line should carry: the levels a cue should give, written as our
// snapshots and `lumivane --format csv list` write them, so that a good
// picture saved once becomes the expectation for every later run.
//
//   channel,level        the header, exactly so
//   12,137               channel 1-512, level 0-255
//   13,                  an empty level: this channel may carry anything
//
// A line may end in CR LF, blank lines are passed over, and a byte-order
// mark before the header is allowed: a sheet saved as CSV reads as it was
// written.
struct ExpectedLevel {
    int channel = 0;
    std::optional<int> level; // none: don't care
};

struct ExpectedLevels {
    static constexpr int kLineChannels = 512; // a whole DMX512 universe
    static constexpr qsizetype kLongestFile = 64 * 1024;

    QVector<ExpectedLevel> levels; // in the file's order, each channel once

    // The lowest and highest channel with an expected level among
    // first..last; none when no such channel has one.
    std::optional<std::pair<int, int>> span(int first = 1, int last = kLineChannels) const;
};

// Where and why a file was refused.
struct ExpectedLevelsFault {
    int line = 0; // counted from 1; 0 for the file as a whole
    QString text;
};

// The expected levels in `text`, or the first fault with its line. Refuses
// anything a snapshot could not hold: a wrong header, a row that is not
// two fields, a channel outside 1-512 or named twice, a level outside
// 0-255, text where a number belongs, a file without rows.
std::optional<ExpectedLevels> parseExpectedLevels(const QByteArray &text, ExpectedLevelsFault &fault);

// Another source's levels of the universe (one byte a channel from channel
// 1, as olad holds a universe) as the expectation for channels first..last.
// Channels past the end of `frame` have no level there: they may carry
// anything.
ExpectedLevels expectedFromFrame(const QByteArray &frame, int first, int last);
