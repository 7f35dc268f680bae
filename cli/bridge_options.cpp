#include "bridge_options.h"

#include "range_words.h"

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

} // namespace

QList<QCommandLineOption> bridgeOptions()
{
    return {QCommandLineOption(kUniverse, QString(), QStringLiteral("n")),
            QCommandLineOption(kOlaPort, QString(), QStringLiteral("port"))};
}

bool readBridgeOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error)
{
    if (options.command != CliOptions::Command::Bridge) {
        for (const QString &name : {kUniverse, kOlaPort}) {
            if (parser.isSet(name)) {
                error = QStringLiteral("--%1 is for bridge only").arg(name);
                return false;
            }
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
    const std::optional<quint64> universe = number(parser.value(kUniverse), std::numeric_limits<quint32>::max());
    if (!universe) {
        error = QStringLiteral("--universe '%1' is not an OLA universe number").arg(parser.value(kUniverse));
        return false;
    }
    options.universe = unsigned(*universe);
    if (parser.isSet(kOlaPort)) {
        const std::optional<quint64> port = number(parser.value(kOlaPort), 65535);
        if (!port || *port == 0) {
            error = QStringLiteral("--ola-port '%1' is not a TCP port (1-65535)").arg(parser.value(kOlaPort));
            return false;
        }
        options.olaPort = quint16(*port);
    }
    // The bridge sends the channels one picture holds.
    return readRangeWords(QStringLiteral("bridge"), words, options, error);
}
