#include "history_plot.h"

#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <iterator>
#include <climits>
#include <limits>
#include <cmath>

namespace {

// Quarter steps of the level range: 0, 25, 50, 75 and 100 % fall on them.
constexpr int kLevelTicks[] = {0, 64, 128, 191, 255};
constexpr double kMinuteTicks[] = {0, 10, 20, 30, 40, 50, 60};
// Steps of the take's time axis up to half a day, the first that leaves at
// most kMostTicks; past that whole days, 1, 2 or 5 times a power of ten.
constexpr double kTakeSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900,
                                 1800, 3600, 7200, 10800, 21600, 43200};
constexpr double kDay = 86400;

// 4:05 into a take, 1:04:05 past an hour, or 300 d on an axis marked in
// days.
QString takeTimeText(double at, double step)
{
    const auto seconds = qint64(at);
    if (step >= kDay)
        return QStringLiteral("%1 d").arg(seconds / qint64(kDay));
    const QLatin1Char zero('0');
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

QString axisLabel(int level, LevelFormat format)
{
    const QString figure = formatLevel(level, format);
    return format == LevelFormat::Percent ? figure + QStringLiteral(" %") : figure;
}

// A minute holds a few thousand pictures but the plot only some hundred
// pixel columns: each column keeps its first, lowest, highest and last
// level, so a flicker still shows and drawing costs the same at any rate.
// Points further apart than `gap` seconds start a new line: nothing was
// seen between them, and a line across would read as measured.
template <typename XOf, typename YOf>
QVector<QPolygonF> columns(const QVector<QPointF> &points, double gap, const XOf &xOf, const YOf &yOf)
{
    QVector<QPolygonF> lines(1);
    int column = INT_MIN;
    double first = 0, lowest = 0, highest = 0, last = 0;
    const auto flush = [&] {
        if (column == INT_MIN)
            return;
        lines.last() << QPointF(column, yOf(first)) << QPointF(column, yOf(lowest)) << QPointF(column, yOf(highest))
                     << QPointF(column, yOf(last));
    };
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF &point = points[i];
        const int x = int(std::lround(xOf(point.x())));
        if (i > 0 && point.x() - points[i - 1].x() > gap) {
            flush();
            column = INT_MIN;
            lines.append(QPolygonF());
        }
        if (x != column) {
            flush();
            column = x;
            first = lowest = highest = point.y();
        }
        lowest = std::min(lowest, point.y());
        highest = std::max(highest, point.y());
        last = point.y();
    }
    flush();
    return lines;
}

} // namespace

HistoryPlot::HistoryPlot(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pltHistory"));
    setAccessibleName(QStringLiteral("History of the pinned channels"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    describe();
}

QVector<double> HistoryPlot::takeTicks(double lengthSeconds)
{
    const double length = std::isfinite(lengthSeconds) ? std::max(lengthSeconds, 0.0) : 0.0;
    double step = 0;
    for (double each : kTakeSteps) {
        if (length / each <= kMostTicks) {
            step = each;
            break;
        }
    }
    for (double days = kDay; step == 0; days *= 10) {
        for (double times : {1.0, 2.0, 5.0}) {
            if (length / (days * times) <= kMostTicks) {
                step = days * times;
                break;
            }
        }
    }
    QVector<double> ticks;
    for (int i = 0; i <= kMostTicks && i * step <= length; ++i)
        ticks << i * step;
    return ticks;
}

void HistoryPlot::setSeries(const QVector<Series> &series)
{
    m_series = series;
    m_lines = QImage();
    describe();
    update();
}

void HistoryPlot::setFormat(LevelFormat format)
{
    m_format = format;
    describe();
    update();
}

// What the lines show, in words, for those who cannot see them: each pinned
// channel's latest level and how far it ranged.
void HistoryPlot::describe()
{
    QStringList lines;
    for (const Series &line : std::as_const(m_series)) {
        if (line.points.isEmpty()) {
            lines << QStringLiteral("Channel %1: no levels yet").arg(line.channel);
            continue;
        }
        double low = line.points.first().y();
        double high = low;
        for (const QPointF &point : line.points) {
            low = std::min(low, point.y());
            high = std::max(high, point.y());
        }
        const auto level = [this](double y) { return formatLevel(int(y + 0.5), m_format); };
        const QString now = QStringLiteral("Channel %1: %2").arg(line.channel).arg(level(line.points.last().y()));
        lines << (level(low) == level(high) ? now + QStringLiteral(", steady")
                                            : now + QStringLiteral(", from %1 to %2").arg(level(low), level(high)));
    }
    const QString text = lines.isEmpty() ? QStringLiteral("No channel pinned") : lines.join(QStringLiteral("; "));
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void HistoryPlot::showLastMinute()
{
    m_take = false;
    m_lines = QImage();
    update();
}

void HistoryPlot::showTake(double lengthSeconds)
{
    m_take = true;
    m_takeLength = std::isfinite(lengthSeconds) ? std::max(lengthSeconds, 0.001) : 0.001;
    m_lines = QImage();
    m_cursor = 0;
    update();
}

void HistoryPlot::setCursor(double seconds)
{
    m_cursor = seconds;
    update();
}

QSize HistoryPlot::sizeHint() const
{
    return {704, 170};
}

QSize HistoryPlot::minimumSizeHint() const
{
    return {300, 170};
}

void HistoryPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x12, 0x12, 0x12));
    const QFontMetrics metrics(font());
    const QRectF area = plotArea();
    const int labelWidth = int(area.left());
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const double from = m_take ? 0.0 : -kSpanSeconds;
    const double span = m_take ? m_takeLength : kSpanSeconds;
    const auto xOf = [&area, from, span](double seconds) { return area.left() + (seconds - from) / span * area.width(); };
    const auto yOf = [&area](double level) { return area.bottom() - level / 255.0 * area.height(); };

    painter.setFont(font());
    for (int level : kLevelTicks) {
        const double y = yOf(level);
        painter.setPen(QColor(0x33, 0x33, 0x33));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(QColor(0xb0, 0xb0, 0xb0));
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, labelWidth - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, axisLabel(level, m_format));
    }
    const QVector<double> ticks =
        m_take ? takeTicks(span) : QVector<double>(std::begin(kMinuteTicks), std::end(kMinuteTicks));
    for (double seconds : ticks) {
        const double x = m_take ? xOf(seconds) : xOf(-seconds);
        painter.setPen(QColor(0x33, 0x33, 0x33));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(QColor(0xb0, 0xb0, 0xb0));
        const QString label = m_take ? takeTimeText(seconds, ticks.size() > 1 ? ticks[1] : span)
            : seconds == 0           ? QStringLiteral("now")
                                     : QStringLiteral("-%1 s").arg(seconds);
        const double width = metrics.horizontalAdvance(label) + 8;
        // Centred under its line, but never cut by the plot's edge ("now").
        const double left = std::clamp(x - width / 2, 0.0, std::max(0.0, double(rect().width()) - width));
        painter.drawText(QRectF(left, area.bottom() + 3, width, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }
    if (m_take) {
        const double x = xOf(std::clamp(m_cursor, 0.0, span));
        painter.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1, Qt::DashLine));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }

    if (m_series.isEmpty()) {
        painter.setPen(QColor(0x90, 0x90, 0x90));
        painter.drawText(area, Qt::AlignCenter,
                         QStringLiteral("Click a cell to follow its channel here (up to five)"));
        return;
    }

    const qreal ratio = devicePixelRatioF();
    if (m_lines.isNull() || m_linesArea != area || m_lines.devicePixelRatio() != ratio) {
        m_lines = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_lines.setDevicePixelRatio(ratio);
        m_lines.fill(Qt::transparent);
        m_linesArea = area;
        QPainter lines(&m_lines);
        lines.setClipRect(area.adjusted(-1, -2, 1, 2));
        // Thin pens take the rasteriser's fast path; two of them side by
        // side make a line as easy to see as a wide one, at a fraction of
        // its cost. A take's series are steps between changes; only the
        // live minute has gaps, where no picture came (a pause, a dead line).
        const double gap = m_take ? std::numeric_limits<double>::infinity() : kGapSeconds;
        for (const Series &series : std::as_const(m_series)) {
            lines.setPen(QPen(series.colour, 1));
            for (QPolygonF &line : columns(series.points, gap, xOf, yOf)) {
                lines.drawPolyline(line);
                line.translate(0, 1);
                lines.drawPolyline(line);
            }
        }
    }
    painter.drawImage(QPointF(0, 0), m_lines);

    // The legend, in pin order, in a strip of its own above the traces, so
    // that a level at full never runs through it.
    const QRectF strip = legendRect();
    double x = strip.left() + 6;
    for (const Series &series : m_series) {
        const QString label = QStringLiteral("Ch %1").arg(series.channel);
        painter.fillRect(QRectF(x, strip.center().y() - 2, 14, 4), series.colour);
        painter.setPen(series.colour);
        painter.drawText(QRectF(x + 18, strip.top(), metrics.horizontalAdvance(label) + 2, strip.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 18 + metrics.horizontalAdvance(label) + 14;
    }
}

QRectF HistoryPlot::legendRect() const
{
    const QFontMetrics metrics(font());
    const double left = metrics.horizontalAdvance(QStringLiteral("100 %")) + 8;
    return QRectF(left, 2, width() - left - 10, metrics.height() + 2);
}

QRectF HistoryPlot::plotArea() const
{
    const QFontMetrics metrics(font());
    const QRectF legend = legendRect();
    // The top figure's label stands half a line above the area.
    return QRectF(rect()).adjusted(legend.left(), legend.bottom() + metrics.height() / 2.0 + 2, -10,
                                   -metrics.height() - 6);
}
