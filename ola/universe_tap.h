#pragma once

#include "ola_connection.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

namespace ola {
class DmxBuffer;
namespace client {
class Result;
struct DMXMetadata;
}
}

// What olad holds for one universe, kept up to date: the levels of the
// network side of a line. Registers for the universe (olad creates it if
// nothing had it yet, which is harmless for a reader), asks once for what
// it holds, then takes every frame olad passes on. Sends nothing into it.
class UniverseTap : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    enum class State {
        Off,       // not started, or stopped
        Waiting,   // nothing takes a connection on olad's port
        Asking,    // connected; olad has not answered yet
        Silent,    // connected, but no answer for kAnswerPatience: not olad?
        Listening, // olad answered; levels() is what it holds
        Lost,      // olad went away; looking for it again
    };

    static constexpr std::chrono::milliseconds kAnswerPatience{2000};

    explicit UniverseTap(QObject *parent = nullptr);
    ~UniverseTap() override;

    // Both take effect at the next start().
    void setServerPort(quint16 port) { m_connection.setServerPort(port); }
    void setUniverse(unsigned int universe) { m_universe = universe; }
    quint16 serverPort() const { return m_connection.serverPort(); }
    unsigned int universe() const { return m_universe; }

    void start();
    void stop();
    State state() const { return m_state; }

    // The universe's levels from channel 1, as long as olad holds them;
    // nothing until olad has given any (a universe nobody sends to has
    // none), or while it is away.
    std::optional<QByteArray> levels() const { return m_levels; }
    // Frames olad passed on since start().
    int frames() const { return m_frames; }

signals:
    void stateChanged(UniverseTap::State state);
    // levels() changed, or came for the first time.
    void levelsArrived();

private:
    void onOpened();
    void onRegistered(const ola::client::Result &result);
    void onFetched(const ola::client::Result &result, const ola::client::DMXMetadata &metadata,
                   const ola::DmxBuffer &buffer);
    void onFrame(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer);
    void take(const ola::DmxBuffer &buffer);
    void setState(State state);

    OlaConnection m_connection;
    unsigned int m_universe = 1;
    State m_state = State::Off;
    QTimer m_patience;
    bool m_inCall = false; // inside a request: an answer now is the library's own
    std::optional<QByteArray> m_levels;
    int m_frames = 0;
};
