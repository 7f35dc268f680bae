#include "recorder.h"

#include "show_format.h"

#include <QStringList>

namespace {

// Often enough that a line without pictures is still flushed within a
// second of the fetch's clock.
constexpr std::chrono::milliseconds kTick{250};

// "257-300, 302, 310-312": the channels, rising, in runs.
QString runsText(const QVector<int> &channels)
{
    QStringList runs;
    for (int i = 0; i < channels.size();) {
        int j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1)
            ++j;
        runs << (i == j ? QString::number(channels[i])
                        : QStringLiteral("%1-%2").arg(channels[i]).arg(channels[j]));
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
}

QVector<int> unreadIn(const Picture &picture, int first, int last)
{
    QVector<int> channels;
    for (int channel = first; channel <= last; ++channel) {
        if (!picture.level(channel))
            channels << channel;
    }
    return channels;
}

} // namespace

Recorder::Recorder(LiveFetch &fetch, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
{
    m_tick.setInterval(kTick);
    connect(&m_tick, &QTimer::timeout, this, &Recorder::flushIfDue);
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &Recorder::onPictureEnded);
    connect(&m_fetch, &LiveFetch::rangeChanged, this, [this] {
        if (m_fetch.first() > m_first || m_fetch.last() < m_last)
            end(QStringLiteral("channels %1-%2 are fetched now, the take is of channels %3-%4")
                    .arg(m_fetch.first())
                    .arg(m_fetch.last())
                    .arg(m_first)
                    .arg(m_last));
    });
    connect(&m_fetch, &LiveFetch::paused, this, [this] { end(QStringLiteral("fetching was paused")); });
}

Recorder::~Recorder()
{
    stop();
}

bool Recorder::start(const QString &path, int first, int last, QString &error)
{
    if (recording()) {
        error = QStringLiteral("already recording to %1").arg(m_file.fileName());
        return false;
    }
    if (first < 1 || last < first || last > show_format::kMaxChannels) {
        error = QStringLiteral("channels %1-%2 are not within 1-%3").arg(first).arg(last).arg(show_format::kMaxChannels);
        return false;
    }
    m_file.setFileName(path);
    // NewOnly: an earlier take under the same name stays as it is.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        error = QFile::exists(path) ? QStringLiteral("%1 exists; a take is never written over another").arg(path)
                                    : QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    auto writer = std::make_unique<ShowWriter>(m_file, m_universe);
    if (!writer->begin(error)) {
        error = QStringLiteral("%1: %2").arg(path, error);
        m_file.close();
        m_file.remove();
        return false;
    }
    m_writer = std::move(writer);
    m_first = first;
    m_last = last;
    m_settled = false;
    m_seen = 0;
    m_written = 0;
    m_lengthMs = 0;
    m_firstAt.reset();
    m_previous.clear();
    m_unread.clear();
    m_narrowed.clear();
    m_flushedAt = m_fetch.now();
    m_tick.start();
    return true;
}

bool Recorder::stop()
{
    if (!recording())
        return true;
    const bool flushed = flush();
    if (m_writer)
        close();
    return flushed;
}

void Recorder::close()
{
    m_written = m_writer->picturesAdded();
    m_writer.reset();
    m_tick.stop();
    m_file.close();
    // The header alone is no show: nothing would open it.
    if (m_written == 0)
        m_file.remove();
}

QString Recorder::nothingRecorded() const
{
    return QStringLiteral("no picture of channels %1-%2 came: nothing recorded, %3 not kept")
        .arg(m_first)
        .arg(m_last)
        .arg(m_file.fileName());
}

qint64 Recorder::msSinceFirst() const
{
    if (!m_firstAt)
        return 0;
    return std::chrono::duration_cast<std::chrono::milliseconds>(m_fetch.now() - *m_firstAt).count();
}

// Pictures of channels that no longer hold the take's, or none at all,
// would leave the take counting on while nothing is written.
void Recorder::end(const QString &why)
{
    if (recording() && stop())
        emit ended(why);
}

void Recorder::settle(const Picture &picture)
{
    int from = m_first;
    while (from <= m_last && !picture.level(from))
        ++from;
    if (from > m_last)
        return; // nothing read yet
    int to = from;
    while (to < m_last && picture.level(to + 1))
        ++to;
    QVector<int> left;
    for (int channel = m_first; channel <= m_last; ++channel) {
        if (channel < from || channel > to)
            left << channel;
    }
    m_first = from;
    m_last = to;
    m_settled = true;
    if (!left.isEmpty()) {
        m_narrowed = QStringLiteral("channels %1 did not answer: the take holds channels %2-%3")
                         .arg(runsText(left))
                         .arg(m_first)
                         .arg(m_last);
        emit settled();
    }
}

void Recorder::onPictureEnded(const PictureOutcome &outcome)
{
    if (!recording())
        return;
    const Picture &picture = outcome.picture;
    if (!m_settled)
        settle(picture);
    if (m_settled) {
        // Channels not read hold their last level; the first picture
        // read every one, by the way it settled the take.
        QByteArray levels = m_previous.isEmpty() ? QByteArray(m_last - m_first + 1, '\0') : m_previous;
        bool anyRead = false;
        for (int channel = m_first; channel <= m_last; ++channel) {
            if (const std::optional<int> level = picture.level(channel)) {
                levels[channel - m_first] = char(*level);
                anyRead = true;
            }
        }
        if (anyRead) {
            ++m_seen;
            if (!m_firstAt)
                m_firstAt = m_fetch.now();
            // An unchanged picture adds nothing: the delays keep the time.
            if (levels != m_previous) {
                m_writer->add(msSinceFirst(), m_first, levels);
                m_previous = levels;
            }
        }
    }
    noteUnread(outcome);
    flushIfDue();
}

void Recorder::noteUnread(const PictureOutcome &outcome)
{
    const QVector<int> unread = unreadIn(outcome.picture, m_first, m_last);
    if (unread.isEmpty() == m_unread.isEmpty())
        return;
    if (unread.isEmpty()) {
        m_unread.clear();
    } else {
        const LevelFetch::Outcome failure = outcome.failure();
        m_unread = QStringLiteral("channels %1 not read (%2): %3")
                       .arg(runsText(unread),
                            failureText(failure == LevelFetch::Outcome::Success ? LevelFetch::Outcome::NoAnswer
                                                                                 : failure),
                            m_previous.isEmpty() ? QStringLiteral("nothing recorded yet")
                                                 : QStringLiteral("the take holds their last levels"));
    }
    emit lineChanged();
}

void Recorder::flushIfDue()
{
    if (recording() && m_fetch.now() - m_flushedAt >= kFlushEvery)
        flush();
}

bool Recorder::flush()
{
    QString error;
    const qint64 ms = msSinceFirst();
    if (m_writer->flush(ms, error)) {
        m_flushedAt = m_fetch.now();
        m_lengthMs = ms;
        return true;
    }
    close();
    emit failed(QStringLiteral("%1: %2").arg(m_file.fileName(), error));
    return false;
}
