#include "sim_options.h"

#include "replay_options.h"
#include "sim_box.h"

#include <QCommandLineParser>
#include <cctype>

namespace {

std::optional<int> wholeNumber(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

bool readSilentChannels(const QString &text, QSet<int> &channels)
{
    for (const QString &item : text.split(u',')) {
        const auto channel = wholeNumber(item, 1, SimBox::kChannels);
        if (!channel)
            return false;
        channels.insert(*channel);
    }
    return true;
}

std::optional<QPair<int, quint8>> readLevel(const QString &text)
{
    const QStringList parts = text.split(u'=');
    if (parts.size() != 2)
        return std::nullopt;
    const auto channel = wholeNumber(parts[0], 1, SimBox::kChannels);
    const auto level = wholeNumber(parts[1], 0, 255);
    if (!channel || !level)
        return std::nullopt;
    return QPair<int, quint8>(*channel, quint8(*level));
}

std::optional<QByteArray> readHex(const QString &text)
{
    const QByteArray digits = text.toLatin1();
    if (digits.isEmpty() || digits.size() % 2 != 0)
        return std::nullopt;
    for (char digit : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(digit)))
            return std::nullopt;
    }
    return QByteArray::fromHex(digits);
}

} // namespace

namespace {

SimCommandLine failure(const QString &why)
{
    return {SimCommandLine::Outcome::Error, {}, why};
}

} // namespace

SimCommandLine parseSimOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the DMX transceiver box on a pseudo-terminal, so the monitor "
                       "can be run and tried without the hardware."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Make <path> a symbolic link to the box's serial device (required)."),
        QStringLiteral("path"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption silentChannels(QStringLiteral("silent-channels"),
        QStringLiteral("Never answer for these channels, e.g. 3,7,12 (a block taking one in "
                       "goes unanswered)."),
        QStringLiteral("list"));
    const QCommandLineOption delay(QStringLiteral("delay"),
        QStringLiteral("Hold every answer back for <ms> milliseconds."), QStringLiteral("ms"));
    const QCommandLineOption lowerCase(QStringLiteral("lowercase"),
        QStringLiteral("Answer 'g' and 'l' instead of 'G' and 'L'."));
    const QCommandLineOption badChecksum(QStringLiteral("bad-checksum"),
        QStringLiteral("Send block replies with a wrong checksum."));
    const QCommandLineOption badEnd(QStringLiteral("bad-end"),
        QStringLiteral("Send block replies with a wrong end byte."));
    const QCommandLineOption truncate(QStringLiteral("truncate"),
        QStringLiteral("Send only the first <k> bytes of every block reply."), QStringLiteral("k"));
    const QCommandLineOption extra(QStringLiteral("extra"),
        QStringLiteral("Send <text> after every answer."), QStringLiteral("text"));
    const QCommandLineOption extraHex(QStringLiteral("extra-hex"),
        QStringLiteral("Send these bytes, in hex (e.g. 0d0a), after every answer."),
        QStringLiteral("hex"));
    const QCommandLineOption still(QStringLiteral("static"),
        QStringLiteral("Hold the levels at their opening pattern instead of animating."));
    const QCommandLineOption level(QStringLiteral("level"),
        QStringLiteral("Pin channel <ch> (1..512) at level <v> (0..255); repeatable; "
                       "stops the animation."),
        QStringLiteral("ch=v"));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
        QStringLiteral("Pull the line <ms> milliseconds after start: the terminal closes (the "
                       "monitor's side hangs up) and the link goes away."),
        QStringLiteral("ms"));
    const QCommandLineOption backAfter(QStringLiteral("back-after"),
        QStringLiteral("Plug the line back <ms> milliseconds after --drop-after pulled it: a new "
                       "terminal under the same link."),
        QStringLiteral("ms"));
    parser.addOptions({link, silent, silentChannels, delay, lowerCase, badChecksum, badEnd,
                       truncate, extra, extraHex, still, level});
    parser.addOptions({dropAfter, backAfter});
    const QCommandLineOption baud(QStringLiteral("baud"),
        QStringLiteral("Pace both directions like a serial line at <rate> baud, 10 bits a byte "
                       "(115200: 86.8 us a byte); without it bytes go at the pseudo-terminal's speed."),
        QStringLiteral("rate"));
    parser.addOption(baud);
    parser.addOptions(replayOptions());
    const QCommandLineOption channels(QStringLiteral("channels"),
        QStringLiteral("Serve only channels 1..<n> (1..512, default 512): blocks and reads that "
                       "take in a channel above go unanswered."),
        QStringLiteral("n"));
    parser.addOption(channels);

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(helpOption))
        return {SimCommandLine::Outcome::Help, {}, parser.helpText()};
    // Worded as QCommandLineParser::showVersion() words it.
    if (parser.isSet(versionOption))
        return {SimCommandLine::Outcome::Version, {}, QStringLiteral("lumivane-sim " LUMIVANE_VERSION "\n")};
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));

    SimOptions options;
    options.linkPath = parser.value(link);
    if (options.linkPath.isEmpty())
        return failure(QStringLiteral("--link <path> is required."));
    options.faults.silent = parser.isSet(silent);
    options.faults.lowerCase = parser.isSet(lowerCase);
    options.faults.wrongChecksum = parser.isSet(badChecksum);
    options.faults.wrongEndByte = parser.isSet(badEnd);
    options.animated = !parser.isSet(still);

    if (parser.isSet(silentChannels)
        && !readSilentChannels(parser.value(silentChannels), options.faults.silentChannels))
        return failure(QStringLiteral("--silent-channels wants channel numbers 1..512 separated by commas."));
    if (parser.isSet(delay)) {
        const auto ms = wholeNumber(parser.value(delay), 0, 60000);
        if (!ms)
            return failure(QStringLiteral("--delay wants milliseconds, 0..60000."));
        options.faults.answerDelay = std::chrono::milliseconds{*ms};
    }
    if (parser.isSet(truncate)) {
        const auto keep = wholeNumber(parser.value(truncate), 0, 1000);
        if (!keep)
            return failure(QStringLiteral("--truncate wants a byte count, 0..1000."));
        options.faults.truncateBlockTo = *keep;
    }
    options.faults.extraAfterAnswer = parser.value(extra).toLatin1();
    if (parser.isSet(extraHex)) {
        const auto bytes = readHex(parser.value(extraHex));
        if (!bytes)
            return failure(QStringLiteral("--extra-hex wants pairs of hex digits, e.g. 0d0a."));
        options.faults.extraAfterAnswer.append(*bytes);
    }
    for (const auto &[option, target] : {std::pair{&dropAfter, &options.dropAfter},
                                         std::pair{&backAfter, &options.backAfter}}) {
        if (!parser.isSet(*option))
            continue;
        const auto ms = wholeNumber(parser.value(*option), 0, 3600000);
        if (!ms)
            return failure(QStringLiteral("--%1 wants milliseconds, 0..3600000.").arg(option->names().first()));
        *target = std::chrono::milliseconds{*ms};
    }
    if (options.backAfter && !options.dropAfter)
        return failure(QStringLiteral("--back-after needs --drop-after."));
    if (parser.isSet(baud)) {
        const auto rate = wholeNumber(parser.value(baud), 300, 4000000);
        if (!rate)
            return failure(QStringLiteral("--baud wants a rate, 300..4000000."));
        options.baud = *rate;
    }
    if (parser.isSet(channels)) {
        const auto served = wholeNumber(parser.value(channels), 1, SimBox::kChannels);
        if (!served)
            return failure(QStringLiteral("--channels wants a channel count, 1..512."));
        options.faults.servedChannels = *served;
    }
    for (const QString &text : parser.values(level)) {
        const auto pinned = readLevel(text);
        if (!pinned)
            return failure(QStringLiteral("--level wants <channel 1..512>=<level 0..255>, not %1.").arg(text));
        options.levels.append(*pinned);
    }
    if (const QString fault = readReplayOptions(parser, options); !fault.isEmpty())
        return failure(fault);
    return {SimCommandLine::Outcome::Run, options, {}};
}
