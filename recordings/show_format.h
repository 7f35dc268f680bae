#pragma once

#include "recording.h"

#include <QByteArray>
#include <QString>

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

// A whole show file of one universe and one range of channels; false, with
// the first wrong line, for anything else, a file cut short included.
bool parse(const QByteArray &text, Recording &recording, Fault &fault);

} // namespace show_format

// Reads the show file at `path`; on a fault says "path:line: why" (or
// "path: why" when it cannot be read at all) and leaves `recording` alone.
bool loadShow(const QString &path, Recording &recording, QString &error);
