#pragma once

#include "answer_queue.h"
#include "serial_port.h"
#include "sim_box.h"

#include <QHash>
#include <QStringList>
#include <chrono>

// A serial port wired straight to a simulated box inside the process, so
// tests can drive the monitor's exchanges fast and watch every operation.
class SimPort : public SerialPort {
    Q_OBJECT
public:
    static constexpr int kMaxCount = 32767;

    // The box answers after its delays on `clock`.
    explicit SimPort(SessionClock &clock = SessionClock::steady(), QObject *parent = nullptr);

    bool open(const QString &device, const LineSettings &settings) override;
    bool isOpen() const override;
    bool close() override;
    QString deviceName() const override { return m_deviceName; }
    bool write(const QByteArray &bytes) override;
    int bytesWaiting() const override;
    bool discardWaiting() override;
    QByteArray read(int maxLength = 0) override;

    SimBox &box() { return m_box; }

    // What the tests' sessions open for Port n.
    static QString portName(int port) { return QStringLiteral("sim:port%1").arg(port); }

    // What the host last asked for, kept whether the port was open or not.
    const LineSettings &lineSettings() const { return m_settings; }
    int lastReadLength() const { return m_lastReadLength; }

    void setOpenFails(bool fails) { m_openFails = fails; }
    // The cable comes out: the port fails under the host and whatever was on
    // the wire is lost. After plugIn() the host has to open the port again.
    void unplug();
    void plugIn() { m_unplugged = false; }
    bool unplugged() const { return m_unplugged; }

    // Bytes from the box whatever the host said: after `delay`, whole, or a
    // byte at a time `byteGap` apart.
    void injectFromBox(const QByteArray &bytes, std::chrono::milliseconds delay = std::chrono::milliseconds{0},
                       std::chrono::milliseconds byteGap = std::chrono::milliseconds{0});
    // From now on the host's `command` gets `reply` instead of the box's
    // answer: after `delay`, whole, or a byte at a time `byteGap` apart.
    void script(const QByteArray &command, const QByteArray &reply, std::chrono::milliseconds delay,
                std::chrono::milliseconds byteGap = std::chrono::milliseconds{0});
    // Bytes that came in while the host was busy elsewhere: they are waiting
    // at once, without a turn of the event loop.
    void landNow(const QByteArray &bytes) { arrive(bytes); }
    // The next bytesWaiting() counts what is there, then these bytes land.
    void arriveAfterNextCount(const QByteArray &bytes) { m_afterNextCount = bytes; }

    // One entry per host operation except the polled isOpen/bytesWaiting,
    // e.g. "open sim:port1", "write 43 3f", "read 47", "read", "open failed".
    QStringList log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    QByteArray written() const { return m_written; }

signals:
    void wrote(const QByteArray &bytes);

private:
    void arrive(const QByteArray &bytes);
    void putOnWire(const QByteArray &bytes, std::chrono::milliseconds delay, std::chrono::milliseconds byteGap);
    void record(const QString &entry) { m_log.append(entry); }
    void dropLine();

    struct Scripted {
        QByteArray reply;
        std::chrono::milliseconds delay{0};
        std::chrono::milliseconds byteGap{0};
    };

    SimBox m_box;
    AnswerQueue m_wire;
    QHash<QByteArray, Scripted> m_scripts;
    bool m_open = false;
    bool m_unplugged = false;
    bool m_openFails = false;
    QString m_deviceName;
    LineSettings m_settings;
    int m_lastReadLength = 0;
    mutable QByteArray m_received; // bytesWaiting() may see a late byte land
    mutable QByteArray m_afterNextCount;
    QStringList m_log;
    QByteArray m_written;
};
