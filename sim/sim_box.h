#pragma once

#include "protocol.h"
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
    qint64 nulsSeen() const { return m_parser.nulsSeen(); }

    // Bytes of an unfinished request held back; never more than a block request.
    int pendingBytes() const { return m_parser.pendingBytes(); }
    // The host went away in the middle of a request: the next host's bytes
    // start a request of their own.
    void forgetRequest() { m_parser.dropPending(); }

private:
    QByteArray answer(const protocol::Request &request);
    QByteArray probeAnswer();
    QByteArray channelAnswer(int index);
    QByteArray blockAnswer(int firstIndex, int lastOffset);
    QByteArray finish(QByteArray answer) const;

    SimFaults m_faults;
    protocol::RequestParser m_parser;
    std::array<quint8, kChannels> m_levels{};
    bool m_animated = true;
    QElapsedTimer m_clock;
    int m_probes = 0;
    int m_reads = 0;
    int m_blockRequests = 0;
};
