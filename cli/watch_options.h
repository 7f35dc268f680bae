#pragma once

#include "cli_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

// The options only watch takes beyond its pace: --changes, --heartbeat and
// --still-after.
QList<QCommandLineOption> watchOptions();

// For a watch, reads them into `options`; for any other command, refuses
// them. False with the fault in `error`.
bool readWatchOptions(const QCommandLineParser &parser, CliOptions &options, QString &error);
