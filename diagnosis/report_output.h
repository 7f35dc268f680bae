#pragma once

#include "level_output.h"
#include "line_tally.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

// A line report as a script or a person reads it, one row a channel with
// the columns channel, min, max, changes, largest_step, spikes,
// first_change and last_change (seconds from the start, to the
// millisecond; none for a channel that never changed):
//  - text: a header and aligned columns, "-" for no time;
//  - csv: the same columns, an empty field for no time;
//  - json: one array of objects on one line, null for no time.
QByteArray formatReport(OutputFormat format, const QVector<ChannelFigures> &rows);

// The report's column names, in order.
QStringList reportColumns();

// Milliseconds as seconds to the millisecond: "12.345".
QString secondsText(qint64 ms);

// Runs of channels as a sentence gives them: "3, 7-9, 257-512".
QString channelRunsText(const QVector<QPair<int, int>> &runs);

// What a report leaves out, for a sentence of its own: "channel 7 was never
// answered", "channels 257-512 are not in the take".
QString leftOutText(const QVector<QPair<int, int>> &runs, bool fromTake);
