#include "frm_main.h"
#include "qt_serial_port.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Without any display Qt would print a stack of platform errors and abort;
// one plain line tells the operator what is wrong instead.
bool displayAvailable()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("lumivane-monitor: no display available (DISPLAY is not set); "
                   "start it from a desktop session\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivane MINI Monitor"));

    frmMain window(std::make_unique<QtSerialPort>(), Platform::system());
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
