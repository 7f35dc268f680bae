#pragma once

#include "ola_connection.h"
#include "source_watch.h"
#include "universe_info.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

namespace ola {
class DmxBuffer;
namespace client {
class Result;
class OlaUniverse;
struct DMXMetadata;
}
}

// Sends channel levels into one universe of olad on this machine, and says
// what olad does with them: whether the universe is there with an output
// port (looked up on connecting and every few seconds after), and whether
// another source feeds it too. It never creates, renames or patches
// anything in olad: the levels go on being sent to an unpatched universe,
// and reach it the moment someone patches it.
class OlaFeed : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,       // not started, or stopped
        Waiting,   // nothing takes a connection on olad's port
        Asking,    // connected; olad has not answered yet
        Silent,    // connected, but no answer for kAnswerPatience: not olad?
        Unpatched, // olad answered: the universe is missing or has no output port
        Connected, // the universe is patched; nothing sent to it since
        Feeding,   // the last levels went to the patched universe
        Lost,      // olad went away; looking for it again
    };

    static constexpr quint16 kDefaultServerPort = OlaConnection::kDefaultServerPort;
    static constexpr int kUniverseSize = 512;
    // olad's range of source priorities, and its default.
    static constexpr int kHighestPriority = 200;
    static constexpr int kDefaultPriority = 100;
    // How long the feed may stay quiet before it sends the last levels again:
    // olad drops a source that stops sending, and a send finds a lost olad.
    static constexpr std::chrono::milliseconds kResendInterval{1000};
    static constexpr std::chrono::milliseconds kLookInterval{2000};
    static constexpr std::chrono::milliseconds kAnswerPatience{2000};

    explicit OlaFeed(QObject *parent = nullptr);
    ~OlaFeed() override;

    // Both take effect at the next start().
    void setServerPort(quint16 port) { m_connection.setServerPort(port); }
    void setUniverse(unsigned int universe) { m_universe = universe; }
    quint16 serverPort() const { return m_connection.serverPort(); }
    unsigned int universe() const { return m_universe; }
    // 0-200, at once.
    void setPriority(int priority);
    int priority() const { return m_priority; }

    void start();
    void stop();
    State state() const { return m_state; }
    bool started() const { return m_state != State::Off; }

    // Channels first, first+1, ... of the universe take `levels`; the
    // channels below `first` go as zero, none goes above the last level.
    // Levels sent while olad is away go to it once it is found.
    void send(int first, const QByteArray &levels);

    // Levels that went to olad, since start().
    int framesSent() const { return m_framesSent; }
    // What olad said of the universe last.
    const UniverseInfo &universeInfo() const { return m_info; }
    SourceWatch::Other otherSource() const { return m_watch.other(); }
    int otherPriority() const { return m_watch.otherPriority(); }

signals:
    void stateChanged(OlaFeed::State state);
    // The universe's name, merge mode or ports changed while patched.
    void universeChanged();
    void otherSourceChanged();

private:
    void onOpened();
    void onLost();
    void lookUp();
    void onUniverseInfo(const ola::client::Result &result, const ola::client::OlaUniverse &universe);
    void onEcho(const ola::client::DMXMetadata &metadata, const ola::DmxBuffer &buffer);
    void sendFrame();
    void onTick();
    void setState(State state);

    OlaConnection m_connection;
    unsigned int m_universe = 1;
    int m_priority = kDefaultPriority;
    State m_state = State::Off;
    QByteArray m_frame; // channels 1..last, as olad is to have them
    QTimer m_tick;
    QTimer m_patience;
    QElapsedTimer m_sinceSend;
    QElapsedTimer m_sinceLook;
    bool m_asking = false;     // a look-up waits for olad's answer
    bool m_inCall = false;     // inside a request: an answer now is the library's own
    bool m_listening = false;  // registered for the universe's echo
    UniverseInfo m_info;
    SourceWatch m_watch;
    int m_framesSent = 0;
};
