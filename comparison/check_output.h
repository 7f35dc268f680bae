#pragma once

#include "level_comparison.h"
#include "level_output.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

// What `lumivane check` writes: the channels that do not carry what they
// should, as channel, expected, actual; an actual that could not be read is
// empty ("12 137 ", "12,137,", "actual":null), never a number.

// One check's differences: a line each, under the header
// "channel,expected,actual" for CSV (the header alone when all agree); or
// one JSON array on one line ("[]" when all agree).
QByteArray formatDifferences(OutputFormat format, const QVector<LevelDifference> &differences);

// What a watching check writes before its first change: CSV's
// "time,channel,expected,actual,verdict" line, nothing for the others.
QByteArray verdictChangeHeader(OutputFormat format);

// One channel's changed verdict, a line of its own so that a pipe gets it
// whole: "differs 12 137 140", "unread 12 137 ", "agrees 12 137 137"; CSV
// (verdict last) and JSON carry the time as a watch does.
QByteArray formatVerdictChange(OutputFormat format, const QDateTime &time, const VerdictChange &change);

// "agrees", "differs", "unread".
QByteArray verdictWord(Verdict verdict);
