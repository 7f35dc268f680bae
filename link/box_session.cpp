#include "box_session.h"

#include "port_mapping.h"

#include <QFileInfo>
#include <algorithm>

BoxSession::BoxSession(std::unique_ptr<SerialPort> port, SessionClock &clock, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
    , m_clock(clock)
    , m_resolvePort(portDeviceName)
    , m_exchange(*m_port, kResponseTimeout, clock)
    , m_cadence(clock)
    , m_search(clock)
{
    connect(&m_exchange, &Exchange::ended, this, &BoxSession::onAnswer);
    connect(&m_cadence, &MonitorCadence::passDue, this, [this] { enqueue(job::Pass{}); });
    connect(&m_search, &DeviceSearch::found, this, &BoxSession::onDeviceFound);
    connect(m_port.get(), &SerialPort::lost, this, &BoxSession::onPortLost);
}

BoxSession::~BoxSession() = default;

// The operator's choice ends any search for a lost device.
void BoxSession::choosePort(int port, const QString &device)
{
    m_search.stop();
    withdraw([](const SessionJob &job) {
        const auto *choice = std::get_if<job::PortChoice>(&job);
        return choice && choice->automatic;
    });
    m_portLost = false;
    enqueue(job::PortChoice{port, device, false});
}

void BoxSession::adoptOpenPort(int port)
{
    m_openPort = port;
    m_portLost = false;
    rememberOpenDevice(m_port->deviceName());
}

// A link is a name the operator or the system keeps for this device; a
// bare kernel name is only found again through its by-id name.
void BoxSession::rememberOpenDevice(const QString &device)
{
    const QFileInfo info(device);
    m_search.remember(info.isSymLink() ? device : stableDeviceName(device));
}

void BoxSession::readChannel(int reader, int channel)
{
    enqueue(job::Read{reader, channel});
}

void BoxSession::listRange(int first, int last)
{
    enqueue(job::Listing{first, last});
}

void BoxSession::fetchLevels(int first, int last, std::chrono::milliseconds patience)
{
    enqueue(job::Fetch{first, last, patience});
}

void BoxSession::fetchRead(int channel, std::chrono::milliseconds patience)
{
    enqueue(job::FetchRead{channel, patience});
}

int BoxSession::cancelFetches()
{
    return withdraw([](const SessionJob &job) {
        return std::holds_alternative<job::Fetch>(job) || std::holds_alternative<job::FetchRead>(job);
    });
}

int BoxSession::withdraw(const std::function<bool(const SessionJob &job)> &which)
{
    const auto kept = std::remove_if(m_waiting.begin(), m_waiting.end(), which);
    const int withdrawn = int(std::distance(kept, m_waiting.end()));
    m_waiting.erase(kept, m_waiting.end());
    return withdrawn;
}

void BoxSession::startMonitoring()
{
    if (!m_shutDown)
        m_cadence.start();
}

void BoxSession::shutDown()
{
    m_shutDown = true;
    m_waiting.clear();
    m_current.reset();
    m_exchange.abandon();
    m_cadence.halt();
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
    m_portLost = true;
    m_exchange.endNow();
    m_search.start();
    emit portLost(m_openPort);
}

// The reopen goes before whatever waits: those would only fail.
void BoxSession::onDeviceFound(const QString &device)
{
    if (m_shutDown)
        return;
    m_waiting.push_front(job::PortChoice{m_openPort, device, true});
    startNext();
}

void BoxSession::enqueue(SessionJob job)
{
    if (m_shutDown)
        return;
    m_waiting.push_back(std::move(job));
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
        m_current = std::move(m_waiting.front());
        m_waiting.pop_front();
        std::visit([this](auto &job) { begin(job); }, *m_current);
    }
    m_starting = false;
}

// Whoever gets the report may ask for more at once; that waits behind
// whatever was asked before it.
void BoxSession::finish()
{
    m_current.reset();
    startNext();
}

void BoxSession::begin(job::PortChoice &choice)
{
    if (m_port->isOpen() && !m_port->close())
        emit probed(choice.port, Status::ErrorOpeningPort);
    if (!m_current)
        return; // shut down from the report
    m_readLength = 0;
    const QString device = choice.device.isEmpty() ? m_resolvePort(choice.port) : choice.device;
    if (!m_port->open(device, LineSettings{})) {
        // A device found again may not take an open yet; the search goes on
        // without a word, the loss already said.
        if (choice.automatic)
            m_search.start();
        else
            emit probed(choice.port, Status::ErrorOpeningPort);
        finish();
        return;
    }
    m_openPort = choice.port;
    m_exchange.lineChanged();
    if (!choice.automatic)
        rememberOpenDevice(device);
    Exchange::Request probe{protocol::probeCommand(), /*discardFirst=*/false, protocol::kProbeThreshold, m_readLength};
    probe.leadIn = QByteArray(protocol::kFlushNulCount, protocol::kFlushByte);
    probe.quietFirst = true;
    m_exchange.start(probe);
}

void BoxSession::sendRead(int channel)
{
    m_exchange.start({protocol::readCommand(channel), /*discardFirst=*/true, protocol::kReadThreshold, m_readLength});
}

void BoxSession::begin(job::Read &read)
{
    if (!m_portLost) {
        sendRead(read.channel);
        return;
    }
    emit levelRead(read.reader, read.channel, std::nullopt);
    if (m_current)
        finish();
}

void BoxSession::begin(job::Listing &listing)
{
    beginBlock(listing.first, listing.last);
}

void BoxSession::begin(job::Fetch &fetch)
{
    beginBlock(fetch.first, fetch.last, fetch.patience);
}

void BoxSession::begin(job::FetchRead &read)
{
    Exchange::Request request{protocol::readCommand(read.channel), /*discardFirst=*/true, protocol::kReadThreshold,
                              m_readLength};
    request.timeout = read.patience;
    m_exchange.start(request);
}

void BoxSession::beginBlock(int first, int last, std::chrono::milliseconds patience)
{
    const int count = last - first + 1;
    const std::optional<QByteArray> request = protocol::block::buildRequest(first, count);
    const int length = protocol::block::replyLength(count);
    if (request && !m_portLost
        && m_exchange.start({*request, /*discardFirst=*/true, length - 1, length, /*stopOnPortFailure=*/true, patience}))
        return;
    reportBlock(BlockReply{first, count, true, {}});
    if (m_current)
        finish();
}

void BoxSession::begin(job::Pass &pass)
{
    pass.slot = 0;
    continuePass(pass);
}

// The cadence re-arms only at the pass's end: passes stand one interval
// apart, end to start.
void BoxSession::continuePass(job::Pass &pass)
{
    while (pass.slot < m_cadence.slotCount()) {
        pass.channel = m_cadence.channel(pass.slot);
        if (!m_portLost) {
            sendRead(pass.channel);
            return;
        }
        emit monitoredLevelRead(pass.slot, pass.channel, std::nullopt);
        if (!m_current)
            return;
        ++pass.slot;
    }
    m_cadence.passEnded();
    emit passEnded();
    if (m_current)
        finish();
}

void BoxSession::onAnswer(const Exchange::Answer &answer)
{
    if (answer.timedOut)
        ++m_timeOuts;
    if (!m_current)
        return;
    std::visit([this, &answer](auto &job) { this->answer(job, answer); }, *m_current);
}

// A device found again must prove to be the box before anything else goes
// to it; until it does, it is closed and looked for once a second, without
// a word: the loss has been said.
void BoxSession::answer(const job::PortChoice &choice, const Exchange::Answer &answer)
{
    const bool box = protocol::probeAnswered(answer.text, answer.finalCount);
    if (choice.automatic && !box) {
        m_port->close();
        m_search.start();
    } else {
        if (choice.automatic)
            m_portLost = false;
        emit probed(choice.port, box ? Status::ConnectedOk : Status::NoTransceiver);
    }
    if (m_current)
        finish();
}

void BoxSession::answer(const job::Read &read, const Exchange::Answer &answer)
{
    emit levelRead(read.reader, read.channel, protocol::judgeReadAnswer(answer.text));
    if (m_current)
        finish();
}

void BoxSession::answer(const job::Listing &listing, const Exchange::Answer &answer)
{
    answerBlock(listing.first, listing.last, answer);
}

void BoxSession::answer(const job::Fetch &fetch, const Exchange::Answer &answer)
{
    answerBlock(fetch.first, fetch.last, answer);
}

void BoxSession::answerBlock(int first, int last, const Exchange::Answer &answer)
{
    const int count = last - first + 1;
    if (!answer.portFailed)
        m_readLength = protocol::block::replyLength(count);
    reportBlock(BlockReply{first, count, answer.portFailed, answer.text});
    if (m_current)
        finish();
}

void BoxSession::answer(const job::FetchRead &read, const Exchange::Answer &answer)
{
    emit levelsFetched(LevelFetch::fromRead(read.channel, answer.portFailed, answer.text));
    if (m_current)
        finish();
}

// A block goes to whoever asked for it: the listing, or a live view.
void BoxSession::reportBlock(const BlockReply &reply)
{
    if (std::holds_alternative<job::Listing>(*m_current))
        emit listed(reply);
    else
        emit levelsFetched(LevelFetch::from(reply));
}

void BoxSession::answer(job::Pass &pass, const Exchange::Answer &answer)
{
    emit monitoredLevelRead(pass.slot, pass.channel, protocol::judgeReadAnswer(answer.text));
    if (!m_current)
        return;
    ++pass.slot;
    continuePass(pass);
}
