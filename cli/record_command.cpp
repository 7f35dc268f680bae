#include "record_command.h"

#include "box_session.h"
#include "cli_errors.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

namespace {

void say(std::FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

} // namespace

RecordCommand::RecordCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_session(session)
    , m_fetch(session)
    , m_recorder(m_fetch)
{
    m_duration.setSingleShot(true);
    connect(&m_duration, &QTimer::timeout, this, &RecordCommand::interrupt);
    connect(&m_recorder, &Recorder::failed, this, [this](const QString &why) {
        complain(QStringLiteral("the recording stopped: %1").arg(why));
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
        end(kNotRecorded);
        return;
    }
    // One arg() for all: a path holding "%5" stays as it is.
    say(stdout, QStringLiteral("Recording channels %1-%2 from %3 to %4 as OLA universe %5%6")
                    .arg(QString::number(m_options.first), QString::number(last), m_session.port().deviceName(),
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
    if (m_ended)
        return;
    if (!m_recorder.stop())
        return; // failed() has ended the run
    m_fetch.pause();
    if (m_recorder.picturesWritten() == 0) {
        complain(m_recorder.nothingRecorded());
        end(kNotRecorded);
        return;
    }
    say(stdout, QStringLiteral("Recorded %1 pictures (%2 written) over %3 s to %4")
                    .arg(m_recorder.picturesSeen())
                    .arg(m_recorder.picturesWritten())
                    .arg(double(m_recorder.lengthMs()) / 1000.0, 0, 'f', 1)
                    .arg(m_options.recordPath));
    end(0);
}

void RecordCommand::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_fetch.pause();
    m_duration.stop();
    m_session.shutDown();
    emit finished(status);
}

int runRecord(const CliOptions &options, BoxSession &session)
{
    RecordCommand record(options, session);
    QObject::connect(&record, &RecordCommand::finished, QCoreApplication::instance(), &QCoreApplication::exit);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &record, &RecordCommand::interrupt);
    QMetaObject::invokeMethod(&record, &RecordCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
