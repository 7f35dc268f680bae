// lumivane: the box from the command line, for scripts and test benches.
// The same session and protocol code as the monitor, without a window.

#include "box_session.h"
#include "bridge_command.h"
#include "cli_command.h"
#include "cli_options.h"
#include "port_mapping.h"
#include "qt_serial_port.h"
#include "record_command.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Read, list and watch do not probe: the port is opened here, so that a port
// that will not open ends the run before anything is sent.
std::unique_ptr<QtSerialPort> openedPort(const CliOptions &options)
{
    auto port = std::make_unique<QtSerialPort>();
    const QString device = options.device.isEmpty() ? portDeviceName(options.portNumber) : options.device;
    if (!port->open(device, LineSettings{})) {
        std::fprintf(stderr, "%s\n", qPrintable(portFaultText(port->deviceName(), options.portNumber)));
        return nullptr;
    }
    return port;
}

} // namespace

int main(int argc, char *argv[])
{
    // Every fault is found before the port is opened: nothing goes to the wire.
    QString error;
    const std::optional<CliOptions> options = parseCliOptions(argumentList(argc, argv), error);
    if (!options) {
        std::fprintf(stderr, "lumivane: %s\n", qPrintable(error));
        return CliCommand::kUsageError;
    }
    switch (options->command) {
    case CliOptions::Command::Help:
        std::fputs(qPrintable(cliHelpText()), stdout);
        return 0;
    case CliOptions::Command::Version:
        std::printf("lumivane %s\n", LUMIVANE_VERSION);
        return 0;
    case CliOptions::Command::Ports:
        std::fputs(qPrintable(portListing()), stdout);
        return 0;
    default:
        break;
    }

    // A reader that goes away is seen as a failed write, not a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);

    std::unique_ptr<QtSerialPort> port;
    if (options->command == CliOptions::Command::Probe) {
        port = std::make_unique<QtSerialPort>(); // choosePort() opens it
    } else if (!(port = openedPort(*options))) {
        return CliCommand::kPortFault;
    }
    BoxSession session(std::move(port));
    if (options->command != CliOptions::Command::Probe)
        session.adoptOpenPort(options->portNumber);
    if (options->command == CliOptions::Command::Bridge)
        return runBridge(*options, session, session.port().deviceName());
    if (options->command == CliOptions::Command::Record)
        return runRecord(*options, session);
    CliCommand command(*options, session);
    QObject::connect(&command, &CliCommand::finished, &app, &QCoreApplication::exit);

    // Only a watch has work to finish on Ctrl+C; the others end as they would.
    std::unique_ptr<StopSignals> stopSignals;
    if (options->command == CliOptions::Command::Watch) {
        stopSignals = std::make_unique<StopSignals>();
        QObject::connect(stopSignals.get(), &StopSignals::stopRequested, &command, &CliCommand::interrupt);
    }

    QMetaObject::invokeMethod(&command, &CliCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
