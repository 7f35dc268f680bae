#include "command_run.h"

#include "box_session.h"
#include "cli_errors.h"

#include <cerrno>

CommandRun::CommandRun(const CliOptions &options, BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_format(options.format)
    , m_noHeader(options.noHeader)
{
}

bool CommandRun::write(const QByteArray &bytes)
{
    if (m_ended)
        return false;
    if (bytes.isEmpty())
        return true;
    const int fault = writeOut(bytes);
    if (fault == 0)
        return true;
    stopAsking();
    if (fault != EPIPE)
        complain(outputFaultText(fault));
    end(fault == EPIPE && !faultFound() ? kAllWell : kFaultFound);
    return false;
}

QByteArray CommandRun::table(const QByteArray &bytes) const
{
    return m_noHeader && m_format == OutputFormat::Csv ? withoutHeader(bytes) : bytes;
}

void CommandRun::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    emit finished(status);
}

void CommandRun::stopAsking()
{
    m_session.shutDown();
}
