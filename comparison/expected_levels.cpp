#include "expected_levels.h"

#include <QHash>
#include <algorithm>

namespace {

const QByteArray kHeader = QByteArrayLiteral("channel,level");
const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// A field as the operator may see it in a fault: whatever the file holds,
// what reaches the terminal is short and printable.
QString shown(const QByteArray &field)
{
    constexpr int kShownLength = 20;
    QString text;
    for (const char c : field.left(kShownLength))
        text += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QChar(u'?');
    if (field.size() > kShownLength)
        text += QStringLiteral("...");
    return text;
}

// Digits only: no sign, no blank, no point.
std::optional<int> number(const QByteArray &field)
{
    if (field.isEmpty() || field.size() > 9
        || !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return field.toInt();
}

} // namespace

std::optional<std::pair<int, int>> ExpectedLevels::span(int first, int last) const
{
    std::optional<std::pair<int, int>> found;
    for (const ExpectedLevel &expected : levels) {
        if (!expected.level || expected.channel < first || expected.channel > last)
            continue;
        if (!found)
            found = std::make_pair(expected.channel, expected.channel);
        found->first = std::min(found->first, expected.channel);
        found->second = std::max(found->second, expected.channel);
    }
    return found;
}

std::optional<ExpectedLevels> parseExpectedLevels(const QByteArray &text, ExpectedLevelsFault &fault)
{
    auto refuse = [&fault](int line, const QString &why) -> std::optional<ExpectedLevels> {
        fault = ExpectedLevelsFault{line, why};
        return std::nullopt;
    };
    if (text.size() > ExpectedLevels::kLongestFile)
        return refuse(0, QStringLiteral("longer than %1 bytes: not a table of channel levels")
                             .arg(ExpectedLevels::kLongestFile));

    const QByteArray body = text.startsWith(kByteOrderMark) ? text.mid(kByteOrderMark.size()) : text;
    const QList<QByteArray> lines = body.split('\n');
    ExpectedLevels expected;
    QHash<int, int> lineOf; // channel -> the line that named it
    bool headerSeen = false;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (!headerSeen) {
            if (line != kHeader)
                return refuse(lineNumber, QStringLiteral("the header must be 'channel,level', not '%1'").arg(shown(line)));
            headerSeen = true;
            continue;
        }
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() != 2)
            return refuse(lineNumber, QStringLiteral("'%1' is not channel,level").arg(shown(line)));
        const std::optional<int> channel = number(fields[0]);
        if (!channel)
            return refuse(lineNumber, QStringLiteral("'%1' is not a channel number").arg(shown(fields[0])));
        if (*channel < 1 || *channel > ExpectedLevels::kLineChannels)
            return refuse(lineNumber, QStringLiteral("channel %1 is outside 1-%2")
                                          .arg(*channel)
                                          .arg(ExpectedLevels::kLineChannels));
        if (const auto before = lineOf.constFind(*channel); before != lineOf.constEnd())
            return refuse(lineNumber, QStringLiteral("channel %1 again (first on line %2)").arg(*channel).arg(*before));
        std::optional<int> level;
        if (!fields[1].isEmpty()) {
            level = number(fields[1]);
            if (!level)
                return refuse(lineNumber, QStringLiteral("'%1' is not a level").arg(shown(fields[1])));
            if (*level > 255)
                return refuse(lineNumber, QStringLiteral("level %1 is outside 0-255").arg(*level));
        }
        lineOf.insert(*channel, lineNumber);
        expected.levels << ExpectedLevel{*channel, level};
    }
    if (!headerSeen)
        return refuse(0, QStringLiteral("empty: no header 'channel,level'"));
    if (expected.levels.isEmpty())
        return refuse(0, QStringLiteral("no channels under the header"));
    return expected;
}

ExpectedLevels expectedFromFrame(const QByteArray &frame, int first, int last)
{
    ExpectedLevels expected;
    last = std::min(last, int(std::min<qsizetype>(frame.size(), ExpectedLevels::kLineChannels)));
    expected.levels.reserve(std::max(last - first + 1, 0));
    for (int channel = std::max(first, 1); channel <= last; ++channel)
        expected.levels << ExpectedLevel{channel, quint8(frame[channel - 1])};
    return expected;
}
