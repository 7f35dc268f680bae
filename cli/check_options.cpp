#include "check_options.h"

#include "bridge_options.h"
#include "cli_options.h"
#include "whole_number.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace {

const QString kTolerance = QStringLiteral("tolerance");
const QString kRange = QStringLiteral("range");
const QString kWatch = QStringLiteral("watch");
const QString kOlaUniverse = QStringLiteral("ola-universe");
const QString kSettle = QStringLiteral("settle");

bool readRange(const QString &range, CheckOptions &check, QString &error, const QString &what = QStringLiteral("--range "))
{
    const QStringList ends = range.split(u'-');
    const std::optional<int> first = ends.size() == 2 ? wholeNumber(ends[0]) : std::nullopt;
    const std::optional<int> last = ends.size() == 2 ? wholeNumber(ends[1]) : std::nullopt;
    if (!first || !last || *first < 1 || *last < *first || *last > ExpectedLevels::kLineChannels) {
        error = QStringLiteral("%1'%2' is not a channel range FIRST-LAST within 1-%3")
                    .arg(what, range)
                    .arg(ExpectedLevels::kLineChannels);
        return false;
    }
    check.first = *first;
    check.last = *last;
    return true;
}

// The whole file or a fault naming it; a file far longer than any table of
// levels is not read to its end.
bool readFile(CheckOptions &check, QString &error)
{
    // A pipe without a writer would hold the run at the open for ever.
    const QFileInfo info(check.file);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("cannot read %1: not a regular file").arg(check.file);
        return false;
    }
    QFile file(check.file);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(check.file, file.errorString());
        return false;
    }
    const QByteArray text = file.read(ExpectedLevels::kLongestFile + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot read %1: %2").arg(check.file, file.errorString());
        return false;
    }
    ExpectedLevelsFault fault;
    const std::optional<ExpectedLevels> expected = parseExpectedLevels(text, fault);
    if (!expected) {
        error = fault.line > 0 ? QStringLiteral("%1:%2: %3").arg(check.file).arg(fault.line).arg(fault.text)
                               : QStringLiteral("%1: %2").arg(check.file, fault.text);
        return false;
    }
    for (const ExpectedLevel &level : expected->levels) {
        if (level.channel >= check.first && level.channel <= check.last)
            check.expected.levels << level;
    }
    // A check that compares nothing would pass whatever the line carries.
    if (!check.expected.span()) {
        error = QStringLiteral("%1: no channel with an expected level%2")
                    .arg(check.file,
                         check.first == 1 && check.last == ExpectedLevels::kLineChannels
                             ? QString()
                             : QStringLiteral(" within %1-%2").arg(check.first).arg(check.last));
        return false;
    }
    return true;
}

// check --ola-universe N [FIRST-LAST] [--settle MS]: the levels come from
// olad, not from a file.
bool readOlaCheck(const QCommandLineParser &parser, const QStringList &words, CheckOptions &check, QString &error)
{
    const std::optional<unsigned int> universe = olaUniverse(parser.value(kOlaUniverse));
    if (!universe) {
        error = QStringLiteral("--ola-universe '%1' is not an OLA universe number").arg(parser.value(kOlaUniverse));
        return false;
    }
    check.olaUniverse = *universe;
    if (parser.isSet(kRange)) {
        error = QStringLiteral("check --ola-universe takes its channels as FIRST-LAST, not --range");
        return false;
    }
    if (words.size() > 1) {
        error = QStringLiteral("check --ola-universe takes one range FIRST-LAST, not '%1'").arg(words.join(u' '));
        return false;
    }
    if (words.size() == 1 && !readRange(words.first(), check, error, QString()))
        return false;
    if (parser.isSet(kSettle)) {
        const std::optional<int> settle = wholeNumber(parser.value(kSettle));
        if (!settle || *settle > CheckOptions::kLongestSettle.count()) {
            error = QStringLiteral("--settle '%1' is not a number of milliseconds (0-%2)")
                        .arg(parser.value(kSettle))
                        .arg(CheckOptions::kLongestSettle.count());
            return false;
        }
        check.settle = std::chrono::milliseconds(*settle);
    }
    return true;
}

} // namespace

QList<QCommandLineOption> checkOptions()
{
    return {QCommandLineOption(kTolerance, QString(), QStringLiteral("t")),
            QCommandLineOption(kRange, QString(), QStringLiteral("first-last")),
            QCommandLineOption(kWatch, QString()),
            QCommandLineOption(kOlaUniverse, QString(), QStringLiteral("n")),
            QCommandLineOption(kSettle, QString(), QStringLiteral("ms"))};
}

bool readCheckOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                      QString &error)
{
    if (options.command != CliOptions::Command::Check) {
        for (const QString &name : {kTolerance, kRange, kWatch, kOlaUniverse, kSettle}) {
            if (parser.isSet(name) && !(name == kRange && options.command == CliOptions::Command::Record)) {
                error = name == kRange ? QStringLiteral("--range is for check and record only")
                                       : QStringLiteral("--%1 is for check only").arg(name);
                return false;
            }
        }
        return true;
    }
    CheckOptions &check = options.check;
    if (parser.isSet(kTolerance)) {
        const std::optional<int> tolerance = wholeNumber(parser.value(kTolerance));
        if (!tolerance || *tolerance > 255) {
            error = QStringLiteral("--tolerance '%1' is not a level difference (0-255)").arg(parser.value(kTolerance));
            return false;
        }
        check.tolerance = *tolerance;
    }
    check.watch = parser.isSet(kWatch);
    if (parser.isSet(kOlaUniverse))
        return readOlaCheck(parser, words, check, error);
    for (const QString &name : {kSettle, QStringLiteral("ola-port")}) {
        if (parser.isSet(name)) {
            error = QStringLiteral("--%1 is for check --ola-universe only").arg(name);
            return false;
        }
    }
    if (words.size() != 1) {
        error = words.isEmpty() ? QStringLiteral("check needs FILE, the expected levels (channel,level)")
                                : QStringLiteral("check takes one FILE, not '%1'").arg(words.join(u' '));
        return false;
    }
    check.file = words.first();
    if (parser.isSet(kRange) && !readRange(parser.value(kRange), check, error))
        return false;
    return readFile(check, error);
}
