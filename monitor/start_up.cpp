#include "start_up.h"

#include "display_guard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

const char kDescription[] =
    "Watches the channel levels of a DMX512 line through a Lumivane transceiver box\n"
    "on a serial port (115200,n,8,1).\n"
    "\n"
    "Port n (1 to 4) opens the device named by the environment variable\n"
    "LUMIVANE_PORTn when it is set; otherwise the n-th serial device found,\n"
    "USB and ACM adapters first. Each port button's tool tip names its device.\n"
    "Serial devices need membership of the dialout group.";

} // namespace

std::optional<int> answerStartUp(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform, -reverse); read as
    // letters, -reverse would hold a -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Not Qt's help option: its --help-all would list the GUI options, which
    // only a QApplication, and so a display, knows.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(arguments); // unknown options belong to QApplication

    if (parser.isSet(help) || parser.isSet(version)) {
        // Only for the program's name in the usage line; needs no display.
        QCoreApplication app(argc, argv);
        const QString answer = parser.isSet(help)
            ? parser.helpText()
            : QStringLiteral("lumivane-monitor %1\n").arg(QStringLiteral(LUMIVANE_VERSION));
        std::fputs(qPrintable(answer), stdout);
        return 0;
    }

    guardDisplayStartUp(argc, argv);
    return std::nullopt;
}
