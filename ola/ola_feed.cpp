#include "ola_feed.h"

#include <ola/DmxBuffer.h>
#include <ola/client/StreamingClient.h>

#include <algorithm>
#include <csignal>

namespace {

// olad going away between two sends makes the next write fail with EPIPE;
// left at its default, SIGPIPE would end the whole program instead. A
// handler the program has set itself is left alone.
void keepSigpipeFromKilling()
{
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

OlaFeed::OlaFeed(QObject *parent)
    : QObject(parent)
{
    keepSigpipeFromKilling();
    m_tick.setInterval(kRetryInterval);
    connect(&m_tick, &QTimer::timeout, this, &OlaFeed::onTick);
}

OlaFeed::~OlaFeed() = default;

void OlaFeed::start()
{
    if (started())
        return;
    m_framesSent = 0;
    m_tick.start();
    if (!connectToOlad()) {
        setState(State::Waiting);
        return;
    }
    setState(State::Connected);
    if (!m_frame.isEmpty())
        sendFrame();
}

void OlaFeed::stop()
{
    m_tick.stop();
    m_client.reset();
    setState(State::Off);
}

void OlaFeed::send(int first, const QByteArray &levels)
{
    first = std::clamp(first, 1, kUniverseSize);
    const int count = std::min(int(levels.size()), kUniverseSize - first + 1);
    if (count <= 0)
        return;
    m_frame = QByteArray(first - 1, '\0') + levels.left(count);
    if (m_client)
        sendFrame();
}

// The client only ever connects to 127.0.0.1 and, with auto_start off,
// never starts olad itself.
bool OlaFeed::connectToOlad()
{
    ola::client::StreamingClient::Options options;
    options.auto_start = false;
    options.server_port = m_serverPort;
    auto client = std::make_unique<ola::client::StreamingClient>(options);
    if (!client->Setup())
        return false;
    m_client = std::move(client);
    return true;
}

void OlaFeed::sendFrame()
{
    const ola::DmxBuffer buffer(reinterpret_cast<const uint8_t *>(m_frame.constData()),
                                unsigned(m_frame.size()));
    // SendDmx first looks whether olad has closed the connection; a closed
    // one fails the send and is found again by the tick.
    if (!m_client->SendDmx(m_universe, buffer)) {
        m_client.reset();
        setState(State::Lost);
        return;
    }
    ++m_framesSent;
    m_sinceSend.restart();
    setState(State::Feeding);
}

void OlaFeed::onTick()
{
    if (!m_client) {
        if (!connectToOlad())
            return;
        setState(State::Connected);
        if (!m_frame.isEmpty())
            sendFrame();
        return;
    }
    // A line that gives no good levels sends nothing; the last levels sent
    // again, unchanged, show whether olad is still there.
    if (!m_frame.isEmpty() && m_sinceSend.isValid() && m_sinceSend.elapsed() >= kRetryInterval.count())
        sendFrame();
}

void OlaFeed::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
