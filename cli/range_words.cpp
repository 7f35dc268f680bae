#include "range_words.h"

#include "live_fetch.h"
#include "whole_number.h"

#include <algorithm>
#include <optional>

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
    const int first = ends.size() == 2 ? wholeNumber(ends[0], LiveFetch::kChannels).value_or(0) : 0;
    const int last = ends.size() == 2 ? wholeNumber(ends[1], LiveFetch::kChannels).value_or(0) : 0;
    if (first < 1 || last < first) {
        error = QStringLiteral("'%1' is not a channel range FIRST-LAST within 1-%2").arg(range).arg(LiveFetch::kChannels);
        return false;
    }
    options.first = first;
    options.last = last;
    return true;
}
