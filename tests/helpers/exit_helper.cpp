// A monitor on the real port layer that asks for two reads while its
// start-up probe still waits on a silent box, then presses Exit. The program
// must leave its event loop at once with status 0 and tear down normally,
// with nothing beyond the probe on the wire.
#include "box_session.h"
#include "main_window.h"
#include "qt_serial_port.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>

using namespace std::chrono_literals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool viaMenu = app.arguments().contains(QStringLiteral("--menu"));
    int status = 0;
    {
        BoxSession session(std::make_unique<QtSerialPort>());
        MainWindow window(session, Platform::system());
        QTimer::singleShot(100ms, &window, [&window] {
            window.findChild<QPushButton *>(QStringLiteral("cmdReadChannel_0"))->click();
            window.findChild<QPushButton *>(QStringLiteral("cmdReadChannel_1"))->click();
        });
        QTimer::singleShot(150ms, &window, [&window, viaMenu] {
            if (viaMenu)
                window.findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
            else
                window.findChild<QPushButton *>(QStringLiteral("cmdExit"))->click();
        });
        window.load();
        window.show();
        status = QApplication::exec();
    }
    std::puts("exit helper: torn down");
    return status;
}
