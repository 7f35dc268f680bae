#pragma once

#include "cli_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>
#include <optional>

// The options of the bridge: --universe (record's too), --priority and
// --ola-port (which check --ola-universe takes too).
QList<QCommandLineOption> bridgeOptions();

// An OLA universe number, 0-4294967295, as --universe takes it.
std::optional<unsigned int> olaUniverse(const QString &text);

// For a bridge, reads its options and its words (an optional FIRST-LAST)
// into `options`; for any other command, refuses the bridge's options.
// False with the fault in `error`.
bool readBridgeOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error);
