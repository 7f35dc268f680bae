#pragma once

#include "sim_faults.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <array>

// The transceiver box as the wire sees it: takes the host's bytes as they
// come and produces the box's answers, misbehaving as its faults say.
class SimBox {
public:
    static constexpr int kChannels = 512;

    // A box that is not animated holds the chase's opening pattern.
    explicit SimBox(bool animated = true);

    // Takes bytes from the host in any fragmentation; returns the answers
    // they complete, in order (often none).
    QByteArray feed(const QByteArray &fromHost);

    quint8 level(int channel) const;           // channel 1..512; 0 outside
    void setLevel(int channel, quint8 level);  // freezes the animation first
    void setAnimated(bool animated);           // freezing keeps the levels of the moment
    bool animated() const { return m_animated; }

    SimFaults &faults() { return m_faults; }
    const SimFaults &faults() const { return m_faults; }

    // Requests recognised so far, answered or not.
    int probes() const { return m_probes; }
    int reads() const { return m_reads; }
    int blockRequests() const { return m_blockRequests; }
    qint64 nulsSeen() const { return m_nulsSeen; }

    // Bytes of an unfinished request held back; never more than a block request.
    int pendingBytes() const { return int(m_pending.size()); }

private:
    void take(char byte, QByteArray &answers);
    void begin(char byte);
    void takeCommandByte(char byte, QByteArray &answers);
    void takeBlockByte(char byte, QByteArray &answers);
    QByteArray probeAnswer();
    QByteArray channelAnswer(int index);
    QByteArray blockAnswer(int firstIndex, int lastOffset);
    QByteArray finish(QByteArray answer) const;

    SimFaults m_faults;
    QByteArray m_pending; // the request being assembled, from its first byte
    std::array<quint8, kChannels> m_levels{};
    bool m_animated = true;
    QElapsedTimer m_clock;
    int m_probes = 0;
    int m_reads = 0;
    int m_blockRequests = 0;
    qint64 m_nulsSeen = 0;
};
