#include "level_comparison.h"

#include <QMap>
#include <algorithm>
#include <cstdlib>

namespace {

std::optional<int> levelIn(int pictureFirst, const QByteArray &pictureLevels, int channel)
{
    const qsizetype index = qsizetype(channel) - pictureFirst;
    if (index < 0 || index >= pictureLevels.size())
        return std::nullopt;
    return quint8(pictureLevels[index]);
}

std::optional<int> expectedIn(const ExpectedLevels *expected, int channel)
{
    if (!expected)
        return std::nullopt;
    const auto found = std::find_if(expected->levels.begin(), expected->levels.end(),
                                    [channel](const ExpectedLevel &level) { return level.channel == channel; });
    return found != expected->levels.end() ? found->level : std::nullopt;
}

Verdict verdictOf(const LevelDifference &difference)
{
    return difference.actual ? Verdict::Differs : Verdict::Unread;
}

} // namespace

QVector<LevelDifference> compareLevels(const ExpectedLevels &expected, int pictureFirst,
                                       const QByteArray &pictureLevels, int tolerance)
{
    QVector<LevelDifference> differences;
    for (const ExpectedLevel &channel : expected.levels) {
        if (!channel.level)
            continue;
        const std::optional<int> actual = levelIn(pictureFirst, pictureLevels, channel.channel);
        if (!actual || std::abs(*actual - *channel.level) > tolerance)
            differences << LevelDifference{channel.channel, *channel.level, actual};
    }
    return differences;
}

QVector<VerdictChange> verdictChanges(const QVector<LevelDifference> &before, const QVector<LevelDifference> &after,
                                      int pictureFirst, const QByteArray &pictureLevels, const ExpectedLevels *now)
{
    QMap<int, LevelDifference> was;
    for (const LevelDifference &difference : before)
        was.insert(difference.channel, difference);
    QMap<int, VerdictChange> changes;
    for (const LevelDifference &difference : after) {
        const Verdict now = verdictOf(difference);
        const auto old = was.constFind(difference.channel);
        if (old == was.constEnd() || verdictOf(*old) != now)
            changes.insert(difference.channel,
                           VerdictChange{difference.channel, difference.expected, difference.actual, now});
        was.remove(difference.channel);
    }
    // What is left differed before and agrees now.
    for (const LevelDifference &recovered : std::as_const(was))
        changes.insert(recovered.channel,
                       VerdictChange{recovered.channel, expectedIn(now, recovered.channel).value_or(recovered.expected),
                                     levelIn(pictureFirst, pictureLevels, recovered.channel), Verdict::Agrees});
    return changes.values();
}
