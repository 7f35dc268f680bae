#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class QSocketNotifier;
namespace ola {
template <typename ReturnType>
class SingleUseCallback0;
namespace client {
class OlaClient;
}
namespace network {
class TCPSocket;
}
}

// One connection to olad, the Open Lighting Architecture's daemon, on this
// machine only (127.0.0.1), for OLA's callback client. Qt's event loop
// drives it: a socket notifier hands olad's bytes to the client library,
// which runs the callbacks of the answers there, so that no call ever
// waits on olad. The socket does not block either: olad falling behind
// closes the connection rather than stopping the program. It never starts
// olad; while olad is not there it looks again once a second, and it finds
// a restarted olad the same way.
class OlaConnection : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultServerPort = 9010;
    static constexpr std::chrono::milliseconds kRetryInterval{1000};

    explicit OlaConnection(QObject *parent = nullptr);
    ~OlaConnection() override;

    // Takes effect at the next open().
    void setServerPort(quint16 port) { m_serverPort = port; }
    quint16 serverPort() const { return m_serverPort; }

    // Connects now if olad takes it, else keeps looking; opened() either way
    // once connected.
    void open();
    // Lets go of olad; no signal follows.
    void close();
    bool looking() const { return m_retry.isActive(); }
    bool isOpen() const { return m_client != nullptr; }

    // The client while open, else null. Callbacks given to it run from
    // the event loop, never after close().
    ola::client::OlaClient *client() const { return m_client.get(); }

signals:
    // Something took the connection on olad's port.
    void opened();
    // The connection went: olad stopped, or broke it off. Looking again.
    void lost();

private:
    bool connectNow();
    void onReadable();
    void onClientClosed();
    void dropLater();
    void drop();

    quint16 m_serverPort = kDefaultServerPort;
    QTimer m_retry;
    std::unique_ptr<ola::network::TCPSocket> m_socket;
    std::unique_ptr<ola::client::OlaClient> m_client;
    QSocketNotifier *m_notifier = nullptr;
    ola::SingleUseCallback0<void> *m_closeHandler = nullptr;
    bool m_dropping = false; // going once control is back in the event loop
    bool m_closing = false;  // going now
};
