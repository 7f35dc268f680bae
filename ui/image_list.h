#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QMap>
#include <QString>

// The step buttons' images, 16 x 16, addressed by key: "Back" is a solid
// triangle pointing left, "Forward" one pointing right, black unless told.
class ImageList {
public:
    explicit ImageList(const QColor &ink = Qt::black);
    QIcon icon(const QString &key) const { return m_icons.value(key); }
    QStringList keys() const { return m_icons.keys(); }

private:
    QMap<QString, QIcon> m_icons;
};

// Black marks vanish on a dark desktop: there they take the palette's own
// text colour; on a light one they stay black.
bool paletteIsDark(const QPalette &palette);
QColor inkFor(const QPalette &palette);
