#include "replay_options.h"

#include "sim_options.h"

namespace {
const QString kReplay = QStringLiteral("replay");
const QString kLoop = QStringLiteral("loop");
} // namespace

QList<QCommandLineOption> replayOptions()
{
    return {QCommandLineOption(kReplay,
                               QStringLiteral("Play the take recorded in <file> (a show file, as lumivane "
                                              "record and ola_recorder write) as the box's levels, in its "
                                              "own time; after its last picture hold it."),
                               QStringLiteral("file")),
            QCommandLineOption(kLoop, QStringLiteral("With --replay: start the take again after its end."))};
}

QString readReplayOptions(const QCommandLineParser &parser, SimOptions &options)
{
    options.loop = parser.isSet(kLoop);
    if (!parser.isSet(kReplay))
        return options.loop ? QStringLiteral("--loop needs --replay.") : QString();
    options.replayPath = parser.value(kReplay);
    if (options.replayPath.isEmpty())
        return QStringLiteral("--replay wants a show file.");
    if (!parser.values(QStringLiteral("level")).isEmpty() || parser.isSet(QStringLiteral("static")))
        return QStringLiteral("--replay plays the take's levels; it takes no --level or --static.");
    return {};
}
