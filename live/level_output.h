#pragma once

#include "status_text.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QVector>
#include <initializer_list>
#include <optional>
#include <utility>

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

// A time as the outputs carry it: ISO 8601 with milliseconds and the UTC
// offset ("2024-05-01T20:15:03.120+02:00").
QString isoTime(const QDateTime &time);

// One JSON object with its fields in the order given, on one line without a
// newline: scripts that take the fields by their place see them so.
QByteArray jsonObject(std::initializer_list<std::pair<const char *, QJsonValue>> fields);
// JSON objects as one array, a line of its own.
QByteArray jsonArrayLine(const QByteArrayList &objects);

// The probe's outcome on `device`: the status text alone, a CSV
// "device,status" table, or one JSON object.
QByteArray formatProbe(OutputFormat format, const QString &device, Status status);
