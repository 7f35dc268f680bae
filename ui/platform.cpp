#include "platform.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

Platform Platform::system()
{
    Platform platform;
    platform.beep = [] { QApplication::beep(); };
    platform.messageBox = [](QWidget *parent, const QString &text, const QString &title) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
        box.exec();
    };
    // Exit ends the program where it stands, also from inside a wait on the
    // box: nothing below the handler may resume and write to the port.
    platform.endProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    return platform;
}
