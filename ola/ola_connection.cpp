#include "ola_connection.h"

#include <ola/Callback.h>
#include <ola/client/OlaClient.h>
#include <ola/network/IPV4Address.h>
#include <ola/network/SocketAddress.h>
#include <ola/network/TCPSocket.h>

#include <QSocketNotifier>
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

OlaConnection::OlaConnection(QObject *parent)
    : QObject(parent)
{
    keepSigpipeFromKilling();
    m_retry.setInterval(kRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (connectNow()) {
            m_retry.stop();
            emit opened();
        }
    });
}

OlaConnection::~OlaConnection()
{
    close();
}

void OlaConnection::open()
{
    close();
    if (connectNow()) {
        emit opened();
        return;
    }
    m_retry.start();
}

void OlaConnection::close()
{
    m_retry.stop();
    drop();
}

// A connect on the loopback is answered at once, taken or refused: it never
// waits on olad. With auto_start off nothing here starts olad.
bool OlaConnection::connectNow()
{
    std::unique_ptr<ola::network::TCPSocket> socket(ola::network::TCPSocket::Connect(
        ola::network::IPV4SocketAddress(ola::network::IPV4Address::Loopback(), m_serverPort)));
    if (!socket)
        return false;
    socket->SetNoDelay();
    if (!socket->SetReadNonBlocking())
        return false;
    auto client = std::make_unique<ola::client::OlaClient>(socket.get());
    if (!client->Setup())
        return false;
    // The client runs it, and it deletes itself, only when a send finds the
    // connection broken; otherwise it is ours to delete.
    m_closeHandler = ola::NewSingleCallback(this, &OlaConnection::onClientClosed);
    client->SetCloseHandler(m_closeHandler);
    m_socket = std::move(socket);
    m_client = std::move(client);
    m_notifier = new QSocketNotifier(m_socket->ReadDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &OlaConnection::onReadable);
    m_dropping = false;
    return true;
}

void OlaConnection::onReadable()
{
    if (!m_client || m_dropping)
        return;
    // Readable with nothing to read: olad has gone.
    if (m_socket->IsClosed()) {
        dropLater();
        return;
    }
    m_socket->PerformRead();
    // The client closes a connection whose messages it cannot make out.
    if (!m_socket->ValidReadDescriptor())
        dropLater();
}

void OlaConnection::onClientClosed()
{
    m_closeHandler = nullptr;
    if (!m_closing)
        dropLater();
}

// The client may still be on the stack (a send that found the connection
// broken ends here): it goes once control is back in the event loop.
void OlaConnection::dropLater()
{
    if (m_dropping)
        return;
    m_dropping = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_dropping) // closed or opened again meanwhile
                return;
            drop();
            m_retry.start();
            emit lost();
        },
        Qt::QueuedConnection);
}

void OlaConnection::drop()
{
    m_closing = true;
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_client)
        m_client->Stop();
    m_client.reset();
    m_socket.reset();
    delete m_closeHandler; // the client that would have run it is gone
    m_closeHandler = nullptr;
    m_closing = false;
    m_dropping = false;
}
