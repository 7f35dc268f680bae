#include "labelled_combo_accessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class LabelledComboAccessible : public QAccessibleWidget {
public:
    explicit LabelledComboAccessible(QComboBox *combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return combo()->currentText();
        return QAccessibleWidget::text(kind);
    }

    int childCount() const override { return combo()->view() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && combo()->view() ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return combo()->view() && child && child->object() == combo()->view() ? 0 : -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
    }
};

} // namespace

QAccessibleInterface *labelledComboAccessible(const QString &key, QObject *object)
{
    auto *combo = qobject_cast<QComboBox *>(object);
    if (key == QLatin1String("QComboBox") && combo && !combo->isEditable() && !combo->accessibleName().isEmpty())
        return new LabelledComboAccessible(combo);
    return nullptr;
}
