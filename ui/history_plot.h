#pragma once

#include "level_format.h"

#include <QColor>
#include <QPointF>
#include <QVector>
#include <QWidget>

// The pinned channels' levels over the last minute, one line each, the
// level axis written in the window's display format.
class HistoryPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr double kSpanSeconds = 60.0;

    struct Series {
        int channel = 0;
        QColor colour;
        QVector<QPointF> points; // x: seconds before now (-60..0), y: level 0-255
    };

    explicit HistoryPlot(QWidget *parent = nullptr);

    void setSeries(const QVector<Series> &series);
    void setFormat(LevelFormat format);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<Series> m_series;
    LevelFormat m_format = LevelFormat::Decimal;
};
