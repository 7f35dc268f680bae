#include "ticked_slider.h"

#include "readable_colour.h"

#include <QPainter>
#include <QStyleOptionSlider>
#include <QStylePainter>

TickedSlider::TickedSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
}

QColor TickedSlider::tickColour() const
{
    const QColor window = palette().color(QPalette::Window);
    return readableOn(window.darker(140), window, kMarkContrast);
}

void TickedSlider::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks && tickInterval() > 0 && maximum() > minimum()) {
        // Where the style puts its own: under the groove, one a tick interval.
        const int length = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
        const int available = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
        const int tickSize = style()->pixelMetric(QStyle::PM_SliderTickmarkOffset, &option, this);
        const bool horizontal = orientation() == Qt::Horizontal;
        const bool above = tickPosition() & TicksAbove;
        const bool below = tickPosition() & TicksBelow;
        const QRect area = rect();
        painter.setPen(tickColour());
        for (qint64 value = minimum(); value <= maximum(); value += tickInterval()) {
            const int at = QStyle::sliderPositionFromValue(minimum(), maximum(), int(value), available,
                                                           option.upsideDown)
                + length / 2;
            if (horizontal) {
                if (above)
                    painter.drawLine(at, area.top() + 2, at, area.top() + tickSize);
                if (below)
                    painter.drawLine(at, area.bottom() - 2, at, area.bottom() - tickSize);
            } else {
                if (above)
                    painter.drawLine(area.left() + 2, at, area.left() + tickSize, at);
                if (below)
                    painter.drawLine(area.right() - 2, at, area.right() - tickSize, at);
            }
        }
    }
    painter.drawComplexControl(QStyle::CC_Slider, option);
}
