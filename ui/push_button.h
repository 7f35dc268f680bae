#pragma once

#include <QPushButton>

// A named button of a tool window. Never the dialog's default: Enter in the
// grid or in a box next to it must not press it.
inline QPushButton *pushButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
