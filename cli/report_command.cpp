#include "report_command.h"

#include "box_session.h"
#include "cli_command.h"
#include "cli_errors.h"
#include "report_output.h"
#include "show_format.h"
#include "take_tally.h"

#include <cerrno>

namespace {

// The report on standard output, and once on standard error the channels
// it leaves out; the exit status.
int writeReport(const CliOptions &options, const LineTally &tally, bool fromTake)
{
    const QVector<ChannelFigures> rows = tally.rows();
    const QVector<QPair<int, int>> unanswered = tally.unanswered();
    if (!unanswered.isEmpty() && !rows.isEmpty())
        complain(leftOutText(unanswered, fromTake) + QStringLiteral("; left out of the report"));
    QByteArray report = formatReport(options.format, rows);
    if (options.noHeader && options.format == OutputFormat::Csv)
        report = withoutHeader(report);
    const int fault = writeOut(report);
    if (fault != 0 && fault != EPIPE) {
        complain(outputFaultText(fault));
        return CliCommand::kBoxFault;
    }
    if (rows.isEmpty()) {
        complain((fromTake ? QStringLiteral("the take holds none of channels %1-%2")
                           : QStringLiteral("no channel of %1-%2 was answered"))
                     .arg(options.first)
                     .arg(options.last));
        return CliCommand::kBoxFault;
    }
    return CliCommand::kAllRead;
}

} // namespace

ReportCommand::ReportCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : CommandRun(options, session, parent)
    , m_options(options)
    , m_fetch(session)
    , m_report(m_fetch, options.first, options.last, options.spikeThreshold)
{
    m_duration.setSingleShot(true);
    connect(&m_duration, &QTimer::timeout, this, &ReportCommand::interrupt);
}

void ReportCommand::start()
{
    m_fetch.setRange(m_options.first, m_options.last);
    m_report.restart();
    m_fetch.start();
    if (m_options.durationSeconds > 0)
        m_duration.start(std::chrono::seconds{m_options.durationSeconds});
}

void ReportCommand::interrupt()
{
    if (ended())
        return;
    stopAsking();
    end(writeReport(m_options, m_report.tally(), false));
}

void ReportCommand::stopAsking()
{
    m_fetch.pause();
    m_duration.stop();
    CommandRun::stopAsking();
}


int reportOnTake(const CliOptions &options)
{
    Recording take;
    QString error;
    if (!loadShow(options.reportTake, take, error)) {
        complain(error);
        return CliCommand::kUsageError;
    }
    return writeReport(options, tallyTake(take, options.first, options.last, options.spikeThreshold), true);
}
