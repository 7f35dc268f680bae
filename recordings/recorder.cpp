#include "recorder.h"

#include "show_format.h"

namespace {

// Often enough that a line without pictures is still flushed within a
// second of the fetch's clock.
constexpr std::chrono::milliseconds kTick{250};

} // namespace

Recorder::Recorder(LiveFetch &fetch, QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
{
    m_tick.setInterval(kTick);
    connect(&m_tick, &QTimer::timeout, this, &Recorder::flushIfDue);
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &Recorder::onPictureEnded);
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
        return false;
    }
    m_writer = std::move(writer);
    m_first = first;
    m_last = last;
    m_seen = 0;
    m_written = 0;
    m_lengthMs = 0;
    m_firstAt.reset();
    m_previous.clear();
    m_flushedAt = m_fetch.now();
    m_tick.start();
    return true;
}

bool Recorder::stop()
{
    if (!recording())
        return true;
    const bool flushed = flush();
    if (m_writer) {
        m_written = m_writer->picturesAdded();
        m_writer.reset();
    }
    m_tick.stop();
    m_file.close();
    return flushed;
}

qint64 Recorder::msSinceFirst() const
{
    if (!m_firstAt)
        return 0;
    return std::chrono::duration_cast<std::chrono::milliseconds>(m_fetch.now() - *m_firstAt).count();
}

void Recorder::onPictureEnded(const PictureOutcome &outcome)
{
    if (!recording())
        return;
    const std::optional<QByteArray> levels =
        outcome.good ? outcome.picture.bytes(m_first, m_last) : std::nullopt;
    if (levels) {
        ++m_seen;
        const QByteArray &ours = *levels;
        if (!m_firstAt)
            m_firstAt = m_fetch.now();
        // An unchanged picture adds nothing: the delays keep the time.
        if (ours != m_previous) {
            m_writer->add(msSinceFirst(), m_first, ours);
            m_previous = ours;
        }
    }
    flushIfDue();
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
    m_written = m_writer->picturesAdded();
    m_writer.reset();
    m_tick.stop();
    m_file.close();
    emit failed(QStringLiteral("%1: %2").arg(m_file.fileName(), error));
    return false;
}
