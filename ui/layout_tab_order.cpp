#include "layout_tab_order.h"

#include <QAbstractScrollArea>
#include <QLayout>
#include <QWidget>

namespace {

void collect(QLayout *layout, QList<QWidget *> &chain)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QLayout *inner = item->layout()) {
            collect(inner, chain);
            continue;
        }
        QWidget *widget = item->widget();
        if (!widget)
            continue;
        // A scroll area's focus is the widget it shows.
        if (auto *area = qobject_cast<QAbstractScrollArea *>(widget); area && area->focusPolicy() == Qt::NoFocus)
            widget = area->viewport()->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        if (!widget)
            continue;
        if (widget->layout() && widget->focusPolicy() == Qt::NoFocus)
            collect(widget->layout(), chain);
        else if (widget->focusPolicy() & Qt::TabFocus)
            chain << widget;
    }
}

} // namespace

void tabInLayoutOrder(QLayout *layout)
{
    QList<QWidget *> chain;
    collect(layout, chain);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
