#include "replay_options.h"

#include "sim_options.h"

namespace {
const QString kReplay = QStringLiteral("replay");
const QString kLoop = QStringLiteral("loop");
const QString kUniverse = QStringLiteral("universe");
} // namespace

QList<QCommandLineOption> replayOptions()
{
    return {QCommandLineOption(kReplay,
                               QStringLiteral("Play the take recorded in <file> (a show file, as lumivane "
                                              "record and ola_recorder write) as the box's levels, in its "
                                              "own time; after its last picture hold it."),
                               QStringLiteral("file")),
            QCommandLineOption(kLoop, QStringLiteral("With --replay: start the take again after its end.")),
            QCommandLineOption(kUniverse,
                               QStringLiteral("With --replay: play universe <n> of a take that holds several "
                                              "(ola_recorder records several into one file)."),
                               QStringLiteral("n"))};
}

QString readReplayOptions(const QCommandLineParser &parser, SimOptions &options)
{
    options.loop = parser.isSet(kLoop);
    if (!parser.isSet(kReplay)) {
        if (options.loop || parser.isSet(kUniverse))
            return QStringLiteral("--%1 needs --replay.").arg(options.loop ? kLoop : kUniverse);
        return {};
    }
    if (parser.isSet(kUniverse)) {
        bool ok = false;
        const QString text = parser.value(kUniverse);
        const unsigned int universe = text.toUInt(&ok);
        if (!ok || !text.front().isDigit())
            return QStringLiteral("--universe '%1' is not an OLA universe number.").arg(text);
        options.replayUniverse = universe;
    }
    options.replayPath = parser.value(kReplay);
    if (options.replayPath.isEmpty())
        return QStringLiteral("--replay wants a show file.");
    if (!parser.values(QStringLiteral("level")).isEmpty() || parser.isSet(QStringLiteral("static")))
        return QStringLiteral("--replay plays the take's levels; it takes no --level or --static.");
    return {};
}
