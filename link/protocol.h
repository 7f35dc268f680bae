#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

// What the monitor and the transceiver box say to each other, as plain
// functions on bytes. The monitor, the simulated box and the tests all build
// and judge the wire's bytes here, so none of them can drift from the others.
namespace protocol {

// How long the monitor waits for any answer, counted from its command.
constexpr std::chrono::milliseconds kResponseTimeout{500};

// Before a probe the line gets this many NULs, each in its own write:
// whatever the box was in the middle of, it drops and waits for a command.
constexpr int kFlushNulCount = 265;
constexpr char kFlushByte = '\0';

// "C?": is there a box? It answers "G".
QByteArray probeCommand();

// Whether the probe's answer is the box's "G". With more than one byte
// counted when the wait ended, only the last character read is judged.
bool probeAnswered(const QByteArray &text, int finalCount);

// The probe's wait ends at the first byte.
constexpr int kProbeThreshold = 0;

// The read command for a channel (1-512): "C", the channel minus one as
// three digits, "?". Channel 12 gives C011?, channel 512 C511?.
QByteArray readCommand(int channel);

// A read's wait ends once the whole four-character answer waits, or at the
// time-out; an answer cut short by the time-out is refused.
constexpr int kReadThreshold = 3;
constexpr int kReadAnswerLength = 4;

// The level an answer carries, judged on its first four characters: an "L"
// and a level field of digits 0-255 with blanks, tabs and line feeds
// skipped. Fewer than four characters is no answer. Anything else in the field (a sign, a point, a carriage
// return, a letter, a number above 255) is not an answer the operator may see.
std::optional<int> judgeReadAnswer(const QByteArray &text);

// The box's answer to a read: "L" and the level as three digits.
QByteArray readAnswer(int level, bool lowerCase = false);

// The framed block transfer: one request names a run of channels, one reply
// carries their levels with an additive checksum.
namespace block {

constexpr char kHeader0 = char(0xFF);
constexpr char kRequestMark = char(0x00);
constexpr char kReplyMark = char(0xFF);
constexpr char kHeader2 = char(0xC0);
constexpr char kEndByte = char(0xC1);
constexpr int kRequestLength = 7;
constexpr int kMaxChannels = 256;

// The 7-byte request for `count` channels from channel `first` (both counted
// from 1). Empty when first-1 or count-1 does not fit a byte.
std::optional<QByteArray> buildRequest(int first, int count);

// How many bytes the reply to a request for `count` channels has.
constexpr int replyLength(int count) { return count + 5; }

// The reply the box sends for these levels (one byte each, channel order).
QByteArray buildReply(const QByteArray &levels);

// Sum of the level bytes, modulo 256.
quint8 checksum(const QByteArray &levels);

enum class Outcome { Success, HeaderError, ChecksumError, NotAsExpected, Truncated };

struct Check {
    Outcome outcome = Outcome::HeaderError;
    QByteArray levels; // the `count` levels, on success only
};

// Judges the bytes read for a request of `count` channels: header, levels,
// checksum, end byte, in that order; never looks past offset count+4.
Check checkReply(const QByteArray &reply, int count);

} // namespace block

// What the box hears in the host's bytes.
struct Request {
    enum class Kind { Probe, Read, Block };
    Kind kind = Kind::Probe;
    int index = 0; // Read: the channel index on the wire (three digits, 0-999); Block: first-1
    int count = 0; // Block: the number of channels, 1-256
};

// Picks requests out of the host's bytes as the box does, in any
// fragmentation. Between requests only a NUL (counted, nothing more), a "C"
// or a block header wakes it; everything else is line noise and goes. A
// broken request is dropped, and the byte that broke it may start the next.
class RequestParser {
public:
    std::optional<Request> take(char byte);

    // Bytes of an unfinished request held back; never a whole request.
    int pendingBytes() const { return int(m_pending.size()); }
    qint64 nulsSeen() const { return m_nulsSeen; }
    // The sender went away: the request it had begun is never finished.
    void dropPending() { m_pending.clear(); }

private:
    std::optional<Request> begin(char byte);
    std::optional<Request> takeCommandByte(char byte);
    std::optional<Request> takeBlockByte(char byte);

    QByteArray m_pending; // the request being assembled, from its first byte
    qint64 m_nulsSeen = 0;
};

} // namespace protocol
