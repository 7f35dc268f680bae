#pragma once

#include "block_reply.h"
#include "device_search.h"
#include "exchange.h"
#include "level_fetch.h"
#include "monitor_cadence.h"
#include "protocol.h"
#include "serial_port.h"
#include "session_clock.h"
#include "session_jobs.h"
#include "status.h"

#include <QObject>
#include <QVector>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// The monitor's conversation with the box. It owns the port and serves the
// requests made of it one exchange at a time, in the order asked, reporting
// each by a signal; none is dropped or merged, except that monitoring never
// has two passes queued or running. The exchange itself, the monitoring
// cadence and the search for a lost device are its parts.
class BoxSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kResponseTimeout = protocol::kResponseTimeout;
    static constexpr std::chrono::milliseconds kMonitorInterval = MonitorCadence::kInterval;
    static constexpr std::chrono::milliseconds kSearchInterval = DeviceSearch::kInterval;

    // Which device the operator's Port n opens.
    using PortResolver = std::function<QString(int port)>;

    // Its time-outs, quiet lines, passes and searches run on `clock`.
    explicit BoxSession(std::unique_ptr<SerialPort> port, SessionClock &clock = SessionClock::steady(),
                        QObject *parent = nullptr);
    ~BoxSession() override;

    SessionClock &clock() const { return m_clock; }

    void setPortResolver(PortResolver resolve) { m_resolvePort = std::move(resolve); }

    // Closes the port, opens port `port` (1-4) with the box's line settings,
    // flushes the line and probes the box. Reports by probed(). A `device`
    // is opened in place of Port n's own. Withdraws a reopen of a lost
    // device still waiting: the operator's choice stands.
    void choosePort(int port, const QString &device = QString());

    // Reads `channel` (1-512) for `reader`, after emptying the receive
    // buffer. Reports by levelRead().
    void readChannel(int reader, int channel);

    // Fetches channels first..last as one block. The caller has already
    // refused a range that does not rise. Reports by listed().
    void listRange(int first, int last);

    // Fetches channels first..last as one block for a live view; unlike a
    // listing it reports every fault by kind and leaves the operator's
    // status alone. Reports by levelsFetched(). Dropped from the queue,
    // when not yet sent, by cancelFetches(), which says how many it dropped.
    // A `patience` above zero waits that long for the answer instead of the
    // usual time-out: for channels a box may not serve at all.
    void fetchLevels(int first, int last, std::chrono::milliseconds patience = std::chrono::milliseconds{0});
    // Reads one channel (1-512) for a live view with the read command;
    // reported by levelsFetched() as a block of one, withdrawn with them.
    void fetchRead(int channel, std::chrono::milliseconds patience = std::chrono::milliseconds{0});
    int cancelFetches();

    // Monitoring reads the monitored channels in slot order, pass after
    // pass, each pass one interval after the end of the last.
    void setMonitoredChannels(const QVector<int> &channels) { m_cadence.setChannels(channels); }
    void setMonitoredChannel(int slot, int channel) { m_cadence.setChannel(slot, channel); }
    void setMonitorInterval(std::chrono::milliseconds interval) { m_cadence.setInterval(interval); }
    void startMonitoring();
    void stopMonitoring() { m_cadence.stop(); }
    bool monitoring() const { return m_cadence.active(); }

    // While a port that was lost stays gone, the session looks for its
    // device every kSearchInterval, and reopens and probes it once back:
    // only a device opened by a name that stays with it (a link such as
    // /dev/serial/by-id/…, or a kernel name whose by-id name is known), so
    // that another device that takes a freed name is never written to.
    bool searching() const { return m_search.active(); }
    // From the loss until a port choice, or until the lost device is back
    // and its box answered the probe. Meanwhile reads, passes and blocks
    // fail at once, without a wait on the wire.
    bool portIsLost() const { return m_portLost; }
    // The port was opened by the caller as Port n's device; the session
    // treats it as its own port choice's, without a probe.
    void adoptOpenPort(int port);
    DeviceSearch &deviceSearch() { return m_search; }

    // How many exchanges ended by the time-out rather than by an answer.
    int timeOuts() const { return m_timeOuts; }

    // Drops every waiting request and the exchange in flight, stops the
    // timers and closes the port: nothing more goes to the wire.
    void shutDown();

    SerialPort &port() { return *m_port; }
    bool idle() const { return !m_current && m_waiting.empty(); }
    int requestsWaiting() const { return int(m_waiting.size()); }

signals:
    // A port choice's outcomes, as they happen: a failed close, then the
    // probe's own outcome (or a failed open).
    void probed(int port, Status status);
    // An operator's read; no level when the box gave no acceptable answer.
    void levelRead(int reader, int channel, std::optional<int> level);
    // One read of a monitoring pass, and the end of the pass.
    void monitoredLevelRead(int slot, int channel, std::optional<int> level);
    void passEnded();
    void listed(const BlockReply &reply);
    // The open port's device went away; the port is closed and the session
    // looks for the device until it is back or another port is chosen.
    void portLost(int port);
    void levelsFetched(const LevelFetch &fetch);

private:
    void enqueue(SessionJob job);
    // Drops the waiting requests `which` picks; the one in flight stays.
    int withdraw(const std::function<bool(const SessionJob &job)> &which);
    void startNext();
    void finish();

    void begin(job::PortChoice &choice);
    void begin(job::Read &read);
    void begin(job::Listing &listing);
    void begin(job::Fetch &fetch);
    void begin(job::Pass &pass);
    void begin(job::FetchRead &read);
    void beginBlock(int first, int last, std::chrono::milliseconds patience = std::chrono::milliseconds{0});
    void continuePass(job::Pass &pass);
    void sendRead(int channel);

    void onAnswer(const Exchange::Answer &answer);
    void answer(const job::PortChoice &choice, const Exchange::Answer &answer);
    void answer(const job::Read &read, const Exchange::Answer &answer);
    void answer(const job::Listing &listing, const Exchange::Answer &answer);
    void answer(const job::Fetch &fetch, const Exchange::Answer &answer);
    void answer(job::Pass &pass, const Exchange::Answer &answer);
    void answer(const job::FetchRead &read, const Exchange::Answer &answer);
    void answerBlock(int first, int last, const Exchange::Answer &answer);
    void reportBlock(const BlockReply &reply);

    void onPortLost();
    void rememberOpenDevice(const QString &device);
    void onDeviceFound(const QString &device);

    std::unique_ptr<SerialPort> m_port;
    SessionClock &m_clock;
    PortResolver m_resolvePort;
    Exchange m_exchange;
    MonitorCadence m_cadence;
    DeviceSearch m_search;
    std::deque<SessionJob> m_waiting;
    std::optional<SessionJob> m_current;
    bool m_starting = false;
    bool m_shutDown = false;

    // Reads take at most this many bytes: all of them after a port choice,
    // a block's length after a block, until the next port choice.
    int m_readLength = 0;
    int m_openPort = 0;
    int m_timeOuts = 0;
    bool m_portLost = false;
};
