// lumivane: the box from the command line, for scripts and test benches.
// The same session and protocol code as the monitor, without a window.

#include "box_session.h"
#include "bridge_command.h"
#include "check_command.h"
#include "cli_command.h"
#include "cli_errors.h"
#include "cli_options.h"
#include "port_mapping.h"
#include "ports_output.h"
#include "qt_serial_port.h"
#include "record_command.h"
#include "report_command.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <cerrno>
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
        complain(portFaultText(port->deviceName(), options.portNumber, port->openError()));
        return nullptr;
    }
    return port;
}

// Prints an answer that needs no box. Output that cannot be written (a
// full disk, /dev/full) fails as it does for the other commands; a reader
// that went away had all it wanted.
int answered(const QByteArray &text)
{
    const int fault = writeOut(text);
    if (fault == 0 || fault == EPIPE)
        return CliCommand::kAllRead;
    complain(outputFaultText(fault));
    return CliCommand::kBoxFault;
}

} // namespace

int main(int argc, char *argv[])
{
    prefixQtMessages();
    // Every fault is found before the port is opened: nothing goes to the wire.
    QString error;
    const std::optional<CliOptions> options = parseCliOptions(argumentList(argc, argv), error);
    if (!options) {
        complain(error);
        return CliCommand::kUsageError;
    }
    // A reader that goes away is seen as a failed write, not a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);
    switch (options->command) {
    case CliOptions::Command::Help:
        return answered(cliHelpText().toLocal8Bit());
    case CliOptions::Command::Version:
        return answered(QByteArrayLiteral("lumivane " LUMIVANE_VERSION "\n"));
    case CliOptions::Command::Ports: {
        const QByteArray table = formatPortsNow(options->format);
        return answered(options->noHeader && options->format == OutputFormat::Csv ? withoutHeader(table) : table);
    }
    default:
        break;
    }

    QCoreApplication app(argc, argv);
    if (options->command == CliOptions::Command::Report && !options->reportTake.isEmpty())
        return reportOnTake(*options);
    StopSignals stopSignals;

    std::unique_ptr<QtSerialPort> port;
    if (options->command == CliOptions::Command::Probe) {
        port = std::make_unique<QtSerialPort>(); // choosePort() opens it
    } else if (!(port = openedPort(*options))) {
        return CliCommand::kPortFault;
    }
    BoxSession session(std::move(port));
    if (options->command != CliOptions::Command::Probe)
        session.adoptOpenPort(options->portNumber);
    std::unique_ptr<CommandRun> run;
    switch (options->command) {
    case CliOptions::Command::Bridge:
        run = std::make_unique<BridgeCommand>(*options, session, session.port().deviceName());
        break;
    case CliOptions::Command::Check:
        run = std::make_unique<CheckCommand>(*options, session);
        break;
    case CliOptions::Command::Record:
        run = std::make_unique<RecordCommand>(*options, session);
        break;
    case CliOptions::Command::Report:
        run = std::make_unique<ReportCommand>(*options, session);
        break;
    default:
        run = std::make_unique<CliCommand>(*options, session);
        break;
    }
    QObject::connect(run.get(), &CommandRun::finished, &app, &QCoreApplication::exit);
    // Each command ends in its own way (a watch finishes the pass in flight);
    // every one closes the port and its lock goes, as at a normal end.
    QObject::connect(&stopSignals, &StopSignals::stopRequested, run.get(), &CommandRun::interrupt);
    QMetaObject::invokeMethod(run.get(), &CommandRun::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
