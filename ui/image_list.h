#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <array>

// The step buttons' images, 16 x 16: Back is a solid triangle pointing
// left, Forward one pointing right, black unless told.
class ImageList {
public:
    enum class Image { Back, Forward };

    explicit ImageList(const QColor &ink = Qt::black);
    QIcon icon(Image image) const { return m_icons[size_t(image)]; }

private:
    std::array<QIcon, 2> m_icons;
};

// Black marks vanish on a dark desktop: there they take the palette's own
// text colour; on a light one they stay black.
bool paletteIsDark(const QPalette &palette);
QColor inkFor(const QPalette &palette);
