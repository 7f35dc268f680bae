#include "step_toolbar.h"

#include <QAction>
#include <QToolButton>
#include <algorithm>
#include <iterator>

namespace {
constexpr QSize kButtonSize(23, 22);
constexpr QSize kImageSize(16, 16);
} // namespace

int steppedValue(int value, int delta, int minimum, int maximum)
{
    return std::clamp(value + delta, minimum, maximum);
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

    for (const Button &entry : kButtons) {
        const QString key = QLatin1String(entry.key);
        QAction *action = addAction(images.icon(entry.image), QString());
        action->setObjectName(key);
        action->setToolTip(key);
        QWidget *button = widgetForAction(action);
        button->setObjectName(key);
        button->setAccessibleName(key);
        button->setFixedSize(std::min(kButtonSize.width(), geometry.width()), kButtonSize.height());
        connect(action, &QAction::triggered, this, [this, delta = entry.delta] { emit stepped(delta); });
    }
}

void StepToolbar::setImages(const ImageList &images)
{
    const QList<QAction *> buttons = actions();
    for (size_t i = 0; i < std::size(kButtons) && int(i) < buttons.size(); ++i)
        buttons[int(i)]->setIcon(images.icon(kButtons[i].image));
}

void StepToolbar::setSpoken(const QString &what)
{
    for (const Button &entry : kButtons) {
        if (auto *button = findChild<QWidget *>(QLatin1String(entry.key), Qt::FindDirectChildrenOnly))
            button->setAccessibleName(QStringLiteral("%1 %2").arg(what, QString::fromLatin1(entry.key).toLower()));
    }
    if (auto *more = findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More steps: %1").arg(what.toLower()));
}
