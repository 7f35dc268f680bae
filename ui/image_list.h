#pragma once

#include <QIcon>
#include <QMap>
#include <QString>

// The step buttons' images, 16 x 16, addressed by key: "Back" is a black
// triangle pointing left, "Forward" one pointing right.
class ImageList {
public:
    ImageList();
    QIcon icon(const QString &key) const { return m_icons.value(key); }
    QStringList keys() const { return m_icons.keys(); }

private:
    QMap<QString, QIcon> m_icons;
};
