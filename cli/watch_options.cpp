#include "watch_options.h"

#include "live_fetch.h"

#include <QRegularExpression>

namespace {

const QString kChanges = QStringLiteral("changes");
const QString kHeartbeat = QStringLiteral("heartbeat");
const QString kStillAfter = QStringLiteral("still-after");
constexpr qint64 kLongestStill = 24 * 60 * 60 * 1000;

// Seconds, to the millisecond at most: "12", "0.5".
std::optional<qint64> milliseconds(const QString &text)
{
    static const QRegularExpression seconds(QStringLiteral("^([0-9]{1,5})(?:\\.([0-9]{1,3}))?$"));
    const QRegularExpressionMatch match = seconds.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLongLong() * 1000 + match.captured(2).leftJustified(3, u'0').toLongLong();
}

} // namespace

QList<QCommandLineOption> watchOptions()
{
    return {QCommandLineOption(kChanges, QString()), QCommandLineOption(kHeartbeat, QString(), QStringLiteral("ch")),
            QCommandLineOption(kStillAfter, QString(), QStringLiteral("s"))};
}

bool readWatchOptions(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    if (options.command != CliOptions::Command::Watch) {
        for (const QString &name : {kChanges, kHeartbeat, kStillAfter}) {
            if (parser.isSet(name)) {
                error = QStringLiteral("--%1 is for watch only").arg(name);
                return false;
            }
        }
        return true;
    }
    options.changesOnly = parser.isSet(kChanges);
    if (parser.isSet(kHeartbeat)) {
        const QString value = parser.value(kHeartbeat);
        bool number = false;
        const int channel = value.toInt(&number);
        if (!number || value.size() > 3 || !value.at(0).isDigit() || channel < 1 || channel > LiveFetch::kChannels) {
            error = QStringLiteral("--heartbeat '%1' is not a channel (1-%2)").arg(value).arg(LiveFetch::kChannels);
            return false;
        }
        options.heartbeat = channel;
    }
    if (parser.isSet(kStillAfter)) {
        if (!options.heartbeat) {
            error = QStringLiteral("--still-after needs --heartbeat CH, the channel that should keep moving");
            return false;
        }
        const std::optional<qint64> ms = milliseconds(parser.value(kStillAfter));
        if (!ms || *ms < 1 || *ms > kLongestStill) {
            error = QStringLiteral("--still-after '%1' is not a number of seconds (0.001-%2)")
                        .arg(parser.value(kStillAfter))
                        .arg(kLongestStill / 1000);
            return false;
        }
        options.stillAfter = std::chrono::milliseconds(*ms);
    }
    return true;
}
