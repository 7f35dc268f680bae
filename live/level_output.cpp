#include "level_output.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QByteArray levelText(const std::optional<int> &level)
{
    return level ? QByteArray::number(*level) : QByteArray();
}

QJsonValue levelValue(const std::optional<int> &level)
{
    return level ? QJsonValue(*level) : QJsonValue();
}

// Escaped as QJsonDocument escapes it.
QByteArray jsonValue(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// Quoted when a reader could take it apart or trim it: the probe's
// " No DMX Transceiver is connected" keeps its leading blank.
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    const bool quote = field.contains(',') || field.contains('"') || field.contains('\n')
        || field.contains('\r') || field.startsWith(' ') || field.endsWith(' ');
    if (!quote)
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

} // namespace

QString isoTime(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray jsonObject(std::initializer_list<std::pair<const char *, QJsonValue>> fields)
{
    QByteArrayList written;
    for (const auto &[key, value] : fields)
        written << '"' + QByteArray(key) + "\":" + jsonValue(value);
    return '{' + written.join(',') + '}';
}

QByteArray jsonArrayLine(const QByteArrayList &objects)
{
    return '[' + objects.join(',') + "]\n";
}

QVector<ChannelLevel> channelLevels(int first, const QByteArray &levels)
{
    QVector<ChannelLevel> readings;
    readings.reserve(levels.size());
    for (int i = 0; i < levels.size(); ++i)
        readings << ChannelLevel{first + i, quint8(levels[i])};
    return readings;
}

QByteArray formatLevels(OutputFormat format, const QVector<ChannelLevel> &levels)
{
    QByteArray out;
    switch (format) {
    case OutputFormat::Text:
        for (const ChannelLevel &reading : levels)
            out += QByteArray::number(reading.channel) + ' ' + levelText(reading.level) + '\n';
        break;
    case OutputFormat::Csv:
        out = "channel,level\n";
        for (const ChannelLevel &reading : levels)
            out += QByteArray::number(reading.channel) + ',' + levelText(reading.level) + '\n';
        break;
    case OutputFormat::Json: {
        QByteArrayList objects;
        for (const ChannelLevel &reading : levels)
            objects << jsonObject({{"channel", reading.channel}, {"level", levelValue(reading.level)}});
        out = jsonArrayLine(objects);
        break;
    }
    }
    return out;
}

QByteArray watchHeader(OutputFormat format)
{
    return format == OutputFormat::Csv ? QByteArray("time,channel,level\n") : QByteArray();
}

QByteArray formatWatchedLevel(OutputFormat format, const QDateTime &time, const ChannelLevel &reading,
                              bool timedText)
{
    switch (format) {
    case OutputFormat::Text:
        if (timedText)
            return isoTime(time).toLatin1() + ' ' + formatLevels(OutputFormat::Text, {reading});
        break;
    case OutputFormat::Csv:
        return isoTime(time).toLatin1() + ',' + QByteArray::number(reading.channel) + ','
            + levelText(reading.level) + '\n';
    case OutputFormat::Json:
        return jsonObject({{"channel", reading.channel}, {"level", levelValue(reading.level)}, {"time", isoTime(time)}})
            + '\n';
    }
    return formatLevels(OutputFormat::Text, {reading});
}

QByteArray formatProbe(OutputFormat format, const QString &device, Status status)
{
    switch (format) {
    case OutputFormat::Text:
        break;
    case OutputFormat::Csv:
        return "device,status\n" + csvField(device) + ',' + csvField(statusText(status)) + '\n';
    case OutputFormat::Json:
        return jsonObject({{"device", device}, {"status", statusText(status)}}) + '\n';
    }
    return statusText(status).toUtf8() + '\n';
}
