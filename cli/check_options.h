#pragma once

#include "expected_levels.h"
#include "settle_filter.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

struct CliOptions;

// What `lumivane check FILE` compares, read from FILE before the port is
// opened: a file it cannot use ends the run with nothing sent. Or what
// `lumivane check --ola-universe N` compares: the levels olad holds for
// universe N, channels first..last.
struct CheckOptions {
    static constexpr std::chrono::milliseconds kLongestSettle{60000};

    QString file;
    ExpectedLevels expected; // only the channels within first..last
    std::optional<unsigned int> olaUniverse;
    std::chrono::milliseconds settle = SettleFilter::kDefaultSettle; // --ola-universe only
    int tolerance = 0;       // how far a level may stray, 0-255
    int first = 1;           // --range, or the range after --ola-universe
    int last = ExpectedLevels::kLineChannels;
    bool watch = false;
};

// The options only check takes: --tolerance, --range, --watch,
// --ola-universe and --settle.
QList<QCommandLineOption> checkOptions();

// For a check, reads its options, its one word (FILE) and the file itself
// into `options`; for any other command, refuses the check's options.
// False with the fault in `error`, naming the file and line of a fault in
// the file.
bool readCheckOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                      QString &error);
