#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

namespace ola::client {
class StreamingClient;
}

// Sends channel levels into one universe of olad, the Open Lighting
// Architecture's daemon, on this machine only (127.0.0.1). It never starts
// olad: while olad is not there it looks again once a second, and it finds
// a restarted olad the same way. Every look and every send is short work on
// a loopback socket, so the event loop never waits on olad for long.
class OlaFeed : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,       // not started, or stopped
        Waiting,   // olad has not answered since start()
        Connected, // olad answered; nothing sent to it yet
        Feeding,   // the last levels went to olad
        Lost,      // olad went away; looking for it again
    };

    static constexpr quint16 kDefaultServerPort = 9010;
    static constexpr int kUniverseSize = 512;
    // How often a missing olad is looked for, and how long the feed may stay
    // quiet before it sends the last levels again to learn olad is still there.
    static constexpr std::chrono::milliseconds kRetryInterval{1000};

    explicit OlaFeed(QObject *parent = nullptr);
    ~OlaFeed() override;

    // Both take effect at the next start().
    void setServerPort(quint16 port) { m_serverPort = port; }
    void setUniverse(unsigned int universe) { m_universe = universe; }
    quint16 serverPort() const { return m_serverPort; }
    unsigned int universe() const { return m_universe; }

    void start();
    void stop();
    State state() const { return m_state; }
    bool started() const { return m_state != State::Off; }

    // Channels first, first+1, ... of the universe take `levels`; the
    // channels below `first` go as zero, none goes above the last level.
    // Levels sent while olad is away go to it once it is found.
    void send(int first, const QByteArray &levels);

    // Levels that olad took, since start().
    int framesSent() const { return m_framesSent; }

signals:
    void stateChanged(OlaFeed::State state);

private:
    bool connectToOlad();
    void sendFrame();
    void onTick();
    void setState(State state);

    quint16 m_serverPort = kDefaultServerPort;
    unsigned int m_universe = 1;
    State m_state = State::Off;
    std::unique_ptr<ola::client::StreamingClient> m_client;
    QByteArray m_frame; // channels 1..last, as olad is to have them
    QTimer m_tick;
    QElapsedTimer m_sinceSend;
    int m_framesSent = 0;
};
