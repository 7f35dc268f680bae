#pragma once

#include "cli_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

// The options only the bridge takes: --universe and --ola-port.
QList<QCommandLineOption> bridgeOptions();

// For a bridge, reads its options and its words (an optional FIRST-LAST)
// into `options`; for any other command, refuses the bridge's options.
// False with the fault in `error`.
bool readBridgeOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error);
