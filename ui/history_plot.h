#pragma once

#include "level_format.h"

#include <QColor>
#include <QPointF>
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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void describe();

    QVector<Series> m_series;
    LevelFormat m_format = LevelFormat::Decimal;
    bool m_take = false;
    double m_takeLength = 0;
    double m_cursor = 0;
};
