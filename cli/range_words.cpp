#include "range_words.h"

#include "live_fetch.h"

#include <algorithm>
#include <optional>

namespace {

// Digits only, no sign, no blanks, at most `highest`.
std::optional<int> number(const QString &text, int highest)
{
    if (text.isEmpty() || text.size() > 9
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return std::nullopt;
    const int value = text.toInt();
    return value <= highest ? std::optional<int>(value) : std::nullopt;
}

} // namespace

bool readRangeWords(const QString &command, const QStringList &words, CliOptions &options, QString &error)
{
    options.first = 1;
    options.last = LiveFetch::kChannels;
    if (words.isEmpty())
        return true;
    if (words.size() > 1) {
        error = QStringLiteral("%1 takes one range FIRST-LAST, not '%2'").arg(command, words.join(u' '));
        return false;
    }
    const QString range = words.first();
    const QStringList ends = range.split(u'-');
    const int first = ends.size() == 2 ? number(ends[0], LiveFetch::kChannels).value_or(0) : 0;
    const int last = ends.size() == 2 ? number(ends[1], LiveFetch::kChannels).value_or(0) : 0;
    if (first < 1 || last < first) {
        error = QStringLiteral("'%1' is not a channel range FIRST-LAST within 1-%2").arg(range).arg(LiveFetch::kChannels);
        return false;
    }
    options.first = first;
    options.last = last;
    return true;
}
