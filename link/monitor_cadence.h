#pragma once

#include "session_clock.h"

#include <QObject>
#include <QVector>
#include <chrono>

// When monitoring passes are due: each pass one interval after the end of
// the last, and never a second pass while one waits its turn or runs.
class MonitorCadence : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kInterval{120};

    explicit MonitorCadence(SessionClock &clock, QObject *parent = nullptr);

    // The channels a pass reads, in slot order. A slot's channel is taken
    // as its command is built, so a move during a pass changes what the
    // slots not yet read will read.
    void setChannels(const QVector<int> &channels) { m_channels = channels; }
    void setChannel(int slot, int channel);
    int slotCount() const { return int(m_channels.size()); }
    int channel(int slot) const { return m_channels.value(slot); }

    // Counted from now when a pass is already due.
    void setInterval(std::chrono::milliseconds interval);
    void start(); // the first pass comes one interval later
    void stop();  // a pass already queued or running still ends
    void halt();  // stops for good, without a last pass
    bool active() const { return !m_stopping && (m_timer->isActive() || m_passPending); }
    bool passPending() const { return m_passPending; }

    // The pass that passDue() asked for has ended (or was dropped).
    void passEnded();

signals:
    void passDue();

private:
    void onTick();

    SessionTimer *m_timer;
    std::chrono::milliseconds m_interval = kInterval;
    QVector<int> m_channels;
    bool m_stopping = false;
    bool m_passPending = false;
};
