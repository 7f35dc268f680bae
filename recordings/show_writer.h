#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFileDevice;

// Writes a take as a show file while it runs. Pictures are held in memory
// until flush(), which puts them in the file and the file on the disk; after
// the last picture the file also says how long it has been held so far, in
// a delay line that each flush overwrites in place. So the file is a whole
// show after every flush, and whatever stops the take, it keeps what the
// last flush wrote. A write that fails takes the file back to its last
// whole state and ends the writing.
class ShowWriter {
public:
    // `file` open for writing, empty; every picture is of OLA universe
    // `universe`.
    ShowWriter(QFileDevice &file, unsigned int universe);

    // The header, flushed at once.
    bool begin(QString &error);
    // A picture of channels first.. on, `ms` after the first one.
    void add(qint64 ms, int first, const QByteArray &levels);
    // Everything added and the time held since the last picture, up to `ms`,
    // written and synced.
    bool flush(qint64 ms, QString &error);

    bool failed() const { return m_failed; }
    int picturesAdded() const { return m_added; }
    qint64 bytesWritten() const { return m_whole + m_tail; }

private:
    // A picture held past the longest delay is written again there.
    void splitLongHold(qint64 ms);
    bool put(qint64 at, const QByteArray &text, QString &error);
    bool writeAll(const QByteArray &text, QString &error);

    QFileDevice &m_file;
    unsigned int m_universe;
    QByteArray m_pending; // the delay before each picture held back, then its line
    qint64 m_whole = 0;   // bytes up to the end of the last picture's line
    qint64 m_tail = 0;    // the delay line after it
    qint64 m_lastAt = -1; // ms of the last picture added
    int m_lastFirst = 1;
    QByteArray m_lastLevels;
    int m_added = 0;
    bool m_failed = false;
};
