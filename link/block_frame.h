#pragma once

#include <QByteArray>
#include <optional>

// The framed block transfer: one request names a run of channels, one reply
// carries their levels with an additive checksum. Shared by the monitor and
// the simulated box so the two cannot drift apart.
namespace block_frame {

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

} // namespace block_frame
