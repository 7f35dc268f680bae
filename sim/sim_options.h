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
    QString replayPath; // a recorded take played as the levels
    bool loop = false;  // and started again after its end
    std::optional<unsigned int> replayUniverse; // the take's universe played, of several
};

// What the command line comes to: options to run with, a text to print
// and leave on (--help, --version), or an error saying what is wrong.
struct SimCommandLine {
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Error;
    SimOptions options; // Run
    QString text;       // Help, Version: the text to print; Error: why
};

// Reads the command line (arguments[0] is the program). Ends nothing itself:
// the caller prints and exits.
SimCommandLine parseSimOptions(const QStringList &arguments);
