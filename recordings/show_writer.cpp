#include "show_writer.h"

#include "show_format.h"

#include <QFileDevice>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

ShowWriter::ShowWriter(QFileDevice &file, unsigned int universe)
    : m_file(file)
    , m_universe(universe)
{
}

bool ShowWriter::begin(QString &error)
{
    const QByteArray header = QByteArray(show_format::kHeader) + '\n';
    if (!put(0, header, error))
        return false;
    m_whole = header.size();
    return true;
}

void ShowWriter::splitLongHold(qint64 ms)
{
    while (m_lastAt >= 0 && ms - m_lastAt > show_format::kLongestDelay) {
        m_pending += show_format::delayLine(show_format::kLongestDelay);
        m_pending += show_format::frameLine(m_universe, m_lastFirst, m_lastLevels);
        m_lastAt += show_format::kLongestDelay;
    }
}

void ShowWriter::add(qint64 ms, int first, const QByteArray &levels)
{
    splitLongHold(ms);
    if (m_lastAt >= 0)
        m_pending += show_format::delayLine(ms - m_lastAt);
    m_pending += show_format::frameLine(m_universe, first, levels);
    m_lastAt = ms;
    m_lastFirst = first;
    m_lastLevels = levels;
    ++m_added;
}

bool ShowWriter::flush(qint64 ms, QString &error)
{
    if (m_failed) {
        error = QStringLiteral("the recording has stopped");
        return false;
    }
    // The held delay is only ever overwritten by a longer one, or by the
    // final delay of the same picture and what follows it.
    splitLongHold(ms);
    if (!m_pending.isEmpty()) {
        if (!put(m_whole, m_pending, error))
            return false;
        m_whole += m_pending.size();
        m_tail = 0;
        m_pending.clear();
    }
    if (m_lastAt >= 0) {
        const QByteArray held = show_format::delayLine(std::max<qint64>(ms - m_lastAt, 0));
        if (!put(m_whole, held, error))
            return false;
        m_tail = held.size();
    }
    if (m_file.handle() >= 0 && ::fdatasync(m_file.handle()) != 0 && errno != EINVAL) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        m_failed = true;
        return false;
    }
    return true;
}

// A write the disk takes only in part reports no error of its own: what
// is left is written again, which fails with the cause (no space, a file
// size limit). Should one take nothing and say nothing, the disk is full.
bool ShowWriter::writeAll(const QByteArray &text, QString &error)
{
    for (qint64 done = 0; done < text.size();) {
        const qint64 put = m_file.write(text.constData() + done, text.size() - done);
        if (put == 0)
            error = QStringLiteral("disk full");
        if (put <= 0)
            return false;
        done += put;
    }
    return m_file.flush();
}

bool ShowWriter::put(qint64 at, const QByteArray &text, QString &error)
{
    error.clear();
    if (m_file.seek(at) && writeAll(text, error))
        return true;
    if (error.isEmpty())
        error = m_file.errorString();
    // Back to the last whole show: the pictures before stay, the held
    // delay or a line cut short by the failing write goes.
    m_file.resize(m_whole);
    m_failed = true;
    return false;
}
