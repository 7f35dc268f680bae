#pragma once

#include "picture_outcome.h"

#include <QByteArray>
#include <QString>

// Every line lumivane writes on standard error begins "lumivane: ", so that a
// bench's log, where several programs write, shows who spoke. A status text's
// own leading blank (" No DMX Transceiver is connected") is not carried over.
QString errorLine(const QString &what);

// Writes errorLine(what) and a newline on standard error, flushed at once.
void complain(const QString &what);

// A line of news on standard output (the bridge feeds a universe, a take
// begins), flushed at once. Such a run's work goes to olad or a file, not to
// standard output, so a reader that went away does not end it.
void say(const QString &line);

// Qt's own warnings (a library's, a plugin's) go to standard error the same
// way, a line each.
void prefixQtMessages();

// --no-header: a CSV table without its first line, the column names, for a
// script that appends to a file that has them already.
QByteArray withoutHeader(const QByteArray &table);

// Writes `bytes` on standard output and flushes them at once, so that a pipe
// sees each line as it comes: 0 when written, else the errno of the failure
// (EPIPE: the reader went away).
int writeOut(const QByteArray &bytes);

// The line for output that could not be written.
QString outputFaultText(int error);
