#include "platform.h"

#include <QApplication>
#include <QMessageBox>

Platform Platform::system()
{
    Platform platform;
    platform.beep = [] { QApplication::beep(); };
    // Shown without a local event loop: the session's timers and the
    // port's arrivals go on being served while the operator reads it.
    platform.messageBox = [](QWidget *parent, const QString &text, const QString &title) {
        auto *box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    };
    platform.endProgram = [] { QCoreApplication::exit(0); };
    return platform;
}
