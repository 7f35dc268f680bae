// lumivane-sim: the transceiver box on a pseudo-terminal, for running the
// monitor without the hardware and for trying it against a faulty box.

#include "device_link.h"
#include "pseudo_terminal.h"
#include "pty_server.h"
#include "sim_box.h"
#include "sim_options.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <cstdio>

namespace {
constexpr int kBadCommandLine = 2;
constexpr int kCannotStart = 1;

void complain(const QString &message)
{
    std::fprintf(stderr, "lumivane-sim: %s\n", qPrintable(message));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivane-sim"));

    QString error;
    const auto options = parseSimOptions(QCoreApplication::arguments(), error);
    if (!options) {
        complain(error);
        complain(QStringLiteral("Try --help."));
        return kBadCommandLine;
    }

    SimBox box(options->animated);
    box.faults() = options->faults;
    for (const auto &[channel, level] : options->levels)
        box.setLevel(channel, level);

    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &app, &QCoreApplication::quit);

    PseudoTerminal terminal;
    if (!terminal.open(error)) {
        complain(error);
        return kCannotStart;
    }
    DeviceLink link;
    if (!link.create(options->linkPath, terminal.deviceName(), error)) {
        complain(error);
        return kCannotStart;
    }
    PtyServer server(terminal.boxSide(), box);
    if (options->baud > 0)
        server.setBaud(options->baud);

    // Scripts wait for this one line before they open the port.
    std::printf("lumivane-sim: ready on %s -> %s\n", qPrintable(options->linkPath),
                qPrintable(terminal.deviceName()));
    std::fflush(stdout);

    return app.exec();
}
