#include "cli_command.h"

#include "listing.h"
#include "status_text.h"

#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

void complain(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

} // namespace

QString portFaultText(const QString &device, int portNumber, const QString &cause)
{
    QString what = device.isEmpty() ? QStringLiteral("no serial device stands behind Port%1").arg(portNumber)
                                    : device;
    if (!device.isEmpty() && !cause.isEmpty())
        what += QStringLiteral(": ") + cause;
    return QStringLiteral("%1 (%2)").arg(statusText(Status::ErrorOpeningPort), what);
}

QString outputFaultText(int error)
{
    return QStringLiteral("lumivane: cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

CliCommand::CliCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_session(session)
{
    connect(&session, &BoxSession::probed, this, &CliCommand::onProbed);
    connect(&session, &BoxSession::levelRead, this, &CliCommand::onLevelRead);
    connect(&session, &BoxSession::listed, this,
            [this](const BlockReply &reply) { onListed(Listing::from(reply)); });
    connect(&session, &BoxSession::monitoredLevelRead, this, &CliCommand::onMonitoredLevelRead);
    connect(&session, &BoxSession::passEnded, this, &CliCommand::onPassEnded);
    connect(&session, &BoxSession::portLost, this, &CliCommand::onPortLost);
}

void CliCommand::start()
{
    switch (m_options.command) {
    case CliOptions::Command::Probe:
        m_session.choosePort(m_options.portNumber, m_options.device);
        break;
    case CliOptions::Command::Read:
        // The session runs them in the order asked, one after another.
        for (int channel : std::as_const(m_options.channels))
            m_session.readChannel(0, channel);
        break;
    case CliOptions::Command::List:
        m_session.listRange(m_options.first, m_options.last);
        break;
    case CliOptions::Command::Watch:
        if (!write(watchHeader(m_options.format)))
            return;
        m_session.setMonitoredChannels(m_options.channels);
        // The first pass goes at once; onPassEnded() sets the real interval.
        m_session.setMonitorInterval(std::chrono::milliseconds(0));
        m_session.startMonitoring();
        break;
    default:
        end(kUsageError); // answered without a session
        break;
    }
}

void CliCommand::interrupt()
{
    if (m_ended)
        return;
    if (++m_interrupts > 1 || m_options.command != CliOptions::Command::Watch) {
        m_session.shutDown();
        end(kInterruptedTwice);
        return;
    }
    m_session.stopMonitoring();
    // Between passes nothing is in flight to wait for.
    if (m_session.idle())
        end(m_anyFault ? kBoxFault : kAllRead);
}

// A watch goes on over a lost port: said once on standard error, and the
// data stream carries no readings until the box is back.
void CliCommand::onPortLost()
{
    if (m_ended || m_options.command != CliOptions::Command::Watch)
        return;
    const QString device = m_session.port().deviceName();
    if (!m_session.searching()) {
        complain(QStringLiteral("lumivane: the port was lost (%1), and without a name that stays with the device "
                                "it is not opened again")
                     .arg(device));
        m_session.shutDown();
        end(kPortFault);
        return;
    }
    complain(QStringLiteral("lumivane: the port was lost (%1); waiting for it to come back").arg(device));
}

void CliCommand::onProbed(int, Status status)
{
    const QString device = m_session.port().deviceName();
    if (m_options.command == CliOptions::Command::Watch) {
        // Only the lost device found again and answering is probed here.
        complain(QStringLiteral("lumivane: the port is back (%1)").arg(device));
        return;
    }
    if (status == Status::ErrorOpeningPort) {
        complain(portFaultText(device, m_options.portNumber, m_session.port().openError()));
        end(kPortFault);
        return;
    }
    m_anyFault = status != Status::ConnectedOk;
    // On a terminal the text format's status would stand there twice.
    if (!m_anyFault || m_options.format != OutputFormat::Text) {
        if (!write(formatProbe(m_options.format, device, status)))
            return;
    }
    if (m_anyFault)
        complain(statusText(status));
    end(m_anyFault ? kBoxFault : kAllRead);
}

// A reading without an acceptable answer is said on standard error, and
// makes the run's status a fault.
void CliCommand::noteReading(int channel, const std::optional<int> &level)
{
    if (level)
        return;
    m_anyFault = true;
    complain(QStringLiteral("%1 (channel %2)").arg(statusText(Status::NoResponse)).arg(channel));
}

void CliCommand::onLevelRead(int, int channel, std::optional<int> level)
{
    if (m_ended)
        return;
    noteReading(channel, level);
    m_levels.append(ChannelLevel{channel, level});
    if (m_levels.size() < m_options.channels.size())
        return;
    if (write(formatLevels(m_options.format, m_levels)))
        end(m_anyFault ? kBoxFault : kAllRead);
}

// Whatever went wrong, every channel of the range is written, each with an
// empty level: a script sees the same rows either way.
void CliCommand::onListed(const Listing &listing)
{
    const bool whole = listing.status == Status::BlockOk && listing.list == Listing::List::Replace;
    QVector<ChannelLevel> levels;
    if (whole)
        levels = channelLevels(m_options.first, listing.levels);
    for (int channel = m_options.first + int(levels.size()); channel <= m_options.last; ++channel)
        levels << ChannelLevel{channel, std::nullopt};
    m_anyFault = !whole;
    if (m_anyFault)
        complain(QStringLiteral("%1 (channels %2-%3)")
                     .arg(statusText(listing.status))
                     .arg(m_options.first)
                     .arg(m_options.last));
    if (write(formatLevels(m_options.format, levels)))
        end(m_anyFault ? kBoxFault : kAllRead);
}

void CliCommand::onMonitoredLevelRead(int, int channel, std::optional<int> level)
{
    if (m_ended || (!level && m_session.portIsLost()))
        return;
    noteReading(channel, level);
    write(formatWatchedLevel(m_options.format, QDateTime::currentDateTime(), ChannelLevel{channel, level}));
}

void CliCommand::onPassEnded()
{
    if (m_ended)
        return;
    if (!m_session.portIsLost())
        ++m_passes;
    const bool enough = m_options.count > 0 && m_passes >= m_options.count;
    if (m_interrupts > 0 || enough) {
        m_session.stopMonitoring();
        end(m_anyFault ? kBoxFault : kAllRead);
        return;
    }
    if (m_passes == 1)
        m_session.setMonitorInterval(m_options.interval);
}

// Flushed at once, so a pipe sees each line as it comes. A reader that went
// away (`| head -3`) ends the run quietly: it has all it wanted, and the
// status is what the box's answers so far make it.
bool CliCommand::write(const QByteArray &bytes)
{
    if (m_ended)
        return false;
    if (bytes.isEmpty())
        return true;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
    if (written)
        return true;
    const int fault = errno;
    std::clearerr(stdout);
    m_session.shutDown();
    if (fault == EPIPE) {
        end(m_anyFault ? kBoxFault : kAllRead);
    } else {
        complain(outputFaultText(fault));
        end(kBoxFault);
    }
    return false;
}

void CliCommand::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    emit finished(status);
}
