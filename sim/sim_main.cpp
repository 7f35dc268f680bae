// lumivane-sim: the transceiver box on a pseudo-terminal, for running the
// monitor without the hardware and for trying it against a faulty box.

#include "sim_box.h"
#include "sim_line.h"
#include "show_format.h"
#include "show_replay.h"
#include "sim_options.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

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

    const SimCommandLine commandLine = parseSimOptions(QCoreApplication::arguments());
    switch (commandLine.outcome) {
    case SimCommandLine::Outcome::Help:
    case SimCommandLine::Outcome::Version:
        std::fputs(qPrintable(commandLine.text), stdout);
        return 0;
    case SimCommandLine::Outcome::Error:
        complain(commandLine.text);
        complain(QStringLiteral("Try --help."));
        return kBadCommandLine;
    case SimCommandLine::Outcome::Run:
        break;
    }
    const SimOptions &options = commandLine.options;
    QString error;

    SimBox box(options.animated);
    box.faults() = options.faults;
    for (const auto &[channel, level] : options.levels)
        box.setLevel(channel, level);
    // A bad take is found before the line comes up: nothing opens.
    std::unique_ptr<ShowReplay> replay;
    if (!options.replayPath.isEmpty()) {
        Recording take;
        if (!loadShow(options.replayPath, take, error, options.replayUniverse)) {
            complain(error);
            return kCannotStart;
        }
        // Playing the first of them would be a guess the operator cannot see.
        if (!options.replayUniverse && take.universesInFile().size() > 1) {
            complain(QStringLiteral("%1 holds %2: --universe chooses the one to play")
                         .arg(options.replayPath, show_format::universeNames(take.universesInFile())));
            return kCannotStart;
        }
        replay = std::make_unique<ShowReplay>(box, std::move(take), options.loop);
    }

    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &app, &QCoreApplication::quit);

    SimLine line(options.linkPath, box);
    line.setBaud(options.baud);
    if (!line.up(error)) {
        complain(error);
        return kCannotStart;
    }

    // Scripts wait for this one line before they open the port.
    std::printf("lumivane-sim: ready on %s -> %s\n", qPrintable(options.linkPath),
                qPrintable(line.deviceName()));
    std::fflush(stdout);
    if (replay)
        replay->start();

    // The cable pulled and plugged back on purpose, as a USB adapter would be.
    if (options.dropAfter) {
        QTimer::singleShot(*options.dropAfter, &line, [&line, &options] {
            line.down();
            std::printf("lumivane-sim: line dropped\n");
            std::fflush(stdout);
            if (!options.backAfter)
                return;
            QTimer::singleShot(*options.backAfter, &line, [&line, &options] {
                QString error;
                if (!line.up(error)) {
                    complain(error);
                    QCoreApplication::exit(kCannotStart);
                    return;
                }
                std::printf("lumivane-sim: line back on %s -> %s\n", qPrintable(options.linkPath),
                            qPrintable(line.deviceName()));
                std::fflush(stdout);
            });
        });
    }

    return app.exec();
}
