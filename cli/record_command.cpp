#include "record_command.h"

#include "box_session.h"
#include "cli_errors.h"

#include <algorithm>
#include <cstdio>

RecordCommand::RecordCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : CommandRun(options, session, parent)
    , m_options(options)
    , m_fetch(session)
    , m_recorder(m_fetch)
{
    m_duration.setSingleShot(true);
    connect(&m_duration, &QTimer::timeout, this, &RecordCommand::interrupt);
    connect(&m_recorder, &Recorder::failed, this, [this](const QString &why) {
        complain(QStringLiteral("the recording stopped: %1").arg(why));
        stopAsking();
        end(kNotRecorded);
    });
    connect(&m_recorder, &Recorder::settled, this, [this] { complain(m_recorder.narrowed()); });
    connect(&m_recorder, &Recorder::lineChanged, this, [this] {
        complain(m_recorder.unread().isEmpty()
                     ? QStringLiteral("channels %1-%2 read again").arg(m_recorder.first()).arg(m_recorder.last())
                     : m_recorder.unread());
    });
}

void RecordCommand::start()
{
    const int last = m_options.last;
    QString error;
    m_recorder.setUniverse(m_options.universe);
    if (!m_recorder.start(m_options.recordPath, m_options.first, last, error)) {
        complain(error);
        stopAsking();
        end(kNotRecorded);
        return;
    }
    // One arg() for all: a path holding "%5" stays as it is.
    say(QStringLiteral("Recording channels %1-%2 from %3 to %4 as OLA universe %5%6")
                    .arg(QString::number(m_options.first), QString::number(last), session().port().deviceName(),
                         m_options.recordPath, QString::number(m_options.universe),
                         m_options.durationSeconds > 0 ? QStringLiteral(" for %1 s").arg(m_options.durationSeconds)
                                                       : QStringLiteral("; Ctrl+C ends it")));
    m_fetch.setRange(m_options.first, last);
    m_fetch.start();
    if (m_options.durationSeconds > 0)
        m_duration.start(std::chrono::seconds{m_options.durationSeconds});
}

void RecordCommand::interrupt()
{
    if (ended())
        return;
    if (!m_recorder.stop())
        return; // failed() has ended the run
    stopAsking();
    if (m_recorder.picturesWritten() == 0) {
        complain(m_recorder.nothingRecorded());
        end(kNotRecorded);
        return;
    }
    say(QStringLiteral("Recorded %1 pictures (%2 written) over %3 s to %4")
                    .arg(m_recorder.picturesSeen())
                    .arg(m_recorder.picturesWritten())
                    .arg(double(m_recorder.lengthMs()) / 1000.0, 0, 'f', 1)
                    .arg(m_options.recordPath));
    end(0);
}

void RecordCommand::stopAsking()
{
    m_fetch.pause();
    m_duration.stop();
    CommandRun::stopAsking();
}
