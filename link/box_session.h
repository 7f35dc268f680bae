#pragma once

#include "level_fetch.h"
#include "listing.h"
#include "protocol.h"
#include "serial_port.h"
#include "status.h"

#include <QObject>
#include <QTimer>
#include <QVector>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>

// The monitor's conversation with the box. It owns the port, the response
// time-out, the queue of requests and the monitoring cadence, and runs one
// exchange at a time: send, wait for enough bytes or the time-out (driven by
// the port's arrival signal and a single-shot timer, never by a nested event
// loop), read, judge, report by a signal. Requests made meanwhile wait in
// order; none is dropped or merged, except that monitoring never has two
// passes queued or running.
class BoxSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kResponseTimeout = protocol::kResponseTimeout;
    static constexpr std::chrono::milliseconds kMonitorInterval{120};

    explicit BoxSession(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~BoxSession() override;

    // Closes the port, opens port `port` (1-4) with the box's line settings,
    // flushes the line and probes the box. Reports by probed(). A `device`
    // is opened in place of Port n's own.
    void choosePort(int port, const QString &device = QString());

    // Reads `channel` (1-256) for `reader`, after emptying the receive
    // buffer. Reports by levelRead().
    void readChannel(int reader, int channel);

    // Fetches channels first..last as one block. The caller has already
    // refused a range that does not rise. Reports by listed().
    void listRange(int first, int last);

    // Fetches channels first..last as one block for a live view; unlike a
    // listing it reports every fault by kind and leaves the operator's
    // status alone. Reports by levelsFetched(). Dropped from the queue,
    // when not yet sent, by cancelFetches(), which says how many it dropped.
    void fetchLevels(int first, int last);
    int cancelFetches();

    // Monitoring reads the monitored channels in slot order, pass after
    // pass, each pass one interval after the end of the last.
    void setMonitoredChannels(const QVector<int> &channels);
    void setMonitoredChannel(int slot, int channel);
    void setMonitorInterval(std::chrono::milliseconds interval);
    void startMonitoring(); // the first pass comes one interval later
    void stopMonitoring();  // a pass already queued or running still ends
    bool monitoring() const { return !m_stopMonitoring && (m_monitorTimer.isActive() || m_passPending); }

    // While a port that was lost stays gone, the session looks for its
    // device this often, and reopens and probes it once it is back.
    static constexpr std::chrono::milliseconds kSearchInterval{1000};
    bool searching() const { return m_search.isActive(); }

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
    void listed(const Listing &listing);
    // The open port's device went away; the port is closed and the session
    // looks for the device until it is back or another port is chosen.
    void portLost(int port);
    void levelsFetched(const LevelFetch &fetch);

private:
    struct Job {
        enum class Kind { PortChoice, Read, Listing, Pass, Fetch };
        Kind kind = Kind::Read;
        int port = 0;    // PortChoice
        QString device;  // PortChoice: in place of Port n's own
        bool automatic = false; // PortChoice: the lost device found again
        int reader = 0;  // Read
        int channel = 0; // Read, and the channel of the pass's slot in flight
        int first = 0;   // Listing, Fetch
        int last = 0;    // Listing, Fetch
        int slot = 0;    // Pass: the slot in flight
    };

    struct Answer {
        QByteArray text;
        int finalCount = 0;      // the waiting count when the wait ended
        bool portFailed = false; // the port failed, or closed under the wait
    };

    void enqueue(const Job &job);
    void enqueueBlock(Job::Kind kind, int first, int last);
    // Drops the waiting requests `which` picks; the one in flight stays.
    int withdraw(bool (*which)(const Job &job));
    void startNext();
    void begin();
    void finish();

    void beginPortChoice();
    void beginBlock();
    void continuePass();

    // Sends `command` and waits for more than `threshold` bytes or the
    // time-out. With `stopOnPortFailure`, a failing discard or write gives
    // up at once and returns false.
    bool send(const QByteArray &command, bool discardFirst, int threshold, int readLength = -1,
              bool stopOnPortFailure = false);
    void onBytesArrived();
    void onTimeout();
    void endWait(int finalCount);
    void answered(const Answer &answer);
    void onMonitorTick();
    void onPortLost();
    void onSearchTick();

    std::unique_ptr<SerialPort> m_port;
    QTimer m_timeout;
    QTimer m_monitorTimer;
    std::deque<Job> m_waiting;
    std::optional<Job> m_current;
    bool m_starting = false;

    // The exchange in flight.
    bool m_awaiting = false;
    int m_threshold = 0;
    int m_readLength = -1;
    bool m_portTrouble = false;

    // The device the last port choice opened, to be found again if lost.
    int m_openPort = 0;
    QString m_openDevice;
    QString m_openStableName; // its /dev/serial/by-id name, if it has one
    QTimer m_search;

    QVector<int> m_monitoredChannels;
    bool m_stopMonitoring = false;
    bool m_passPending = false; // a pass is queued or running
    bool m_shutDown = false;
};
