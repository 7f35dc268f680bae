#include "option_button_accessible.h"

#include <QRadioButton>

QAccessibleInterface *OptionButtonAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("QRadioButton") && object && object->isWidgetType())
        return new OptionButtonAccessible(static_cast<QRadioButton *>(object));
    return nullptr;
}

OptionButtonAccessible::OptionButtonAccessible(QRadioButton *button)
    : QAccessibleWidget(button, QAccessible::RadioButton)
{
}

QRadioButton *OptionButtonAccessible::button() const
{
    return static_cast<QRadioButton *>(widget());
}

QString OptionButtonAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
        return button()->text();
    return QAccessibleWidget::text(kind);
}

QAccessible::State OptionButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    state.pressed = button()->isDown();
    return state;
}

QStringList OptionButtonAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << toggleAction();
    return names + QAccessibleWidget::actionNames();
}

void OptionButtonAccessible::doAction(const QString &action)
{
    if (action == toggleAction()) {
        if (widget()->isEnabled())
            button()->click();
        return;
    }
    QAccessibleWidget::doAction(action);
}
