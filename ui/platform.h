#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the monitor needs of the desktop beyond its windows: the beep, a modal
// message box with one OK button (shown, not waited on), and leaving the
// event loop so the program ends. Tests put their own in place to count
// beeps and answer boxes without a person.
struct Platform {
    std::function<void()> beep;
    std::function<void(QWidget *parent, const QString &text, const QString &title)> messageBox;
    std::function<void()> endProgram;

    static Platform system();
};
