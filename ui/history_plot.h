#pragma once

#include "level_format.h"

#include <QColor>
#include <QPointF>
#include <QImage>
#include <QVector>
#include <QWidget>

// The pinned channels' levels over the last minute, or over a whole take
// with a mark at the moment shown, one line each, the level axis written in
// the window's display format.
class HistoryPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr double kSpanSeconds = 60.0;
    // Live pictures further apart than this leave a gap in the lines.
    static constexpr double kGapSeconds = 1.0;

    struct Series {
        int channel = 0;
        QColor colour;
        // x: seconds before now (-60..0), or into the take; y: level 0-255
        QVector<QPointF> points;
    };

    explicit HistoryPlot(QWidget *parent = nullptr);

    void setSeries(const QVector<Series> &series);
    void setFormat(LevelFormat format);
    // The time axis: the last minute, or 0..length seconds of a take with a
    // mark at `cursor`.
    void showLastMinute();
    void showTake(double lengthSeconds);
    void setCursor(double seconds);

    // Where the legend stands, and the traces under it.
    QRectF legendRect() const;
    QRectF plotArea() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The marks of a take's time axis, in seconds from its start: 0 and on
    // by a round step, never more than kMostTicks + 1 of them, whatever the
    // length.
    static constexpr int kMostTicks = 8;
    static QVector<double> takeTicks(double lengthSeconds);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void describe();

    QVector<Series> m_series;
    // The series as drawn, for the area they were drawn for: a take of an
    // hour has some hundred thousand points a series, each pixel column
    // of a moving channel a line top to bottom, and playing it moves only
    // the mark.
    QImage m_lines;
    QRectF m_linesArea;
    LevelFormat m_format = LevelFormat::Decimal;
    bool m_take = false;
    double m_takeLength = 0;
    double m_cursor = 0;
};
