#include "image_list.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int kImageSize = 16;

QPixmap triangle(bool pointsRight, const QColor &ink)
{
    QPixmap image(kImageSize, kImageSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    const QPolygon shape = pointsRight ? QPolygon({QPoint(5, 3), QPoint(11, 8), QPoint(5, 13)})
                                       : QPolygon({QPoint(10, 3), QPoint(4, 8), QPoint(10, 13)});
    painter.drawPolygon(shape);
    return image;
}

} // namespace

ImageList::ImageList(const QColor &ink)
{
    m_icons[size_t(Image::Back)] = QIcon(triangle(false, ink));
    m_icons[size_t(Image::Forward)] = QIcon(triangle(true, ink));
}

bool paletteIsDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor inkFor(const QPalette &palette)
{
    return paletteIsDark(palette) ? palette.color(QPalette::WindowText) : QColor(Qt::black);
}
