#include "box_session.h"
#include "frm_main.h"
#include "qt_serial_port.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
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

// The application icon, in every size the resource holds.
QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/lumivane-monitor-%1.png").arg(size), QSize(size, size));
    return icon;
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
    QApplication::setWindowIcon(applicationIcon());

    BoxSession session(std::make_unique<QtSerialPort>());
    frmMain window(session, Platform::system());
    window.load();
    window.show();
    return QApplication::exec();
}
