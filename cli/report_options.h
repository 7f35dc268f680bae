#pragma once

#include "cli_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

// The options only report takes: --recording and --spike-threshold
// (--duration is record's too).
QList<QCommandLineOption> reportOptions();

// For a report, reads its options and its words (at most one range) into
// `options`; for any other command, refuses report's options. False with
// the fault in `error`.
bool readReportOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error);
