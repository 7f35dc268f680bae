#include "show_format.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <limits>

namespace show_format {

QByteArray frameLine(unsigned int universe, int first, const QByteArray &levels)
{
    QByteArray line = QByteArray::number(universe);
    line.reserve(line.size() + first + levels.size() * 4 + 1);
    line += ' ';
    line.append(first - 1, ',');
    for (int i = 0; i < levels.size(); ++i) {
        if (i > 0)
            line += ',';
        line += QByteArray::number(quint8(levels[i]));
    }
    line += '\n';
    return line;
}

QByteArray delayLine(qint64 ms)
{
    return QByteArray::number(ms) + '\n';
}

namespace {

// A file that is not text at all (a disk image, zeros) still gives a
// readable message.
QString shown(const char *begin, const char *end)
{
    const qsizetype size = end - begin;
    QString text = QString::fromLatin1(begin, std::min<qsizetype>(size, 40));
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() >= 0x7f)
            c = u'?';
    }
    return size > 40 ? text + QStringLiteral("...") : text;
}

// Digits only, as OLA reads an unsigned number: at most 4294967295.
bool readNumber(const char *begin, const char *end, quint64 &value)
{
    if (begin == end || end - begin > 10)
        return false;
    value = 0;
    for (const char *c = begin; c != end; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        value = value * 10 + quint64(*c - '0');
    }
    return value <= std::numeric_limits<unsigned int>::max();
}

// Far beyond any take, and far from where a millisecond count overflows.
constexpr quint64 kLongestTake = quint64(1) << 53;

struct Frame {
    quint64 universe = 0;
    int first = 0;
    int count = 0;
    char levels[kMaxChannels];
};

bool readFrame(const char *begin, const char *end, Frame &frame, QString &why)
{
    const char *space = static_cast<const char *>(std::memchr(begin, ' ', size_t(end - begin)));
    if (!space || !readNumber(begin, space, frame.universe)) {
        why = QStringLiteral("'%1' is not a picture (a universe, a space, levels)").arg(shown(begin, end));
        return false;
    }
    int channel = 0;
    frame.first = 0;
    frame.count = 0;
    for (const char *field = space + 1;; ++field) {
        ++channel;
        if (channel > kMaxChannels) {
            why = QStringLiteral("more than %1 channels").arg(kMaxChannels);
            return false;
        }
        const char *stop = field;
        int level = 0;
        while (stop != end && *stop != ',') {
            if (*stop < '0' || *stop > '9' || stop - field >= 3) {
                const char *to = static_cast<const char *>(std::memchr(field, ',', size_t(end - field)));
                why = QStringLiteral("channel %1: '%2' is not a level 0-255")
                          .arg(channel)
                          .arg(shown(field, to ? to : end));
                return false;
            }
            level = level * 10 + (*stop - '0');
            ++stop;
        }
        if (level > 255) {
            why = QStringLiteral("channel %1: '%2' is not a level 0-255").arg(channel).arg(shown(field, stop));
            return false;
        }
        if (stop == field) {
            if (frame.first != 0) {
                why = QStringLiteral("channel %1 has no level").arg(channel);
                return false;
            }
        } else {
            if (frame.first == 0)
                frame.first = channel;
            frame.levels[frame.count++] = char(level);
        }
        if (stop == end)
            break;
        field = stop;
    }
    if (frame.first == 0) {
        why = QStringLiteral("a picture without a level");
        return false;
    }
    return true;
}

} // namespace

QString universeNames(const QList<unsigned int> &universes)
{
    QStringList names;
    for (const unsigned int universe : universes)
        names << QString::number(universe);
    if (names.size() < 2)
        return QStringLiteral("universe ") + names.join(QString());
    const QString last = names.takeLast();
    return QStringLiteral("universes %1 and %2").arg(names.join(QStringLiteral(", ")), last);
}

bool parse(const QByteArray &text, Recording &recording, Fault &fault, std::optional<unsigned int> universe)
{
    const char *at = text.constData();
    const char *const end = at + text.size();
    int line = 0;
    const auto fail = [&](const QString &why) {
        fault = {line, why};
        return false;
    };
    if (at == end) {
        line = 1;
        return fail(QStringLiteral("empty, not a show file"));
    }
    Frame frame;
    quint64 ms = 0;
    bool delayNext = false; // after a picture its delay comes, after a delay the next picture
    quint64 lastDelay = 0;
    QList<unsigned int> universes;
    // Each universe keeps the channels of its first picture.
    QHash<unsigned int, std::pair<int, int>> shapes;
    while (at != end) {
        ++line;
        // No further than the longest line a show has: a file of gigabytes
        // without a line end is refused by its first few kilobytes.
        const size_t reach = std::min<size_t>(size_t(end - at), size_t(kLongestLine) + 1);
        const char *newline = static_cast<const char *>(std::memchr(at, '\n', reach));
        if (!newline && reach == size_t(end - at))
            return fail(QStringLiteral("cut short: the line does not end"));
        if (!newline && line == 1)
            return fail(QStringLiteral("not a show file: the first line is '%1', not '%2'")
                            .arg(shown(at, at + reach), QLatin1String(kHeader)));
        if (!newline)
            return fail(QStringLiteral("longer than any line of a show (%1 characters)").arg(kLongestLine));
        const char *lineEnd = newline;
        if (lineEnd != at && lineEnd[-1] == '\r')
            --lineEnd;
        const char *begin = at;
        at = newline + 1;
        if (line == 1) {
            if (size_t(lineEnd - begin) != std::strlen(kHeader) || std::memcmp(begin, kHeader, std::strlen(kHeader)) != 0)
                return fail(QStringLiteral("not a show file: the first line is '%1', not '%2'")
                                .arg(shown(begin, lineEnd), QLatin1String(kHeader)));
            continue;
        }
        if (begin == lineEnd)
            return fail(QStringLiteral("an empty line"));
        QString why;
        if (delayNext) {
            if (!readNumber(begin, lineEnd, lastDelay))
                return fail(QStringLiteral("'%1' is not a delay in milliseconds").arg(shown(begin, lineEnd)));
            ms += lastDelay;
            if (ms > kLongestTake)
                return fail(QStringLiteral("the take runs past %1 ms").arg(kLongestTake));
            delayNext = false;
            continue;
        }
        if (!readFrame(begin, lineEnd, frame, why))
            return fail(why);
        const auto frameUniverse = unsigned(frame.universe);
        const std::pair<int, int> channels{frame.first, frame.first + frame.count - 1};
        if (!universe)
            universe = frameUniverse;
        if (const auto shape = shapes.constFind(frameUniverse); shape == shapes.cend()) {
            shapes.insert(frameUniverse, channels);
            universes.insert(std::lower_bound(universes.begin(), universes.end(), frameUniverse), frameUniverse);
        } else if (*shape != channels) {
            return fail(QStringLiteral("universe %1: channels %2-%3, but the recording is of channels %4-%5")
                            .arg(frameUniverse)
                            .arg(channels.first)
                            .arg(channels.second)
                            .arg(shape->first)
                            .arg(shape->second));
        }
        if (frameUniverse == *universe) {
            if (recording.isEmpty())
                recording.setShape(frameUniverse, channels.first, channels.second);
            recording.append(qint64(ms), frame.levels);
        }
        lastDelay = 0;
        delayNext = true;
    }
    if (universes.isEmpty()) {
        line = 2;
        return fail(QStringLiteral("no picture: the show is empty"));
    }
    if (recording.isEmpty()) {
        line = 0;
        return fail(QStringLiteral("no picture of universe %1; the recording holds %2")
                        .arg(*universe)
                        .arg(universeNames(universes)));
    }
    // The delays after its last picture are how long it was held.
    recording.setHeldAfterLast(qint64(ms) - recording.timeOf(recording.pictures() - 1));
    recording.setUniversesInFile(universes);
    return true;
}

} // namespace show_format

bool loadShow(const QString &path, Recording &recording, QString &error, std::optional<unsigned int> universe)
{
    // A pipe or a device would block the reader or never end.
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (!info.isFile()) {
        error = QStringLiteral("%1: not a file").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray text;
    if (file.size() > 0) {
        if (uchar *mapped = file.map(0, file.size()))
            text = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), file.size());
        else
            text = file.readAll();
    }
    Recording loaded;
    show_format::Fault fault;
    if (!show_format::parse(text, loaded, fault, universe)) {
        error = fault.line > 0 ? QStringLiteral("%1:%2: %3").arg(path).arg(fault.line).arg(fault.text)
                               : QStringLiteral("%1: %2").arg(path, fault.text);
        return false;
    }
    recording = std::move(loaded);
    return true;
}
