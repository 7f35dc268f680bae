#include "report_output.h"

#include <QStringList>

namespace {

QByteArray timeField(const std::optional<qint64> &ms, const QByteArray &none)
{
    return ms ? secondsText(*ms).toLatin1() : none;
}

QList<QByteArray> fields(const ChannelFigures &row, const QByteArray &noTime)
{
    return {QByteArray::number(row.channel),     QByteArray::number(row.lowest),
            QByteArray::number(row.highest),     QByteArray::number(row.changes),
            QByteArray::number(row.largestStep), QByteArray::number(row.spikes),
            timeField(row.firstChangeMs, noTime), timeField(row.lastChangeMs, noTime)};
}

QByteArray textTable(const QVector<ChannelFigures> &rows)
{
    const QStringList columns = reportColumns();
    QList<QByteArray> header;
    for (const QString &column : columns)
        header << column.toLatin1();
    QList<QList<QByteArray>> lines{header};
    for (const ChannelFigures &row : rows)
        lines << fields(row, "-");
    QList<int> widths;
    for (const QByteArray &name : std::as_const(header))
        widths << int(name.size());
    for (const QList<QByteArray> &line : std::as_const(lines)) {
        for (int i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], int(line[i].size()));
    }
    QByteArray out;
    for (const QList<QByteArray> &line : std::as_const(lines)) {
        for (int i = 0; i < line.size(); ++i) {
            if (i > 0)
                out += "  ";
            out += line[i].rightJustified(widths[i], ' ');
        }
        out += '\n';
    }
    return out;
}

} // namespace

QStringList reportColumns()
{
    return {QStringLiteral("channel"), QStringLiteral("min"),          QStringLiteral("max"),
            QStringLiteral("changes"), QStringLiteral("largest_step"), QStringLiteral("spikes"),
            QStringLiteral("first_change"), QStringLiteral("last_change")};
}

QByteArray formatReport(OutputFormat format, const QVector<ChannelFigures> &rows)
{
    switch (format) {
    case OutputFormat::Text:
        break;
    case OutputFormat::Csv: {
        QByteArray out = reportColumns().join(u',').toLatin1() + '\n';
        for (const ChannelFigures &row : rows)
            out += fields(row, QByteArray()).join(',') + '\n';
        return out;
    }
    case OutputFormat::Json: {
        // Written out by hand so that the keys keep the columns' order.
        const QStringList columns = reportColumns();
        QByteArray out = "[";
        for (const ChannelFigures &row : rows) {
            const QList<QByteArray> values = fields(row, "null");
            out += out.size() > 1 ? ",{" : "{";
            for (int i = 0; i < columns.size(); ++i)
                out += (i > 0 ? ",\"" : "\"") + columns[i].toLatin1() + "\":" + values[i];
            out += '}';
        }
        return out + "]\n";
    }
    }
    return textTable(rows);
}

QString secondsText(qint64 ms)
{
    return QStringLiteral("%1.%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString channelRunsText(const QVector<QPair<int, int>> &runs)
{
    QStringList parts;
    for (const auto &[first, last] : runs)
        parts << (first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last));
    return parts.join(QStringLiteral(", "));
}

QString leftOutText(const QVector<QPair<int, int>> &runs, bool fromTake)
{
    const bool one = runs.size() == 1 && runs.first().first == runs.first().second;
    const QString why = fromTake ? (one ? QStringLiteral("is not in the take") : QStringLiteral("are not in the take"))
                                 : (one ? QStringLiteral("was never answered") : QStringLiteral("were never answered"));
    return QStringLiteral("%1 %2 %3").arg(one ? QStringLiteral("channel") : QStringLiteral("channels"),
                                          channelRunsText(runs), why);
}
