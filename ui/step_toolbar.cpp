#include "step_toolbar.h"

#include "image_list.h"

#include <QAction>
#include <QToolButton>
#include <algorithm>

namespace {
constexpr QSize kButtonSize(23, 22);
constexpr QSize kImageSize(16, 16);
} // namespace

int steppedValue(int value, const QString &key, int minimum, int maximum)
{
    return key == QLatin1String("Forward") ? std::min(value + 1, maximum) : std::max(value - 1, minimum);
}

StepToolbar::StepToolbar(Qt::Orientation orientation, const ImageList &images, const QRect &geometry,
                         QWidget *parent)
    : QToolBar(parent)
{
    setGeometry(geometry);
    setOrientation(orientation);
    setMovable(false);
    setFloatable(false);
    setIconSize(kImageSize);
    setContentsMargins(0, 0, 0, 0);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));

    for (const QString &key : {QStringLiteral("Forward"), QStringLiteral("Back")}) {
        QAction *action = addAction(images.icon(key), QString());
        action->setObjectName(key);
        action->setToolTip(key);
        QWidget *button = widgetForAction(action);
        button->setObjectName(key);
        button->setAccessibleName(key);
        button->setFixedSize(std::min(kButtonSize.width(), geometry.width()), kButtonSize.height());
        connect(action, &QAction::triggered, this, [this, key] { emit buttonClick(key); });
    }
}

void StepToolbar::setImages(const ImageList &images)
{
    for (QAction *action : actions())
        action->setIcon(images.icon(action->objectName()));
}
