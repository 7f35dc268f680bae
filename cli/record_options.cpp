#include "record_options.h"

#include "bridge_options.h"
#include "show_format.h"
#include "whole_number.h"

#include <algorithm>
#include <optional>

namespace {

const QString kRange = QStringLiteral("range");
const QString kDuration = QStringLiteral("duration");
constexpr int kLongestTake = 7 * 24 * 60 * 60; // seconds

bool readRange(const QString &range, CliOptions &options, QString &error)
{
    const QStringList ends = range.split(u'-');
    const int first = ends.size() == 2 ? wholeNumber(ends[0], show_format::kMaxChannels).value_or(0) : 0;
    const int last = ends.size() == 2 ? wholeNumber(ends[1], show_format::kMaxChannels).value_or(0) : 0;
    if (first < 1 || last < first) {
        error = QStringLiteral("--range '%1' is not a channel range FIRST-LAST within 1-%2")
                    .arg(range)
                    .arg(show_format::kMaxChannels);
        return false;
    }
    options.first = first;
    options.last = last;
    return true;
}

} // namespace

QList<QCommandLineOption> recordOptions()
{
    // --range is check's too, which adds it to the parser.
    return {QCommandLineOption(kDuration, QString(), QStringLiteral("s"))};
}

bool readRecordOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error)
{
    if (options.command != CliOptions::Command::Record) {
        for (const QString &name : {kRange, kDuration}) {
            const bool shared = (name == kRange && options.command == CliOptions::Command::Check)
                || (name == kDuration && options.command == CliOptions::Command::Report);
            if (parser.isSet(name) && !shared) {
                error = name == kDuration ? QStringLiteral("--duration is for record and report only")
                                          : QStringLiteral("--%1 is for record only").arg(name);
                return false;
            }
        }
        return true;
    }
    if (parser.isSet(QStringLiteral("format"))) {
        error = QStringLiteral("record takes no --format");
        return false;
    }
    if (words.size() != 1 || words.first().isEmpty()) {
        error = QStringLiteral("record takes one FILE to record into");
        return false;
    }
    options.recordPath = words.first();
    options.first = 1;
    options.last = show_format::kMaxChannels;
    options.universe = 1;
    if (const QString universe = parser.value(QStringLiteral("universe")); parser.isSet(QStringLiteral("universe"))) {
        const std::optional<unsigned int> number = olaUniverse(universe);
        if (!number) {
            error = QStringLiteral("--universe '%1' is not an OLA universe number").arg(universe);
            return false;
        }
        options.universe = *number;
    }
    if (parser.isSet(kRange) && !readRange(parser.value(kRange), options, error))
        return false;
    return readDuration(parser, options, error);
}

bool readDuration(const QCommandLineParser &parser, CliOptions &options, QString &error)
{
    if (parser.isSet(kDuration)) {
        const std::optional<int> seconds = wholeNumber(parser.value(kDuration), kLongestTake);
        if (!seconds || *seconds < 1) {
            error = QStringLiteral("--duration '%1' is not a number of seconds (1-%2)")
                        .arg(parser.value(kDuration))
                        .arg(kLongestTake);
            return false;
        }
        options.durationSeconds = *seconds;
    }
    return true;
}
