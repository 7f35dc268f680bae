#include "held_marks.h"

#include <QPainter>

// How a channel moved since the hold, as a glyph on a dark square so that it
// reads on any fill and without telling colours apart: a triangle up
// (blue), down (green), one of each side by side (red: it moved and came
// back, the flicker being looked for), a bar (grey: never moved).
QPixmap heldMark(Motion motion, int side)
{
    QPixmap mark(side, side);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x10, 0x10, 0x10));
    painter.drawRoundedRect(QRectF(0, 0, side, side), 2, 2);
    const double margin = side * 0.14;
    const double left = margin;
    const double right = side - margin;
    const double top = margin;
    const double bottom = side - margin;
    const double middle = side / 2.0;
    const auto triangle = [&painter](QPointF a, QPointF b, QPointF c) {
        const QPointF corners[] = {a, b, c};
        painter.drawPolygon(corners, 3);
    };
    switch (motion) {
    case Motion::UpOnly:
        painter.setBrush(QColor(0x4a, 0xa8, 0xff));
        triangle({left, bottom}, {right, bottom}, {middle, top});
        break;
    case Motion::DownOnly:
        painter.setBrush(QColor(0x45, 0xd6, 0x6b));
        triangle({left, top}, {right, top}, {middle, bottom});
        break;
    case Motion::UpAndDown:
        painter.setBrush(QColor(0xff, 0x4a, 0x4a));
        // Side by side, so that it stays two triangles at a small size.
        triangle({left, bottom}, {middle - 0.5, bottom}, {(left + middle) / 2, top});
        triangle({middle + 0.5, top}, {right, top}, {(middle + right) / 2, bottom});
        break;
    case Motion::Still:
        painter.setBrush(QColor(0xa0, 0xa0, 0xa0));
        painter.drawRect(QRectF(left, middle - side * 0.09, right - left, side * 0.18));
        break;
    }
    return mark;
}

QString motionText(Motion motion)
{
    switch (motion) {
    case Motion::Still: return QStringLiteral("never moved");
    case Motion::UpOnly: return QStringLiteral("went up only");
    case Motion::DownOnly: return QStringLiteral("went down only");
    case Motion::UpAndDown: return QStringLiteral("moved and came back");
    }
    return {};
}

