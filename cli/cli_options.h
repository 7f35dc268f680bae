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
    enum class Command { Help, Version, Ports, Probe, Read, List, Watch, Bridge, Check, Record };

    Command command = Command::Help;
    int portNumber = 1; // Port1-Port4, resolved as the monitor's port buttons are
    QString device;     // a device path given in place of a port number
    OutputFormat format = OutputFormat::Text;
    bool noHeader = false; // csv: the rows alone, without the line naming the columns
    QVector<int> channels; // read, watch: every channel, in the order given
    // read, watch: the channels as given, one run of first..last each
    // ("9-12"; a single channel runs from itself to itself).
    QVector<QPair<int, int>> runs;
    int first = 0;         // list
    int last = 0;          // list
    std::chrono::milliseconds interval{120}; // watch: end of a pass to start of the next
    int count = 0;                           // watch: passes to run; 0 until interrupted
    unsigned int universe = 0;               // bridge: the OLA universe fed; record: written
    quint16 olaPort = 9010;                  // bridge: olad's RPC port on 127.0.0.1
    CheckOptions check;                      // check: the file, read and judged
    QString recordPath;                      // record: the show file written
    int durationSeconds = 0;                 // record: 0 until interrupted
};

// The options in `arguments` (the program's name first), or nothing with
// the fault in `error`, one line naming it.
std::optional<CliOptions> parseCliOptions(const QStringList &arguments, QString &error);

// What --help prints.
QString cliHelpText();
