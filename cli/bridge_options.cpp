#include "bridge_options.h"

#include "ola_feed.h"
#include "range_words.h"
#include "whole_number.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QString kUniverse = QStringLiteral("universe");
const QString kOlaPort = QStringLiteral("ola-port");
const QString kPriority = QStringLiteral("priority");

bool readOlaPort(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    if (!parser.isSet(kOlaPort))
        return true;
    const std::optional<quint64> port = bigWholeNumber(parser.value(kOlaPort), 65535);
    if (!port || *port == 0) {
        error = QStringLiteral("--ola-port '%1' is not a TCP port (1-65535)").arg(parser.value(kOlaPort));
        return false;
    }
    options.olaPort = quint16(*port);
    return true;
}

} // namespace

std::optional<unsigned int> olaUniverse(const QString &text)
{
    const std::optional<quint64> universe = bigWholeNumber(text, std::numeric_limits<quint32>::max());
    return universe ? std::optional<unsigned int>(unsigned(*universe)) : std::nullopt;
}

QList<QCommandLineOption> bridgeOptions()
{
    return {QCommandLineOption(kUniverse, QString(), QStringLiteral("n")),
            QCommandLineOption(kOlaPort, QString(), QStringLiteral("port")),
            QCommandLineOption(kPriority, QString(), QStringLiteral("priority"))};
}

bool readBridgeOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error)
{
    if (options.command != CliOptions::Command::Bridge) {
        if (parser.isSet(kPriority)) {
            error = QStringLiteral("--%1 is for bridge only").arg(kPriority);
            return false;
        }
        if (parser.isSet(kUniverse) && options.command != CliOptions::Command::Record) {
            error = QStringLiteral("--%1 is for bridge and record only").arg(kUniverse);
            return false;
        }
        // check --ola-universe takes it too, and tells when it is alone.
        if (options.command == CliOptions::Command::Check)
            return readOlaPort(parser, options, error);
        if (parser.isSet(kOlaPort)) {
            error = QStringLiteral("--ola-port is for bridge and check --ola-universe only");
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
    if (parser.isSet(kPriority)) {
        const std::optional<quint64> priority = bigWholeNumber(parser.value(kPriority), quint64(OlaFeed::kHighestPriority));
        if (!priority) {
            error = QStringLiteral("--priority '%1' is not an OLA priority (0-%2)")
                        .arg(parser.value(kPriority))
                        .arg(OlaFeed::kHighestPriority);
            return false;
        }
        options.olaPriority = int(*priority);
    }
    // The bridge sends the channels one picture holds.
    return readOlaPort(parser, options, error) && readRangeWords(QStringLiteral("bridge"), words, options, error);
}
