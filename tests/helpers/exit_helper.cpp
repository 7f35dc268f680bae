// A monitor on the real port layer that presses Exit while its start-up
// probe still waits for the box. Exiting must end the process right there:
// if Form_Load ever returns, the exit status says so.
#include "frm_main.h"
#include "qt_serial_port.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>

using namespace std::chrono_literals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool viaMenu = app.arguments().contains(QStringLiteral("--menu"));
    frmMain window(std::make_unique<QtSerialPort>(), Platform::system());
    QTimer::singleShot(150ms, &window, [&window, viaMenu] {
        if (viaMenu)
            window.findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
        else
            window.findChild<QPushButton *>(QStringLiteral("cmdExit"))->click();
    });
    window.Form_Load();
    return 3; // the probe's wait resumed after Exit
}
