#include "universe_tap.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>

UniverseTap::UniverseTap(QObject *parent)
    : QObject(parent)
{
    m_patience.setSingleShot(true);
    m_patience.setInterval(kAnswerPatience);
    connect(&m_patience, &QTimer::timeout, this, [this] {
        if (m_state == State::Asking)
            setState(State::Silent);
    });
    connect(&m_connection, &OlaConnection::opened, this, &UniverseTap::onOpened);
    connect(&m_connection, &OlaConnection::lost, this, [this] {
        m_patience.stop();
        m_levels.reset();
        setState(State::Lost);
    });
}

UniverseTap::~UniverseTap() = default;

void UniverseTap::start()
{
    if (m_state != State::Off)
        return;
    m_frames = 0;
    m_levels.reset();
    m_connection.open();
    if (!m_connection.isOpen())
        setState(State::Waiting);
}

void UniverseTap::stop()
{
    m_patience.stop();
    m_connection.close();
    m_levels.reset();
    setState(State::Off);
}

// Registered first, so that no frame falls between what olad holds and
// what it passes on after.
void UniverseTap::onOpened()
{
    ola::client::OlaClient *client = m_connection.client();
    client->SetDMXCallback(ola::NewCallback(this, &UniverseTap::onFrame));
    setState(State::Asking);
    m_patience.start();
    m_inCall = true;
    client->RegisterUniverse(m_universe, ola::client::REGISTER, ola::NewSingleCallback(this, &UniverseTap::onRegistered));
    m_inCall = false;
}

void UniverseTap::onRegistered(const ola::client::Result &result)
{
    if (m_inCall || !result.Success() || !m_connection.isOpen())
        return; // the connection is going: found again later
    m_inCall = true;
    m_connection.client()->FetchDMX(m_universe, ola::NewSingleCallback(this, &UniverseTap::onFetched));
    m_inCall = false;
}

void UniverseTap::onFetched(const ola::client::Result &result, const ola::client::DMXMetadata &,
                            const ola::DmxBuffer &buffer)
{
    if (m_inCall || !result.Success())
        return;
    m_patience.stop();
    // A frame passed on meanwhile is newer than what was asked for.
    if (m_frames == 0 && buffer.Size() > 0)
        take(buffer);
    setState(State::Listening);
}

void UniverseTap::onFrame(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer)
{
    if (metadata.universe != m_universe || buffer.Size() == 0)
        return;
    ++m_frames;
    take(buffer);
}

void UniverseTap::take(const ola::DmxBuffer &buffer)
{
    const QByteArray levels(reinterpret_cast<const char *>(buffer.GetRaw()), int(buffer.Size()));
    if (m_levels == levels)
        return;
    m_levels = levels;
    emit levelsArrived();
}

void UniverseTap::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
