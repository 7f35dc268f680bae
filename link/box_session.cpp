#include "box_session.h"

#include "port_mapping.h"

#include <QFileInfo>
#include <algorithm>

BoxSession::BoxSession(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kResponseTimeout);
    m_timeout.setTimerType(Qt::PreciseTimer);
    connect(&m_timeout, &QTimer::timeout, this, &BoxSession::onTimeout);

    m_monitorTimer.setSingleShot(true);
    m_monitorTimer.setInterval(kMonitorInterval);
    m_monitorTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_monitorTimer, &QTimer::timeout, this, &BoxSession::onMonitorTick);

    m_search.setInterval(kSearchInterval);
    connect(&m_search, &QTimer::timeout, this, &BoxSession::onSearchTick);

    connect(m_port.get(), &SerialPort::bytesArrived, this, &BoxSession::onBytesArrived);
    connect(m_port.get(), &SerialPort::lost, this, &BoxSession::onPortLost);
}

BoxSession::~BoxSession() = default;

// The operator's choice ends any search for a lost device.
void BoxSession::choosePort(int port, const QString &device)
{
    m_search.stop();
    withdraw([](const Job &job) { return job.automatic; });
    Job job;
    job.kind = Job::Kind::PortChoice;
    job.port = port;
    job.device = device;
    enqueue(job);
}

void BoxSession::readChannel(int reader, int channel)
{
    Job job;
    job.kind = Job::Kind::Read;
    job.reader = reader;
    job.channel = channel;
    enqueue(job);
}

void BoxSession::listRange(int first, int last)
{
    enqueueBlock(Job::Kind::Listing, first, last);
}

void BoxSession::fetchLevels(int first, int last)
{
    enqueueBlock(Job::Kind::Fetch, first, last);
}

void BoxSession::enqueueBlock(Job::Kind kind, int first, int last)
{
    Job job;
    job.kind = kind;
    job.first = first;
    job.last = last;
    enqueue(job);
}

int BoxSession::cancelFetches()
{
    return withdraw([](const Job &job) { return job.kind == Job::Kind::Fetch; });
}

int BoxSession::withdraw(bool (*which)(const Job &job))
{
    const auto kept = std::remove_if(m_waiting.begin(), m_waiting.end(), which);
    const int withdrawn = int(std::distance(kept, m_waiting.end()));
    m_waiting.erase(kept, m_waiting.end());
    return withdrawn;
}

void BoxSession::setMonitoredChannels(const QVector<int> &channels)
{
    m_monitoredChannels = channels;
}

void BoxSession::setMonitoredChannel(int slot, int channel)
{
    if (slot >= 0 && slot < m_monitoredChannels.size())
        m_monitoredChannels[slot] = channel;
}

void BoxSession::setMonitorInterval(std::chrono::milliseconds interval)
{
    m_monitorTimer.setInterval(interval);
}

void BoxSession::startMonitoring()
{
    if (m_shutDown)
        return;
    m_stopMonitoring = false;
    m_monitorTimer.start();
}

void BoxSession::stopMonitoring()
{
    m_monitorTimer.stop();
    m_stopMonitoring = true;
}

// A tick while a pass waits its turn or runs adds nothing: that pass re-arms
// the timer at its end, so passes stand one interval apart from end to start.
void BoxSession::onMonitorTick()
{
    if (m_passPending)
        return;
    m_passPending = true;
    Job job;
    job.kind = Job::Kind::Pass;
    enqueue(job);
}

void BoxSession::shutDown()
{
    m_shutDown = true;
    m_waiting.clear();
    m_current.reset();
    m_awaiting = false;
    m_timeout.stop();
    m_monitorTimer.stop();
    m_search.stop();
    if (m_port->isOpen())
        m_port->close();
}

// The exchange in flight fails at once with its own report; the loss is
// reported after it, so the operator's last word is that the port is gone.
void BoxSession::onPortLost()
{
    if (m_shutDown)
        return;
    if (m_awaiting)
        endWait(0);
    emit portLost(m_openPort);
    m_search.start();
}

void BoxSession::onSearchTick()
{
    QString found;
    if (QFileInfo::exists(m_openDevice))
        found = m_openDevice;
    else if (!m_openStableName.isEmpty() && QFileInfo::exists(m_openStableName))
        found = m_openStableName;
    if (found.isEmpty())
        return;
    m_search.stop();
    Job job;
    job.kind = Job::Kind::PortChoice;
    job.port = m_openPort;
    job.device = found;
    job.automatic = true;
    enqueue(job);
}

void BoxSession::enqueue(const Job &job)
{
    if (m_shutDown)
        return;
    m_waiting.push_back(job);
    startNext();
}

// A request that needs no wait (a port that will not open) finishes inside
// begin(); the loop then takes the next one instead of recursing.
void BoxSession::startNext()
{
    if (m_starting)
        return;
    m_starting = true;
    while (!m_current && !m_waiting.empty() && !m_shutDown) {
        m_current = m_waiting.front();
        m_waiting.pop_front();
        begin();
    }
    m_starting = false;
}

void BoxSession::begin()
{
    switch (m_current->kind) {
    case Job::Kind::PortChoice:
        beginPortChoice();
        break;
    case Job::Kind::Read:
        send(protocol::readCommand(m_current->channel), /*discardFirst=*/true, protocol::kReadThreshold);
        break;
    case Job::Kind::Listing:
    case Job::Kind::Fetch:
        beginBlock();
        break;
    case Job::Kind::Pass:
        m_current->slot = 0;
        continuePass();
        break;
    }
}

// Whoever gets the report may ask for more at once; that waits behind
// whatever was asked before it.
void BoxSession::finish()
{
    m_current.reset();
    startNext();
}

void BoxSession::beginPortChoice()
{
    const int port = m_current->port;
    if (m_port->isOpen() && !m_port->close())
        emit probed(port, Status::ErrorOpeningPort);
    if (!m_current)
        return; // shut down from the report
    m_port->setPortNumber(port);
    if (!m_current->device.isEmpty())
        m_port->setDeviceName(m_current->device);
    m_port->configure(LineSettings{});
    m_port->setReadLength(0);
    if (!m_port->isOpen() && !m_port->open()) {
        // A device found again may not take an open yet; the search goes on
        // without a word, the loss already said.
        if (m_current->automatic)
            m_search.start();
        else
            emit probed(port, Status::ErrorOpeningPort);
        finish();
        return;
    }
    m_openPort = port;
    m_openDevice = m_port->deviceName();
    m_openStableName = stableDeviceName(m_openDevice);
    const QByteArray nul(1, protocol::kFlushByte);
    for (int i = 0; i < protocol::kFlushNulCount; ++i)
        m_port->write(nul);
    send(protocol::probeCommand(), /*discardFirst=*/false, protocol::kProbeThreshold);
}

void BoxSession::beginBlock()
{
    const int first = m_current->first;
    const int count = m_current->last - first + 1;
    const std::optional<QByteArray> request = protocol::block::buildRequest(first, count);
    if (request && send(*request, /*discardFirst=*/true, protocol::block::replyLength(count) - 1,
                        protocol::block::replyLength(count), /*stopOnPortFailure=*/true))
        return;
    if (m_current->kind == Job::Kind::Listing) {
        Listing listing;
        listing.first = first;
        emit listed(listing);
    } else {
        emit levelsFetched(LevelFetch{first, count, LevelFetch::Outcome::NoAnswer, {}});
    }
    if (m_current)
        finish();
}

// Each slot's channel is taken as its command is built, so a slider moved
// during a pass changes what the slots not yet read will read. The pass
// re-arms the timer only at its end: passes stand one interval apart.
void BoxSession::continuePass()
{
    if (m_current->slot < m_monitoredChannels.size()) {
        m_current->channel = m_monitoredChannels.at(m_current->slot);
        send(protocol::readCommand(m_current->channel), /*discardFirst=*/true, protocol::kReadThreshold);
        return;
    }
    m_passPending = false;
    if (m_stopMonitoring)
        m_stopMonitoring = false;
    else
        m_monitorTimer.start();
    emit passEnded();
    if (m_current)
        finish();
}

bool BoxSession::send(const QByteArray &command, bool discardFirst, int threshold, int readLength,
                      bool stopOnPortFailure)
{
    m_portTrouble = false;
    if (discardFirst && !m_port->discardWaiting())
        m_portTrouble = true;
    if (m_portTrouble && stopOnPortFailure)
        return false;
    if (!m_port->write(command))
        m_portTrouble = true;
    if (m_portTrouble && stopOnPortFailure)
        return false;

    m_threshold = threshold;
    m_readLength = readLength;
    m_awaiting = true;
    m_timeout.start();
    // Bytes already waiting (the probe does not empty the line) may be
    // enough; they are judged once control is back in the event loop.
    if (m_port->bytesWaiting() > threshold)
        QMetaObject::invokeMethod(this, &BoxSession::onBytesArrived, Qt::QueuedConnection);
    return true;
}

void BoxSession::onBytesArrived()
{
    if (!m_awaiting)
        return;
    const int count = m_port->bytesWaiting();
    if (count > m_threshold)
        endWait(count);
}

void BoxSession::onTimeout()
{
    if (m_awaiting)
        endWait(m_port->bytesWaiting());
}

// Bytes that land between the count that ends the wait and the read are
// read with the answer but were not counted.
void BoxSession::endWait(int finalCount)
{
    m_awaiting = false;
    m_timeout.stop();
    Answer answer;
    answer.finalCount = finalCount;
    answer.portFailed = m_portTrouble || !m_port->isOpen();
    if (!answer.portFailed && m_readLength >= 0)
        m_port->setReadLength(m_readLength);
    answer.text = m_port->read();
    answered(answer);
}

namespace {

Status statusOf(protocol::block::Outcome outcome)
{
    switch (outcome) {
    case protocol::block::Outcome::Success: return Status::BlockOk;
    case protocol::block::Outcome::HeaderError: return Status::HeaderError;
    case protocol::block::Outcome::ChecksumError: return Status::ChecksumError;
    case protocol::block::Outcome::NotAsExpected: return Status::BlockNotAsExpected;
    case protocol::block::Outcome::Truncated: break;
    }
    return Status::MiscError;
}

// A listing that could not be sent or read, or whose reply was cut short,
// keeps the list as it was; every frame fault empties it.
Listing listingFrom(int first, int count, const QByteArray &reply, bool portFailed)
{
    Listing listing;
    listing.first = first;
    if (portFailed)
        return listing;
    const protocol::block::Check check = protocol::block::checkReply(reply, count);
    listing.status = statusOf(check.outcome);
    if (check.outcome == protocol::block::Outcome::Truncated)
        return listing;
    listing.list = check.outcome == protocol::block::Outcome::Success ? Listing::List::Replace
                                                                      : Listing::List::Empty;
    listing.levels = check.levels;
    return listing;
}

LevelFetch fetchFrom(int first, int count, const QByteArray &reply, bool portFailed)
{
    LevelFetch fetch{first, count, LevelFetch::Outcome::NoAnswer, {}};
    if (portFailed || reply.isEmpty())
        return fetch;
    const protocol::block::Check check = protocol::block::checkReply(reply, count);
    switch (check.outcome) {
    case protocol::block::Outcome::Success: fetch.outcome = LevelFetch::Outcome::Success; break;
    case protocol::block::Outcome::HeaderError: fetch.outcome = LevelFetch::Outcome::HeaderError; break;
    case protocol::block::Outcome::ChecksumError: fetch.outcome = LevelFetch::Outcome::ChecksumError; break;
    case protocol::block::Outcome::NotAsExpected: fetch.outcome = LevelFetch::Outcome::EndByteError; break;
    case protocol::block::Outcome::Truncated: fetch.outcome = LevelFetch::Outcome::CutShort; break;
    }
    fetch.levels = check.levels;
    return fetch;
}

} // namespace

void BoxSession::answered(const Answer &answer)
{
    const Job job = *m_current;
    switch (job.kind) {
    case Job::Kind::PortChoice:
        emit probed(job.port, protocol::probeAnswered(answer.text, answer.finalCount) ? Status::ConnectedOk
                                                                                       : Status::NoTransceiver);
        break;
    case Job::Kind::Read:
        emit levelRead(job.reader, job.channel, protocol::judgeReadAnswer(answer.text));
        break;
    case Job::Kind::Listing:
        emit listed(listingFrom(job.first, job.last - job.first + 1, answer.text, answer.portFailed));
        break;
    case Job::Kind::Fetch:
        emit levelsFetched(fetchFrom(job.first, job.last - job.first + 1, answer.text, answer.portFailed));
        break;
    case Job::Kind::Pass:
        emit monitoredLevelRead(job.slot, job.channel, protocol::judgeReadAnswer(answer.text));
        if (m_current) {
            ++m_current->slot;
            continuePass();
        }
        return;
    }
    if (m_current)
        finish();
}
