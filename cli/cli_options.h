#pragma once

#include "check_options.h"
#include "level_output.h"

#include <QString>
#include <QStringList>
#include <QPair>
#include <QVector>
#include <chrono>
#include <optional>

// What one run of lumivane is asked to do, taken from its command line
// before anything touches the port.
struct CliOptions {
    enum class Command { Help, Version, Ports, Probe, Read, List, Watch, Bridge, Check, Record, Report };

    Command command = Command::Help;
    int portNumber = 1; // Port1-Port4, resolved as the monitor's port buttons are
    QString device;     // a device path given in place of a port number
    OutputFormat format = OutputFormat::Text;
    bool noHeader = false; // csv: the rows alone, without the line naming the columns
    QVector<int> channels; // read, watch: every channel, in the order given
    // read, watch: the channels as given, one run of first..last each
    // ("9-12"; a single channel runs from itself to itself).
    QVector<QPair<int, int>> runs;
    int first = 0;         // list, bridge, record, report
    int last = 0;          // list, bridge, record, report
    std::chrono::milliseconds interval{120}; // watch: end of a pass to start of the next
    int count = 0;                           // watch: passes to run; 0 until interrupted
    bool changesOnly = false;                // watch: each channel once, then only when it changed
    int heartbeat = 0;                       // watch: the channel a frozen desk stops moving; 0 none
    std::chrono::milliseconds stillAfter{10000}; // watch: how long the heartbeat may stand still
    unsigned int universe = 0;               // bridge: the OLA universe fed; record: written
    quint16 olaPort = 9010;                  // bridge, check --ola-universe: olad's RPC port on 127.0.0.1
    int olaPriority = 100;                   // bridge: the priority olad merges the line's levels with
    CheckOptions check;                      // check: the file, read and judged
    QString recordPath;                      // record: the show file written
    int durationSeconds = 0;                 // record, report: 0 until interrupted
    QString reportTake;                      // report: the take reported on instead of the line
    int spikeThreshold = 8;                  // report: how far a one-picture spike must leave
};

// The options in `arguments` (the program's name first), or nothing with
// the fault in `error`, one line naming it.
std::optional<CliOptions> parseCliOptions(const QStringList &arguments, QString &error);

// What --help prints.
QString cliHelpText();
