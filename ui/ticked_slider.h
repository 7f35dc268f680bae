#pragma once

#include <QSlider>

// A slider whose tick marks stand out from the window on a dark desktop as
// on a light one: the style's own, a shade darker than the window, vanish
// on a dark grey. The groove and the handle are the style's.
class TickedSlider : public QSlider {
    Q_OBJECT
public:
    explicit TickedSlider(Qt::Orientation orientation, QWidget *parent = nullptr);

    QColor tickColour() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
