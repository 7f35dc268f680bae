#include "box_session.h"
#include "display_guard.h"
#include "accessible_faces.h"
#include "main_window.h"
#include "qt_serial_port.h"
#include "start_up.h"
#include "stop_signals.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

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
    if (const std::optional<int> status = answerStartUp(argc, argv))
        return *status;
    QApplication app(argc, argv);
    if (const QString problem = displayProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Lumivane MINI Monitor"));
    QApplication::setWindowIcon(applicationIcon());
    installAccessibleFaces();

    BoxSession session(std::make_unique<QtSerialPort>());
    MainWindow window(session, Platform::system());
    // A kill or a closed terminal is File > Exit: the port closes and its
    // lock goes with it.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &window, &QWidget::close);
    window.load();
    window.show();
    return QApplication::exec();
}
