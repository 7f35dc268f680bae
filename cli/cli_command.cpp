#include "cli_command.h"

#include "cli_errors.h"
#include "listing.h"
#include "status_text.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// What a listing says of a block the box did not give whole: an empty reply
// is a header error, as the window's listing judges it.
Status blockStatus(LevelFetch::Outcome outcome)
{
    switch (outcome) {
    case LevelFetch::Outcome::Success: return Status::BlockOk;
    case LevelFetch::Outcome::NoAnswer:
    case LevelFetch::Outcome::HeaderError: return Status::HeaderError;
    case LevelFetch::Outcome::ChecksumError: return Status::ChecksumError;
    case LevelFetch::Outcome::EndByteError: return Status::BlockNotAsExpected;
    case LevelFetch::Outcome::CutShort: break;
    }
    return Status::MiscError;
}

// A watch of single channels reads them as the monitor's passes do; one
// with a range in it fetches by pieces, blocks for the ranges.
bool watchesRanges(const CliOptions &options)
{
    return std::any_of(options.runs.begin(), options.runs.end(),
                       [](const QPair<int, int> &run) { return run.second > run.first; });
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

CliCommand::CliCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_session(session)
    , m_pictures(session)
    , m_heartbeat(options.stillAfter)
{
    connect(&m_pictures, &PictureFetch::pictureDone, this, &CliCommand::onPicture);
    connect(&session, &BoxSession::probed, this, &CliCommand::onProbed);
    connect(&session, &BoxSession::levelRead, this, &CliCommand::onLevelRead);
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
        startPictures();
        break;
    case CliOptions::Command::Watch: {
        if (!m_options.noHeader && !write(watchHeader(m_options.format)))
            return;
        m_heartbeatClock.start();
        if (watchesRanges(m_options)) {
            startPictures();
            break;
        }
        // A heartbeat not asked for is read as well, and not printed.
        QVector<int> channels = m_options.channels;
        if (m_options.heartbeat && !channels.contains(m_options.heartbeat))
            channels << m_options.heartbeat;
        m_session.setMonitoredChannels(channels);
        // The first pass goes at once; onPassEnded() sets the real interval.
        m_session.setMonitorInterval(std::chrono::milliseconds(0));
        m_session.startMonitoring();
        break;
    }
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
        complain(QStringLiteral("the port was lost (%1), and without a name that stays with the device "
                                "it is not opened again")
                     .arg(device));
        m_session.shutDown();
        end(kPortFault);
        return;
    }
    complain(QStringLiteral("the port was lost (%1); waiting for it to come back").arg(device));
}

void CliCommand::onProbed(int, Status status)
{
    const QString device = m_session.port().deviceName();
    if (m_options.command == CliOptions::Command::Watch) {
        // Only the lost device found again and answering is probed here.
        complain(QStringLiteral("the port is back (%1)").arg(device));
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
        if (!write(table(formatProbe(m_options.format, device, status))))
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
    if (write(table(formatLevels(m_options.format, m_levels))))
        end(m_anyFault ? kBoxFault : kAllRead);
}

// The pieces are asked one after another whatever becomes of the others,
// so that every channel gets its own answer.
void CliCommand::startPictures()
{
    if (m_asks.isEmpty()) {
        QVector<QPair<int, int>> runs = m_options.runs;
        if (m_options.command == CliOptions::Command::List)
            runs = {qMakePair(m_options.first, m_options.last)};
        else if (m_options.heartbeat && !m_options.channels.contains(m_options.heartbeat))
            runs << qMakePair(m_options.heartbeat, m_options.heartbeat);
        m_lowest = picture_plan::kUniverse;
        for (const auto &[first, last] : std::as_const(runs)) {
            for (const picture_plan::Piece &piece : picture_plan::plan(first, last))
                m_asks << PictureFetch::Ask{piece, std::chrono::milliseconds{0}, std::nullopt};
            m_lowest = std::min(m_lowest, first);
            m_highest = std::max(m_highest, last);
        }
    }
    m_pictures.begin(m_lowest, m_highest, m_asks, {}, /*stopAtWindowFailure=*/false);
}

void CliCommand::complainOf(const QVector<Picture::Failure> &failures)
{
    for (const Picture::Failure &failure : failures) {
        const picture_plan::Piece &piece = failure.piece;
        if (piece.kind == picture_plan::Piece::Kind::Read) {
            complain(QStringLiteral("%1 (channel %2)").arg(statusText(Status::NoResponse)).arg(piece.from));
        } else {
            complain(QStringLiteral("%1 (channels %2-%3)")
                         .arg(statusText(blockStatus(failure.outcome)))
                         .arg(piece.from)
                         .arg(piece.to));
        }
    }
    if (!failures.isEmpty())
        m_anyFault = true;
}

// Whatever went wrong, every channel asked for is written, those the box did
// not answer with an empty level: a script sees the same rows either way.
void CliCommand::onPicture(const Picture &picture)
{
    if (m_ended)
        return;
    complainOf(picture.failures());
    if (m_options.command == CliOptions::Command::List) {
        if (write(table(formatLevels(m_options.format, picture.channelLevels()))))
            end(m_anyFault ? kBoxFault : kAllRead);
        return;
    }
    const QDateTime at = QDateTime::currentDateTime();
    for (int channel : std::as_const(m_options.channels)) {
        if (!writeWatched(at, channel, picture.level(channel)))
            return;
    }
    noteHeartbeat(picture.level(m_options.heartbeat));
    ++m_passes;
    if (m_interrupts > 0 || (m_options.count > 0 && m_passes >= m_options.count)) {
        end(m_anyFault ? kBoxFault : kAllRead);
        return;
    }
    QTimer::singleShot(m_options.interval, this, [this] {
        if (!m_ended && m_interrupts == 0)
            startPictures();
    });
}

void CliCommand::onMonitoredLevelRead(int slot, int channel, std::optional<int> level)
{
    if (m_ended || (!level && m_session.portIsLost()))
        return;
    noteReading(channel, level);
    if (channel == m_options.heartbeat)
        noteHeartbeat(level);
    if (slot < m_options.channels.size())
        writeWatched(QDateTime::currentDateTime(), channel, level);
}

bool CliCommand::writeWatched(const QDateTime &at, int channel, const std::optional<int> &level)
{
    if (m_options.changesOnly && !m_changes.passes(channel, level))
        return true;
    return write(formatWatchedLevel(m_options.format, at, ChannelLevel{channel, level}, m_options.changesOnly));
}

// Said on standard error, apart from the readings: a script's data stream
// stays a table.
void CliCommand::noteHeartbeat(const std::optional<int> &level)
{
    if (!m_options.heartbeat)
        return;
    switch (m_heartbeat.take(m_heartbeatClock.elapsed(), level)) {
    case HeartbeatWatch::News::Froze:
        complain(HeartbeatWatch::frozenText(m_options.heartbeat, m_options.stillAfter));
        break;
    case HeartbeatWatch::News::Moved:
        complain(HeartbeatWatch::movedText(m_options.heartbeat));
        break;
    case HeartbeatWatch::News::None:
        break;
    }
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
    const int fault = writeOut(bytes);
    if (fault == 0)
        return true;
    m_session.shutDown();
    if (fault == EPIPE) {
        end(m_anyFault ? kBoxFault : kAllRead);
    } else {
        complain(outputFaultText(fault));
        end(kBoxFault);
    }
    return false;
}

QByteArray CliCommand::table(const QByteArray &bytes) const
{
    return m_options.noHeader && m_options.format == OutputFormat::Csv ? withoutHeader(bytes) : bytes;
}

void CliCommand::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    emit finished(status);
}
