#pragma once

#include "recording.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The show files ola_recorder writes and plays back, line by line:
//
//   OLA Show
//   1 ,,,10,20,30        a picture: the universe, then channel 1 on, comma-separated
//   40                   milliseconds until the next picture
//   1 ,,,11,20,30
//
// A picture of channels that do not start at 1 leaves the channels below
// blank, which OLA plays as 0 and this reader takes as "not recorded". A
// delay after the last picture says how long it was held.
namespace show_format {

inline constexpr char kHeader[] = "OLA Show";
inline constexpr int kMaxChannels = 512;
// One delay line holds at most this (49.7 days), as OLA reads it.
inline constexpr qint64 kLongestDelay = 4294967295;
// A picture of 512 channels of three figures, its universe and a CR: no
// line of a show is longer.
inline constexpr int kLongestLine = 10 + 1 + kMaxChannels * 4 - 1 + 1;

// One picture's line, levels for channels first.. on, ending in a newline.
QByteArray frameLine(unsigned int universe, int first, const QByteArray &levels);
QByteArray delayLine(qint64 ms);

struct Fault {
    int line = 0; // 1 on
    QString text;
};

// "universe 1", "universes 1 and 2", "universes 1, 2 and 5".
QString universeNames(const QList<unsigned int> &universes);

// The pictures of one universe of a whole show file: `universe`, or without
// it the universe of the file's first picture. Pictures of other universes
// only take their time. False, with the first wrong line, for anything
// else: a file cut short, a universe changing its channels, or no picture
// of `universe` at all (line 0).
bool parse(const QByteArray &text, Recording &recording, Fault &fault,
           std::optional<unsigned int> universe = std::nullopt);

} // namespace show_format

// Reads one universe of the show file at `path`, as parse() does; on a fault
// says "path:line: why" (or "path: why" when it is no line's fault) and
// leaves `recording` alone.
bool loadShow(const QString &path, Recording &recording, QString &error,
              std::optional<unsigned int> universe = std::nullopt);
