#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>
#include <optional>

// A serial line's pace: each byte takes ten bit times (start, 8 data, stop),
// one after the other, in each direction. The box hears a request only once
// its last byte is in, and its answer leaves a byte at a time.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(int baud);

    Clock::duration byteTime() const { return m_byteTime; }

    // `count` bytes from the host, put on the line from `now` on (or after
    // those before them): when the last of them is in.
    Clock::time_point heard(int count, Clock::time_point now);

    // Bytes for the host, to go on the line from `earliest` on, behind
    // whatever is still going.
    void send(const QByteArray &bytes, Clock::time_point earliest);
    // The bytes wholly sent by `now`, in order.
    QByteArray takeSent(Clock::time_point now);
    // When the next byte will be wholly sent; nothing when none is waiting.
    std::optional<Clock::time_point> nextDue() const;
    qsizetype waiting() const { return m_waiting; }
    // Drops every byte not yet sent, and the line is free at once.
    void clear();

private:
    struct Run {
        Clock::time_point start;
        QByteArray bytes;
        qsizetype taken = 0;
    };

    Clock::duration m_byteTime;
    Clock::time_point m_inFree{};  // the host's line is busy until then
    Clock::time_point m_outFree{}; // the box's line is busy until then
    std::deque<Run> m_runs;
    qsizetype m_waiting = 0;
};
