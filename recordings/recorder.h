#pragma once

#include "live_fetch.h"
#include "show_writer.h"

#include <QFile>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

// Records the good pictures of a live fetch into a show file: channels
// first..last of each one that differs from the one before, timed by the
// fetch's clock. The file is brought to the disk at least once a second,
// with pictures or without, so a take that ends by a crash or a pulled
// cable loses at most its last second.
class Recorder : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kFlushEvery{1};

    explicit Recorder(LiveFetch &fetch, QObject *parent = nullptr);
    ~Recorder() override;

    // Starts a take into `path`, which must not exist yet: a take is never
    // written over another. Channels first..last (within 1-512); pictures
    // that do not hold all of them are left out.
    bool start(const QString &path, int first, int last, QString &error);
    // The OLA universe the pictures are written as, so that OLA plays the
    // take back where the rig expects it; 1 unless set. Takes effect at
    // the next start().
    void setUniverse(unsigned int universe) { m_universe = universe; }
    unsigned int universe() const { return m_universe; }
    // Writes how long the last picture was held and closes the file; false
    // when that last write failed (failed() says why as well).
    bool stop();
    bool recording() const { return m_writer != nullptr; }

    QString path() const { return m_file.fileName(); }
    int picturesSeen() const { return m_seen; }
    int picturesWritten() const { return m_writer ? m_writer->picturesAdded() : m_written; }
    // From the first picture to the latest flush.
    qint64 lengthMs() const { return m_lengthMs; }

signals:
    // A write failed: the take has stopped, and the file keeps what the
    // flush before wrote.
    void failed(const QString &why);

private:
    void onPictureEnded(const PictureOutcome &outcome);
    void flushIfDue();
    bool flush();
    qint64 msSinceFirst() const;

    LiveFetch &m_fetch;
    QFile m_file;
    std::unique_ptr<ShowWriter> m_writer;
    QTimer m_tick;
    unsigned int m_universe = 1;
    int m_first = 1;
    int m_last = 1;
    int m_seen = 0;
    int m_written = 0;
    qint64 m_lengthMs = 0;
    std::optional<LiveFetch::Clock::time_point> m_firstAt;
    LiveFetch::Clock::time_point m_flushedAt;
    QByteArray m_previous;
};
