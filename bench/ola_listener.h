#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class QSocketNotifier;
namespace ola {
class DmxBuffer;
namespace client {
class OlaClient;
class Result;
struct DMXMetadata;
}
namespace network {
class TCPSocket;
}
}

// A client of olad on 127.0.0.1 that registers for one universe (which
// makes olad keep the universe even with no port patched to it) and keeps
// every frame olad passes on, with the time it came. It can stand in for
// the rest of a rig as well: patch the Dummy plugin's output port to the
// universe, as an operator would, and be another source of it. Runs on the
// Qt event loop: a socket notifier hands olad's bytes to the client library.
class OlaListener : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    OlaListener(quint16 port, unsigned int universe, QObject *parent = nullptr);
    ~OlaListener() override;

    // Connects and asks for the universe; false when olad is not there.
    bool connectToOlad();
    void disconnectFromOlad();
    bool connected() const { return m_client != nullptr; }
    bool registered() const { return m_registered; }

    // Patches (or unpatches) the output port of the Dummy plugin's device,
    // the only device the tests' olad has, to the universe; patched() once
    // olad has done it.
    void patchDummyOutput(bool patch = true);
    bool patched() const { return m_patched; }

    // Sends `levels` into the universe at `priority` now and twice a second
    // after, as a desk keeps sending; an empty `levels` stops.
    void stream(const QByteArray &levels, int priority = 100);
    int sends() const { return m_sends; }

    int frames() const { return m_frames; }
    QByteArray latest() const { return m_latest; }
    Clock::time_point latestAt() const { return m_latestAt; }

signals:
    void frameReceived();

private:
    void onReadable();
    void onRegistered(const ola::client::Result &result);
    void onPatched(bool patch, const ola::client::Result &result);
    void sendStream();
    void onDmx(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer);

    quint16 m_port;
    unsigned int m_universe;
    std::unique_ptr<ola::network::TCPSocket> m_socket;
    std::unique_ptr<ola::client::OlaClient> m_client;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_registered = false;
    bool m_patched = false;
    QByteArray m_streamed;
    int m_streamPriority = 100;
    int m_sends = 0;
    QTimer m_streamTimer;
    int m_frames = 0;
    QByteArray m_latest;
    Clock::time_point m_latestAt;
};
