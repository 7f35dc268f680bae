#pragma once

#include "live_fetch.h"
#include "show_writer.h"

#include <QFile>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

// Records the live pictures of a fetch into a show file, timed by the
// fetch's clock: what each picture read of the take's channels, written
// when it differs from the picture before. A channel counts as read when
// the piece that carries it came back whole with a good frame; a channel
// of a piece that failed, or was not asked, holds its last level in the
// take, so that the channels read keep moving through a fault and the take
// never shows a level the box did not give. The file is brought to the
// disk at least once a second, with pictures or without, so a take that
// ends by a crash or a pulled cable loses at most its last second.
class Recorder : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kFlushEvery{1};

    explicit Recorder(LiveFetch &fetch, QObject *parent = nullptr);
    ~Recorder() override;

    // Starts a take of channels first..last (within 1-512), of a fetch that
    // runs or is about to, into `path`, which must not exist yet: a take is
    // never written over another. Pausing the fetch or taking it off any of
    // the channels ends the take (ended()). The
    // first picture that reads any of them settles the take's channels:
    // from the lowest it read up to the first it did not (a box that serves
    // 256 channels gives a take of 1-256), since a show has a level for
    // every channel of every picture and none may be made up.
    bool start(const QString &path, int first, int last, QString &error);
    // The OLA universe the pictures are written as, so that OLA plays the
    // take back where the rig expects it; 1 unless set. Takes effect at
    // the next start().
    void setUniverse(unsigned int universe) { m_universe = universe; }
    unsigned int universe() const { return m_universe; }
    // Writes how long the last picture was held and closes the file; false
    // when that last write failed (failed() says why as well). A take that
    // holds no picture is not kept: its file is removed.
    bool stop();
    bool recording() const { return m_writer != nullptr; }

    QString path() const { return m_file.fileName(); }
    // The take's channels: as asked until its first picture settles them.
    int first() const { return m_first; }
    int last() const { return m_last; }
    // Pictures that read any channel of the take.
    int picturesSeen() const { return m_seen; }
    int picturesWritten() const { return m_writer ? m_writer->picturesAdded() : m_written; }
    // From the first picture to the latest flush.
    qint64 lengthMs() const { return m_lengthMs; }

    // "channels 257-512 not read (checksum error): the take holds their
    // last levels" while channels of the take go unread; empty otherwise.
    QString unread() const { return m_unread; }
    // "channels 257-512 did not answer: the take holds channels 1-256" when
    // the first picture settled on fewer channels than asked.
    QString narrowed() const { return m_narrowed; }
    // What a take that ended with no picture says.
    QString nothingRecorded() const;

signals:
    // A write failed: the take has stopped, and the file keeps what the
    // flush before wrote.
    void failed(const QString &why);
    // The fetch no longer brings the take's channels (paused, or another
    // range): the take has been closed as stop() does.
    void ended(const QString &why);
    // unread() has turned non-empty, or empty again: said once each way.
    void lineChanged();
    // The first picture has settled on fewer channels than asked.
    void settled();

private:
    void onPictureEnded(const PictureOutcome &outcome);
    void end(const QString &why);
    void settle(const Picture &picture);
    void noteUnread(const PictureOutcome &outcome);
    void flushIfDue();
    bool flush();
    void close();
    qint64 msSinceFirst() const;

    LiveFetch &m_fetch;
    QFile m_file;
    std::unique_ptr<ShowWriter> m_writer;
    QTimer m_tick;
    unsigned int m_universe = 1;
    int m_first = 1;
    int m_last = 1;
    bool m_settled = false;
    int m_seen = 0;
    int m_written = 0;
    qint64 m_lengthMs = 0;
    std::optional<LiveFetch::Clock::time_point> m_firstAt;
    LiveFetch::Clock::time_point m_flushedAt;
    QByteArray m_previous; // the take's levels as last written, first..last
    QString m_unread;
    QString m_narrowed;
};
