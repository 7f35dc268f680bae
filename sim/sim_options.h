#pragma once

#include "sim_faults.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// What the operator asked of lumivane-sim on its command line.
struct SimOptions {
    QString linkPath;
    SimFaults faults;
    bool animated = true;
    int baud = 0; // 0: as fast as the pseudo-terminal goes
    QList<QPair<int, quint8>> levels; // channel 1..512, level, in the order given
    std::optional<std::chrono::milliseconds> dropAfter; // the line goes down this long after start
    std::optional<std::chrono::milliseconds> backAfter; // and comes back this long after that
};

// Reads the command line (arguments[0] is the program). Prints the help and
// exits on --help; on a bad command line returns nothing and says why in `error`.
std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString &error);
