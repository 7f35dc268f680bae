#include "cli_command.h"

#include "cli_errors.h"
#include "listing.h"
#include "status_text.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>
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
    : CommandRun(options, session, parent)
    , m_options(options)
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
        session().choosePort(m_options.portNumber, m_options.device);
        break;
    case CliOptions::Command::Read:
        // The session runs them in the order asked, one after another.
        for (int channel : std::as_const(m_options.channels))
            session().readChannel(0, channel);
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
        session().setMonitoredChannels(channels);
        // The first pass goes at once; onPassEnded() sets the real interval.
        session().setMonitorInterval(std::chrono::milliseconds(0));
        session().startMonitoring();
        break;
    }
    default:
        end(kUsageError); // answered without a session
        break;
    }
}

void CliCommand::interrupt()
{
    if (ended())
        return;
    if (++m_interrupts > 1 || m_options.command != CliOptions::Command::Watch) {
        session().shutDown();
        end(kStopped);
        return;
    }
    session().stopMonitoring();
    // Between passes nothing is in flight to wait for.
    if (session().idle() && !m_printing)
        end(stoppedStatus());
}

int CliCommand::stoppedStatus() const
{
    if (m_passes == 0)
        return kStopped;
    return m_anyFault ? kBoxFault : kAllRead;
}

// A watch goes on over a lost port: said once on standard error, and the
// data stream carries no readings until the box is back.
void CliCommand::onPortLost()
{
    if (ended() || m_options.command != CliOptions::Command::Watch)
        return;
    const QString device = session().port().deviceName();
    if (!session().searching()) {
        complain(QStringLiteral("the port was lost (%1), and without a name that stays with the device "
                                "it is not opened again")
                     .arg(device));
        session().shutDown();
        end(kPortFault);
        return;
    }
    complain(QStringLiteral("the port was lost (%1); waiting for it to come back").arg(device));
}

void CliCommand::onProbed(int, Status status)
{
    const QString device = session().port().deviceName();
    if (m_options.command == CliOptions::Command::Watch) {
        // Only the lost device found again and answering is probed here.
        complain(QStringLiteral("the port is back (%1)").arg(device));
        if (std::exchange(m_waitingForPort, false) && !ended())
            startPictures();
        return;
    }
    if (status == Status::ErrorOpeningPort) {
        complain(portFaultText(device, m_options.portNumber, session().port().openError()));
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
    if (ended())
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
    if (ended())
        return;
    if (m_options.command == CliOptions::Command::List) {
        complainOf(picture.failures());
        if (write(table(formatLevels(m_options.format, picture.channelLevels()))))
            end(m_anyFault ? kBoxFault : kAllRead);
        return;
    }
    // Over a lost port nothing is written, as with reads: the loss is said
    // once, and the watch picks up when the port is back.
    if (session().portIsLost()) {
        m_waitingForPort = true;
        if (m_interrupts > 0)
            end(stoppedStatus());
        return;
    }
    const Picture taken = picture; // the next picture is gathered in the same place
    const bool last = m_interrupts > 0 || (m_options.count > 0 && m_passes + 1 >= m_options.count);
    if (!last)
        askNextPicture();
    // Printed once the session has put the next request on the wire: the
    // line carries the next picture while the rows go out.
    m_printing = true;
    QMetaObject::invokeMethod(
        this,
        [this, taken, last] {
            m_printing = false;
            if (!writePicture(taken))
                return;
            if (last || (m_interrupts > 0 && session().idle()))
                end(stoppedStatus());
        },
        Qt::QueuedConnection);
}

void CliCommand::askNextPicture()
{
    if (m_options.interval.count() == 0) {
        startPictures();
        return;
    }
    QTimer::singleShot(m_options.interval, this, [this] {
        if (!ended() && m_interrupts == 0)
            startPictures();
    });
}

bool CliCommand::writePicture(const Picture &picture)
{
    complainOf(picture.failures());
    const QDateTime at = QDateTime::currentDateTime();
    for (int channel : std::as_const(m_options.channels)) {
        if (!writeWatched(at, channel, picture.level(channel)))
            return false;
    }
    noteHeartbeat(picture.level(m_options.heartbeat));
    ++m_passes;
    return true;
}

void CliCommand::onMonitoredLevelRead(int slot, int channel, std::optional<int> level)
{
    if (ended() || (!level && session().portIsLost()))
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
    if (ended())
        return;
    if (!session().portIsLost())
        ++m_passes;
    const bool enough = m_options.count > 0 && m_passes >= m_options.count;
    if (m_interrupts > 0 || enough) {
        session().stopMonitoring();
        end(stoppedStatus());
        return;
    }
    if (m_passes == 1)
        session().setMonitorInterval(m_options.interval);
}

