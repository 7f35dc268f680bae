#include "ola_listener.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>
#include <ola/network/IPV4Address.h>
#include <ola/network/SocketAddress.h>
#include <ola/network/TCPSocket.h>

#include <QSocketNotifier>

OlaListener::OlaListener(quint16 port, unsigned int universe, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_universe(universe)
{
    m_streamTimer.setInterval(500);
    connect(&m_streamTimer, &QTimer::timeout, this, &OlaListener::sendStream);
}

OlaListener::~OlaListener()
{
    disconnectFromOlad();
}

bool OlaListener::connectToOlad()
{
    disconnectFromOlad();
    m_socket.reset(ola::network::TCPSocket::Connect(
        ola::network::IPV4SocketAddress(ola::network::IPV4Address::Loopback(), m_port)));
    if (!m_socket)
        return false;
    m_socket->SetNoDelay();
    m_client = std::make_unique<ola::client::OlaClient>(m_socket.get());
    m_client->Setup();
    m_client->SetDMXCallback(ola::NewCallback(this, &OlaListener::onDmx));
    m_client->RegisterUniverse(m_universe, ola::client::REGISTER,
                               ola::NewSingleCallback(this, &OlaListener::onRegistered));
    m_notifier = std::make_unique<QSocketNotifier>(m_socket->ReadDescriptor(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &OlaListener::onReadable);
    return true;
}

void OlaListener::disconnectFromOlad()
{
    m_streamTimer.stop();
    m_notifier.reset();
    if (m_client)
        m_client->Stop();
    m_client.reset();
    m_socket.reset();
    m_registered = false;
}

void OlaListener::onReadable()
{
    // Readable with nothing to read: olad has gone.
    if (m_socket->IsClosed()) {
        disconnectFromOlad();
        return;
    }
    m_socket->PerformRead();
}

void OlaListener::onRegistered(const ola::client::Result &result)
{
    m_registered = result.Success();
}

// The Dummy plugin's one device is the first olad installs: alias 1, with
// one output port, 0.
void OlaListener::patchDummyOutput(bool patch)
{
    if (!m_client)
        return;
    m_client->Patch(1, 0, ola::client::OUTPUT_PORT, patch ? ola::client::PATCH : ola::client::UNPATCH, m_universe,
                    ola::NewSingleCallback(this, &OlaListener::onPatched, patch));
}

void OlaListener::onPatched(bool patch, const ola::client::Result &result)
{
    if (result.Success())
        m_patched = patch;
}

void OlaListener::stream(const QByteArray &levels, int priority)
{
    m_streamed = levels;
    m_streamPriority = priority;
    if (levels.isEmpty()) {
        m_streamTimer.stop();
        return;
    }
    sendStream();
    m_streamTimer.start();
}

void OlaListener::sendStream()
{
    if (!m_client || m_streamed.isEmpty())
        return;
    ola::client::SendDMXArgs args;
    args.priority = uint8_t(m_streamPriority);
    m_client->SendDMX(m_universe, ola::DmxBuffer(reinterpret_cast<const uint8_t *>(m_streamed.constData()),
                                                 unsigned(m_streamed.size())),
                      args);
    ++m_sends;
}

void OlaListener::onDmx(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer)
{
    if (metadata.universe != m_universe)
        return;
    m_latestAt = Clock::now();
    m_latest = QByteArray(reinterpret_cast<const char *>(buffer.GetRaw()), int(buffer.Size()));
    ++m_frames;
    emit frameReceived();
}
