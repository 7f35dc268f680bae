#include "ola_feed.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>

#include <algorithm>

namespace {

QStringList portNames(const std::vector<ola::client::OlaOutputPort> &ports)
{
    QStringList names;
    for (const auto &port : ports)
        names << QString::fromStdString(port.Description());
    return names;
}

QStringList portNames(const std::vector<ola::client::OlaInputPort> &ports)
{
    QStringList names;
    for (const auto &port : ports)
        names << QString::fromStdString(port.Description());
    return names;
}

// olad's answer to registering: a listener that was refused hears no
// echo, which says only that no other source is seen.
void ignoreAnswer(const ola::client::Result &) {}

} // namespace

OlaFeed::OlaFeed(QObject *parent)
    : QObject(parent)
{
    m_tick.setInterval(kResendInterval);
    connect(&m_tick, &QTimer::timeout, this, &OlaFeed::onTick);
    m_patience.setSingleShot(true);
    m_patience.setInterval(kAnswerPatience);
    connect(&m_patience, &QTimer::timeout, this, [this] {
        if (m_state == State::Asking)
            setState(State::Silent);
    });
    connect(&m_connection, &OlaConnection::opened, this, &OlaFeed::onOpened);
    connect(&m_connection, &OlaConnection::lost, this, &OlaFeed::onLost);
}

OlaFeed::~OlaFeed() = default;

void OlaFeed::setPriority(int priority)
{
    priority = std::clamp(priority, 0, kHighestPriority);
    if (priority == m_priority)
        return;
    m_priority = priority;
    if (m_connection.isOpen() && !m_frame.isEmpty())
        sendFrame();
}

void OlaFeed::start()
{
    if (started())
        return;
    m_framesSent = 0;
    m_info = UniverseInfo{};
    m_info.number = m_universe;
    m_tick.start();
    m_connection.open();
    if (!m_connection.isOpen())
        setState(State::Waiting);
}

void OlaFeed::stop()
{
    m_tick.stop();
    m_patience.stop();
    m_connection.close();
    m_watch.reset();
    setState(State::Off);
}

void OlaFeed::send(int first, const QByteArray &levels)
{
    first = std::clamp(first, 1, kUniverseSize);
    const int count = std::min(int(levels.size()), kUniverseSize - first + 1);
    if (count <= 0)
        return;
    m_frame = QByteArray(first - 1, '\0') + levels.left(count);
    if (m_connection.isOpen())
        sendFrame();
}

void OlaFeed::onOpened()
{
    m_asking = false;
    m_listening = false;
    m_watch.reset();
    m_connection.client()->SetDMXCallback(ola::NewCallback(this, &OlaFeed::onEcho));
    setState(State::Asking);
    m_patience.start();
    lookUp();
    if (!m_frame.isEmpty() && m_connection.isOpen())
        sendFrame();
}

void OlaFeed::onLost()
{
    m_patience.stop();
    m_watch.reset();
    setState(State::Lost);
}

void OlaFeed::lookUp()
{
    if (m_asking || !m_connection.isOpen())
        return;
    m_asking = true;
    m_sinceLook.restart();
    m_inCall = true;
    m_connection.client()->FetchUniverseInfo(m_universe, ola::NewSingleCallback(this, &OlaFeed::onUniverseInfo));
    m_inCall = false;
}

// A request the library could not send fails at once, from inside the
// call: that is no answer from olad, and the connection goes as lost.
void OlaFeed::onUniverseInfo(const ola::client::Result &result, const ola::client::OlaUniverse &universe)
{
    m_asking = false;
    if (m_inCall)
        return;
    m_patience.stop();
    // Any failure olad answers with means the universe is not there.
    UniverseInfo info;
    info.number = m_universe;
    if (result.Success()) {
        info.exists = true;
        info.name = QString::fromStdString(universe.Name());
        info.htp = universe.MergeMode() == ola::client::OlaUniverse::MERGE_HTP;
        info.outputPorts = portNames(universe.OutputPorts());
        info.inputPorts = portNames(universe.InputPorts());
    }
    const bool changed = info != m_info;
    m_info = info;
    if (!info.patched()) {
        setState(State::Unpatched);
        return;
    }
    // Registering keeps a universe in olad, so only one that is there: the
    // levels olad passes back tell whether another source feeds it.
    if (!m_listening) {
        m_listening = true;
        m_connection.client()->RegisterUniverse(m_universe, ola::client::REGISTER,
                                                ola::NewSingleCallback(&ignoreAnswer));
    }
    if (m_state != State::Connected && m_state != State::Feeding) {
        setState(m_frame.isEmpty() ? State::Connected : State::Feeding);
    } else if (changed) {
        emit universeChanged();
    }
}

void OlaFeed::onEcho(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer)
{
    if (metadata.universe != m_universe)
        return;
    const QByteArray frame(reinterpret_cast<const char *>(buffer.GetRaw()), int(buffer.Size()));
    if (m_watch.echoed(frame, metadata.priority, SourceWatch::Clock::now()))
        emit otherSourceChanged();
}

void OlaFeed::sendFrame()
{
    const ola::DmxBuffer buffer(reinterpret_cast<const uint8_t *>(m_frame.constData()),
                                unsigned(m_frame.size()));
    ola::client::SendDMXArgs args;
    args.priority = uint8_t(m_priority);
    m_watch.sent(m_frame, m_priority);
    m_connection.client()->SendDMX(m_universe, buffer, args);
    ++m_framesSent;
    m_sinceSend.restart();
    if (m_state == State::Connected)
        setState(State::Feeding);
}

void OlaFeed::onTick()
{
    if (!m_connection.isOpen())
        return;
    // A line that gives no good levels sends nothing; the last levels sent
    // again, unchanged, keep olad taking them and show it is still there.
    if (!m_frame.isEmpty() && m_sinceSend.isValid() && m_sinceSend.elapsed() >= kResendInterval.count())
        sendFrame();
    if (m_connection.isOpen() && m_sinceLook.isValid() && m_sinceLook.elapsed() >= kLookInterval.count())
        lookUp();
    if (m_watch.expire(SourceWatch::Clock::now()))
        emit otherSourceChanged();
}

void OlaFeed::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
