#include "image_list.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int kImageSize = 16;

QPixmap triangle(bool pointsRight)
{
    QPixmap image(kImageSize, kImageSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPolygon shape = pointsRight ? QPolygon({QPoint(5, 3), QPoint(11, 8), QPoint(5, 13)})
                                       : QPolygon({QPoint(10, 3), QPoint(4, 8), QPoint(10, 13)});
    painter.drawPolygon(shape);
    return image;
}

} // namespace

ImageList::ImageList()
{
    m_icons.insert(QStringLiteral("Back"), QIcon(triangle(false)));
    m_icons.insert(QStringLiteral("Forward"), QIcon(triangle(true)));
}
