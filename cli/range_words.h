#pragma once

#include "cli_options.h"

#include <QStringList>

// The one optional range FIRST-LAST of a command that fetches pictures
// (bridge, report): 1-512 when none is given, a single channel as N-N.
// False with the fault in `error`.
bool readRangeWords(const QString &command, const QStringList &words, CliOptions &options, QString &error);
