#pragma once

#include "status_text.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

// What readings become on a script's standard output: plain lines
// ("12 137"), CSV or JSON. A channel the box gave no acceptable answer for
// has an empty level ("12 ", "12,", "level":null), never a number, so a
// script cannot take a failed read for a level.
enum class OutputFormat { Text, Csv, Json };

struct ChannelLevel {
    int channel = 0;
    std::optional<int> level;
};

// A block's levels (channels first, first+1, ...) as channel levels.
QVector<ChannelLevel> channelLevels(int first, const QByteArray &levels);

// A whole result (read, list): one line a channel, under the header
// "channel,level" for CSV; or one JSON array of {"channel","level"} objects
// on one line. Always ends with a newline.
QByteArray formatLevels(OutputFormat format, const QVector<ChannelLevel> &levels);

// What a watch writes before its first reading: CSV's "time,channel,level"
// line, nothing for the others.
QByteArray watchHeader(OutputFormat format);

// One watched reading, a line of its own so that a pipe gets it whole; CSV
// and JSON carry `time` as ISO 8601 with milliseconds and the UTC offset,
// and so does text, first on the line, when `timedText` (an event log
// read the morning after).
QByteArray formatWatchedLevel(OutputFormat format, const QDateTime &time, const ChannelLevel &reading,
                              bool timedText = false);

// The probe's outcome on `device`: the status text alone, a CSV
// "device,status" table, or one JSON object.
QByteArray formatProbe(OutputFormat format, const QString &device, Status status);
