#include "check_output.h"

namespace {

QByteArray levelText(const std::optional<int> &level)
{
    return level ? QByteArray::number(*level) : QByteArray();
}

QJsonValue actualValue(const std::optional<int> &actual)
{
    return actual ? QJsonValue(*actual) : QJsonValue();
}

QByteArray row(char separator, int channel, int expected, const std::optional<int> &actual)
{
    return QByteArray::number(channel) + separator + QByteArray::number(expected) + separator + levelText(actual);
}

} // namespace

QByteArray verdictWord(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Differs: return QByteArrayLiteral("differs");
    case Verdict::Unread: return QByteArrayLiteral("unread");
    case Verdict::Agrees: break;
    }
    return QByteArrayLiteral("agrees");
}

QByteArray formatDifferences(OutputFormat format, const QVector<LevelDifference> &differences)
{
    QByteArray out;
    switch (format) {
    case OutputFormat::Text:
        for (const LevelDifference &d : differences)
            out += row(' ', d.channel, d.expected, d.actual) + '\n';
        break;
    case OutputFormat::Csv:
        out = "channel,expected,actual\n";
        for (const LevelDifference &d : differences)
            out += row(',', d.channel, d.expected, d.actual) + '\n';
        break;
    case OutputFormat::Json: {
        QByteArrayList objects;
        for (const LevelDifference &d : differences)
            objects << jsonObject({{"channel", d.channel}, {"expected", d.expected}, {"actual", actualValue(d.actual)}});
        out = jsonArrayLine(objects);
        break;
    }
    }
    return out;
}

QByteArray verdictChangeHeader(OutputFormat format)
{
    return format == OutputFormat::Csv ? QByteArray("time,channel,expected,actual,verdict\n") : QByteArray();
}

QByteArray formatVerdictChange(OutputFormat format, const QDateTime &time, const VerdictChange &change)
{
    switch (format) {
    case OutputFormat::Text:
        break;
    case OutputFormat::Csv:
        return isoTime(time).toLatin1() + ',' + row(',', change.channel, change.expected, change.actual) + ','
            + verdictWord(change.verdict) + '\n';
    case OutputFormat::Json:
        return jsonObject({{"channel", change.channel},
                           {"expected", change.expected},
                           {"actual", actualValue(change.actual)},
                           {"verdict", QString::fromLatin1(verdictWord(change.verdict))},
                           {"time", isoTime(time)}})
            + '\n';
    }
    // The verdict first: split at blanks, an unread line keeps its fields
    // in their places.
    return verdictWord(change.verdict) + ' ' + row(' ', change.channel, change.expected, change.actual) + '\n';
}
