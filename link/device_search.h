#pragma once

#include "session_clock.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

// Looks, while a lost port's device stays gone, for that device to come
// back: under the name it was opened by, or under its stable by-id name.
class DeviceSearch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kInterval{1000};

    explicit DeviceSearch(SessionClock &clock, QObject *parent = nullptr);

    // How a device's presence is told; tests put their own box there.
    void setPresenceTest(std::function<bool(const QString &device)> present) { m_present = std::move(present); }

    // The name to look for; empty when the device has none that stays
    // with it, and then nothing is looked for.
    void remember(const QString &name) { m_name = name; }
    void start()
    {
        if (!m_name.isEmpty())
            m_timer->start(kInterval);
    }
    void stop() { m_timer->stop(); }
    bool active() const { return m_timer->isActive(); }

signals:
    // The device is there again; the search has stopped.
    void found(const QString &device);

private:
    void look();

    std::function<bool(const QString &device)> m_present;
    SessionTimer *m_timer;
    QString m_name;
};
