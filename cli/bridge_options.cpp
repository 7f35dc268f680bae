#include "bridge_options.h"

#include "live_fetch.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QString kUniverse = QStringLiteral("universe");
const QString kOlaPort = QStringLiteral("ola-port");

// Digits only, no sign, no blanks, at most `highest`.
std::optional<quint64> number(const QString &text, quint64 highest)
{
    if (text.isEmpty() || text.size() > 10
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return std::nullopt;
    const quint64 value = text.toULongLong();
    if (value > highest)
        return std::nullopt;
    return value;
}

// The bridge sends the channels one picture holds; a single channel is a
// range too.
bool readRange(const QStringList &words, CliOptions &options, QString &error)
{
    options.first = 1;
    options.last = LiveFetch::kChannels;
    if (words.isEmpty())
        return true;
    if (words.size() > 1) {
        error = QStringLiteral("bridge takes one range FIRST-LAST, not '%1'").arg(words.join(u' '));
        return false;
    }
    const QString range = words.first();
    const QString fault = QStringLiteral("'%1' is not a channel range FIRST-LAST within 1-%2")
                              .arg(range)
                              .arg(LiveFetch::kChannels);
    const QStringList ends = range.split(u'-');
    if (ends.size() != 2) {
        error = fault;
        return false;
    }
    const quint64 first = number(ends[0], LiveFetch::kChannels).value_or(0);
    const quint64 last = number(ends[1], LiveFetch::kChannels).value_or(0);
    if (first < 1 || last < first) {
        error = fault;
        return false;
    }
    options.first = int(first);
    options.last = int(last);
    return true;
}

} // namespace

std::optional<unsigned int> olaUniverse(const QString &text)
{
    const std::optional<quint64> universe = number(text, std::numeric_limits<quint32>::max());
    return universe ? std::optional<unsigned int>(unsigned(*universe)) : std::nullopt;
}

QList<QCommandLineOption> bridgeOptions()
{
    return {QCommandLineOption(kUniverse, QString(), QStringLiteral("n")),
            QCommandLineOption(kOlaPort, QString(), QStringLiteral("port"))};
}

bool readBridgeOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error)
{
    if (options.command != CliOptions::Command::Bridge) {
        if (parser.isSet(kOlaPort)) {
            error = QStringLiteral("--%1 is for bridge only").arg(kOlaPort);
            return false;
        }
        if (parser.isSet(kUniverse) && options.command != CliOptions::Command::Record) {
            error = QStringLiteral("--%1 is for bridge and record only").arg(kUniverse);
            return false;
        }
        return true;
    }
    if (parser.isSet(QStringLiteral("format"))) {
        error = QStringLiteral("bridge takes no --format");
        return false;
    }
    if (!parser.isSet(kUniverse)) {
        error = QStringLiteral("bridge needs --universe N, the OLA universe to feed");
        return false;
    }
    const std::optional<unsigned int> universe = olaUniverse(parser.value(kUniverse));
    if (!universe) {
        error = QStringLiteral("--universe '%1' is not an OLA universe number").arg(parser.value(kUniverse));
        return false;
    }
    options.universe = *universe;
    if (parser.isSet(kOlaPort)) {
        const std::optional<quint64> port = number(parser.value(kOlaPort), 65535);
        if (!port || *port == 0) {
            error = QStringLiteral("--ola-port '%1' is not a TCP port (1-65535)").arg(parser.value(kOlaPort));
            return false;
        }
        options.olaPort = quint16(*port);
    }
    return readRange(words, options, error);
}
