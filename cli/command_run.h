#pragma once

#include "cli_options.h"

#include <QByteArray>
#include <QObject>

class BoxSession;

// What every run of a lumivane command on an open session shares: its
// standard output, and its end, reported once by finished().
class CommandRun : public QObject {
    Q_OBJECT
public:
    // The statuses of a run that found all well, and of one that found a
    // fault (a channel the box did not answer, a level that differs).
    static constexpr int kAllWell = 0;
    static constexpr int kFaultFound = 1;
    // Stopped by a signal before its work was done (a watch: before its
    // first reading, or by a second signal), as a shell reports a SIGINT.
    static constexpr int kStopped = 130;

    // Called once the event loop runs: finished() may come from inside.
    virtual void start() = 0;
    // Ctrl+C, SIGTERM or SIGHUP; each command ends in its own way.
    virtual void interrupt() = 0;

signals:
    void finished(int exitStatus);

protected:
    CommandRun(const CliOptions &options, BoxSession &session, QObject *parent);

    // Flushed at once, so that a pipe (and a bench's watch on it) sees each
    // line as it comes. False when the output is gone: the run has then
    // ended, quietly with what it found so far when the reader went away
    // (`| head -3` has all it wanted), or saying why on standard error.
    bool write(const QByteArray &bytes);
    // A CSV table as --no-header asks: without the line naming its columns.
    QByteArray table(const QByteArray &bytes) const;
    void end(int status);
    bool ended() const { return m_ended; }

    // Whether the run has found a fault so far; a reader that went away
    // ends it with 1 if so.
    virtual bool faultFound() const { return false; }
    // Nothing more goes to the box.
    virtual void stopAsking();

    BoxSession &session() const { return m_session; }

private:
    BoxSession &m_session;
    OutputFormat m_format;
    bool m_noHeader;
    bool m_ended = false;
};
