#pragma once

#include "cli_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

// The options only record takes: --range and --duration.
QList<QCommandLineOption> recordOptions();

// For a record, reads its options and its one word (the file) into
// `options`; for any other command, refuses record's options. False with
// the fault in `error`.
bool readRecordOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error);

// --duration S, 1 s to a week, into `options`; false with the fault in `error`.
bool readDuration(const QCommandLineParser &parser, CliOptions &options, QString &error);
