#pragma once

#include <QAccessibleWidget>

class QRadioButton;

// An option button as a screen reader or voice control works it: its action
// does what a click does. Choosing a port by its action therefore opens and
// probes it, and the action on the port already chosen opens and probes it
// again, where a plain toggle would leave a chosen button as it was.
class OptionButtonAccessible : public QAccessibleWidget {
public:
    explicit OptionButtonAccessible(QRadioButton *button);

    // Answers for every option button.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;

private:
    QRadioButton *button() const;
};
