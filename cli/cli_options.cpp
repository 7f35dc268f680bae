#include "cli_options.h"

#include "bridge_options.h"
#include "check_options.h"
#include "port_mapping.h"
#include "record_options.h"
#include "report_options.h"
#include "watch_options.h"
#include "whole_number.h"

#include <QCommandLineParser>
#include <QHash>
#include <algorithm>

namespace {

constexpr int kLastChannel = 512;
constexpr int kLongestInterval = 24 * 60 * 60 * 1000;

const char kHelp[] =
    "Usage:\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] probe\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] read CHANNELS...\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] list FIRST-LAST\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] watch CHANNELS... [-i MS] [-n N]\n"
    "                [--changes] [--heartbeat CH [--still-after S]]\n"
    "  lumivane [-p N|PATH] bridge --universe N [FIRST-LAST] [--priority P] [--ola-port PORT]\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] check FILE [--tolerance T] [--range A-B] [--watch]\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] check --ola-universe N [FIRST-LAST]\n"
    "           [--settle MS] [--tolerance T] [--watch] [--ola-port PORT]\n"
    "  lumivane [-p N|PATH] record FILE [--universe N] [--range FIRST-LAST] [--duration S]\n"
    "  lumivane [-p N|PATH] [-f text|csv|json] [--no-header] report [FIRST-LAST] [--duration S]\n"
    "                [--spike-threshold N]\n"
    "  lumivane [-f text|csv|json] [--no-header] report --recording FILE [FIRST-LAST]\n"
    "                [--spike-threshold N]\n"
    "  lumivane [-f text|csv|json] [--no-header] ports\n"
    "  lumivane -h | --help | -V | --version\n"
    "\n"
    "Reads DMX512 channel levels through a Lumivane transceiver box on a serial\n"
    "port (115200,n,8,1), for scripts and test benches.\n"
    "\n"
    "Commands:\n"
    "  probe         Flush the line, ask for the box, print its status.\n"
    "  read CH...    Read each channel (1-512), one after another.\n"
    "  list A-B      Fetch channels A to B (B above A) by blocks of up to 256;\n"
    "                channel 512 by a read.\n"
    "  watch CH...   Read the channels pass after pass until --count passes or\n"
    "                Ctrl+C; each reading is printed as it comes. A range is\n"
    "                fetched by blocks, a single channel by a read. --changes\n"
    "                prints every channel once, then only those that changed,\n"
    "                each line with the time.\n"
    "  bridge        Fetch channels FIRST-LAST (default all the box gives) as\n"
    "                one picture after another and send every whole one to OLA\n"
    "                universe N through olad on 127.0.0.1, until Ctrl+C. Says\n"
    "                whether olad has the universe with an output port.\n"
    "  check FILE    Fetch the channels FILE names (channel,level, as csv list\n"
    "                writes; an empty level: any) and print those further than\n"
    "                --tolerance from it as channel,expected,actual.\n"
    "  check --ola-universe N\n"
    "                The same against OLA universe N as olad receives it (the\n"
    "                network side of the cable): expected is olad's level.\n"
    "  record FILE   Fetch channels FIRST-LAST (default 1-512) as one picture\n"
    "                after another and write what each read, when it changed,\n"
    "                to the show file FILE (as ola_recorder writes), until\n"
    "                --duration seconds or Ctrl+C. The file is on the disk at\n"
    "                least once a second; an existing FILE is never written over.\n"
    "  report        How each channel of FIRST-LAST (default 1-512) moved over\n"
    "                the live line until --duration seconds or Ctrl+C, or over\n"
    "                a take (--recording FILE, a show file): channel, min, max,\n"
    "                changes, largest_step, spikes, first_change, last_change\n"
    "                (seconds from the start). Channels never answered are left\n"
    "                out and named on standard error.\n"
    "  ports         Show what Port1-Port4 open and every serial device found;\n"
    "                csv and json: port,device,description,manufacturer, the\n"
    "                four ports first (port empty for the other devices).\n"
    "\n"
    "Channels are 1-512: single ones, ranges and lists, as in 7, 1-24 or\n"
    "1,5,9-12; several may follow one another.\n"
    "\n"
    "Options:\n"
    "  -p, --port N|PATH  Port 1-4 (LUMIVANE_PORTn, else the n-th serial device\n"
    "                     found, USB adapters first) or a device path; default 1.\n"
    "  -f, --format F     text (\"12 137\"), csv (channel,level) or json; default text.\n"
    "  --no-header        csv: leave out the line naming the columns.\n"
    "  -i, --interval MS  watch: pause between passes, default 120.\n"
    "  -n, --count N      watch: stop after N passes.\n"
    "  --changes          watch: each channel once, then only when its level changed.\n"
    "  --heartbeat CH     watch: say on standard error when channel CH has not\n"
    "                     moved for --still-after seconds (default 10), and when\n"
    "                     it moves again: a desk that stopped sending.\n"
    "  --still-after S    watch: how long the heartbeat may stand still.\n"
    "  --universe N       bridge: the OLA universe to feed.\n"
    "  --priority P       bridge: olad's priority for the line's levels, 0-200;\n"
    "                     default 100 (the highest priority olad hears wins).\n"
    "  --ola-port PORT    bridge, check: olad's RPC port, default 9010.\n"
    "  --tolerance T      check: how far a level may stray, 0-255; default 0.\n"
    "  --range A-B        check: only the channels of FILE within A-B (1-512).\n"
    "  --ola-universe N   check: compare with OLA universe N instead of a FILE.\n"
    "  --settle MS        check --ola-universe: how long the two may disagree\n"
    "                     before a channel differs; default 250.\n"
    "  --watch            check: check again and again until Ctrl+C; print only\n"
    "                     channels whose verdict changed (differs, unread, agrees).\n"
    "  --universe N       record: the OLA universe the take is written as, default 1.\n"
    "  --range A-B        record: the channels recorded, default 1-512.\n"
    "  --duration S       record, report: stop after S seconds.\n"
    "  --recording FILE   report: on a recorded take instead of the line.\n"
    "  --spike-threshold N  report: how far a one-picture spike leaves, default 8.\n"
    "  -h, --help         Print this help.\n"
    "  -V, -v, --version  Print the version.\n"
    "\n"
    "A channel without an acceptable answer has an empty level (\"12 \", \"12,\",\n"
    "null). Exit status: 0 every channel read; 1 the box gave no or a bad answer;\n"
    "2 usage error; 3 the port cannot be opened. A bridge ends with 0 on Ctrl+C,\n"
    "a record with 0 on Ctrl+C or at its duration and 1 when a write fails or\n"
    "the take holds no picture.\n"
    "check: 0 all agree; 1 a channel differs or could not be read; 2 also for a\n"
    "FILE it cannot use (file and line named; nothing is sent); 4 olad is out of\n"
    "reach (not running, not answering, gone, or holding no levels for the universe).\n"
    "report: 0 written; 1 no channel answered; 2 also for a FILE it cannot use.\n"
    "\n"
    "Pictures a second are what the box delivered over the serial line, not the\n"
    "DMX frame rate: the box cannot measure the frame rate, break and\n"
    "mark-after-break times, start codes, slot counts or RDM.\n";

// Digits with or without a sign, however many.
bool looksLikeNumber(const QString &text)
{
    const QStringView digits = text.startsWith(u'-') || text.startsWith(u'+') ? QStringView(text).mid(1)
                                                                              : QStringView(text);
    return !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
}

std::optional<int> channelNumber(const QString &text, QString &error)
{
    const std::optional<int> channel = wholeNumber(text);
    if (!channel) {
        error = QStringLiteral("'%1' is not a channel number").arg(text);
        return std::nullopt;
    }
    if (*channel < 1 || *channel > kLastChannel) {
        error = QStringLiteral("channel %1 is outside 1-%2").arg(text).arg(kLastChannel);
        return std::nullopt;
    }
    return channel;
}

// "7", "9-12" (a run that does not fall) or a list of them: "1,5,9-12".
bool readChannels(const QStringList &words, CliOptions &options, QString &error)
{
    if (words.isEmpty()) {
        error = QStringLiteral("no channel given");
        return false;
    }
    for (const QString &word : words) {
        for (const QString &item : word.split(u',')) {
            const QStringList ends = item.split(u'-');
            if (ends.size() > 2) {
                error = QStringLiteral("'%1' is not a channel or a range FIRST-LAST").arg(item);
                return false;
            }
            const std::optional<int> first = channelNumber(ends[0], error);
            const std::optional<int> last = !first ? std::nullopt
                : ends.size() == 2                ? channelNumber(ends[1], error)
                                                  : first;
            if (!first || !last)
                return false;
            if (*last < *first) {
                error = QStringLiteral("range %1 falls: LAST must not be below FIRST").arg(item);
                return false;
            }
            options.runs << qMakePair(*first, *last);
            for (int channel = *first; channel <= *last; ++channel)
                options.channels << channel;
        }
    }
    return true;
}

// The window lists only a range that rises; a range wider than a block is
// fetched as several.
bool readRange(const QStringList &words, CliOptions &options, QString &error)
{
    if (words.size() != 1) {
        error = QStringLiteral("list takes one range FIRST-LAST");
        return false;
    }
    const QStringList ends = words.first().split(u'-');
    if (ends.size() != 2) {
        error = QStringLiteral("'%1' is not a range FIRST-LAST").arg(words.first());
        return false;
    }
    const std::optional<int> first = channelNumber(ends[0], error);
    const std::optional<int> last = first ? channelNumber(ends[1], error) : std::nullopt;
    if (!first || !last)
        return false;
    if (*last <= *first) {
        error = QStringLiteral("range %1 does not rise: LAST must be above FIRST").arg(words.first());
        return false;
    }
    options.first = *first;
    options.last = *last;
    return true;
}

std::optional<OutputFormat> formatNamed(const QString &name)
{
    if (name == QLatin1String("text"))
        return OutputFormat::Text;
    if (name == QLatin1String("csv"))
        return OutputFormat::Csv;
    if (name == QLatin1String("json"))
        return OutputFormat::Json;
    return std::nullopt;
}

} // namespace

std::optional<CliOptions> parseCliOptions(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    // -v stays for the scripts that already say it.
    const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QString(), QStringLiteral("N|PATH"));
    const QCommandLineOption format({QStringLiteral("f"), QStringLiteral("format")}, QString(), QStringLiteral("format"));
    const QCommandLineOption noHeader(QStringLiteral("no-header"), QString());
    const QCommandLineOption interval({QStringLiteral("i"), QStringLiteral("interval")}, QString(), QStringLiteral("ms"));
    const QCommandLineOption count({QStringLiteral("n"), QStringLiteral("count")}, QString(), QStringLiteral("n"));
    parser.addOptions({help, version, port, format, noHeader, interval, count});
    parser.addOptions(bridgeOptions());
    parser.addOptions(checkOptions());
    parser.addOptions(recordOptions());
    parser.addOptions(reportOptions());
    parser.addOptions(watchOptions());
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }

    const QHash<QString, CliOptions::Command> commands{
        {QStringLiteral("probe"), CliOptions::Command::Probe},
        {QStringLiteral("read"), CliOptions::Command::Read},
        {QStringLiteral("list"), CliOptions::Command::List},
        {QStringLiteral("watch"), CliOptions::Command::Watch},
        {QStringLiteral("ports"), CliOptions::Command::Ports},
        {QStringLiteral("bridge"), CliOptions::Command::Bridge},
        {QStringLiteral("check"), CliOptions::Command::Check},
        {QStringLiteral("record"), CliOptions::Command::Record},
        {QStringLiteral("report"), CliOptions::Command::Report},
    };
    CliOptions options;
    if (parser.isSet(help) || parser.isSet(version)) {
        options.command = parser.isSet(help) ? CliOptions::Command::Help : CliOptions::Command::Version;
        return options;
    }

    if (parser.isSet(port)) {
        const QString value = parser.value(port);
        // Anything that looks like a number is a port number, and one
        // outside 1-4 a slip of the hand, not the name of a device.
        if (looksLikeNumber(value)) {
            const std::optional<int> number = wholeNumber(value);
            if (!number || *number < 1 || *number > kPortCount) {
                error = QStringLiteral("port %1 is outside 1-%2 (or give a device path)").arg(value).arg(kPortCount);
                return std::nullopt;
            }
            options.portNumber = *number;
        } else if (value.isEmpty() || commands.contains(value)) {
            error = QStringLiteral("--port needs 1-4 or a device path, not '%1'").arg(value);
            return std::nullopt;
        } else {
            options.device = value;
        }
    }
    if (parser.isSet(format)) {
        const std::optional<OutputFormat> named = formatNamed(parser.value(format));
        if (!named) {
            error = QStringLiteral("unknown format '%1' (text, csv or json)").arg(parser.value(format));
            return std::nullopt;
        }
        options.format = *named;
    }
    options.noHeader = parser.isSet(noHeader);
    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        error = QStringLiteral("no command given (probe, read, list, watch, bridge, check, record, report or ports); try --help");
        return std::nullopt;
    }
    const QString command = words.takeFirst();
    if (!commands.contains(command)) {
        error = QStringLiteral("unknown command '%1'; try --help").arg(command);
        return std::nullopt;
    }
    options.command = commands.value(command);

    if (options.command == CliOptions::Command::Ports && parser.isSet(port)) {
        error = QStringLiteral("ports takes no --port");
        return std::nullopt;
    }
    if (options.command != CliOptions::Command::Watch) {
        for (const QCommandLineOption &watchOnly : {interval, count}) {
            if (parser.isSet(watchOnly)) {
                error = QStringLiteral("--%1 is for watch only").arg(watchOnly.names().last());
                return std::nullopt;
            }
        }
    }

    if (parser.isSet(interval)) {
        const std::optional<int> ms = wholeNumber(parser.value(interval));
        if (!ms || *ms > kLongestInterval) {
            error = QStringLiteral("--interval '%1' is not a number of milliseconds (0-%2)")
                        .arg(parser.value(interval))
                        .arg(kLongestInterval);
            return std::nullopt;
        }
        options.interval = std::chrono::milliseconds(*ms);
    }
    if (parser.isSet(count)) {
        const std::optional<int> passes = wholeNumber(parser.value(count));
        if (!passes || *passes < 1) {
            error = QStringLiteral("--count '%1' is not a number of passes (1 or more)").arg(parser.value(count));
            return std::nullopt;
        }
        options.count = *passes;
    }

    if (!readBridgeOptions(parser, words, options, error) || !readCheckOptions(parser, words, options, error)
        || !readRecordOptions(parser, words, options, error) || !readReportOptions(parser, words, options, error)
        || !readWatchOptions(parser, options, error))
        return std::nullopt;
    switch (options.command) {
    case CliOptions::Command::Bridge:
    case CliOptions::Command::Check:
    case CliOptions::Command::Record:
    case CliOptions::Command::Report:
        break; // read above
    case CliOptions::Command::Read:
    case CliOptions::Command::Watch:
        if (!readChannels(words, options, error))
            return std::nullopt;
        break;
    case CliOptions::Command::List:
        if (!readRange(words, options, error))
            return std::nullopt;
        break;
    default:
        if (!words.isEmpty()) {
            error = QStringLiteral("%1 takes no arguments, not '%2'").arg(command, words.first());
            return std::nullopt;
        }
        break;
    }
    return options;
}

QString cliHelpText()
{
    return QString::fromLatin1(kHelp);
}
