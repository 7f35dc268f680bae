// The simulated box's request parser, fed the same bytes whole, in the
// fragments the input asks for, and one at a time. The input is laid out so
// that seeds can be written by hand:
//   byte 0     fault switches: bit 0 lower case, 1 wrong checksum, 2 wrong end
//              byte, 3 truncated blocks, 4 one silent channel, 5 an extra byte
//              after every answer, 6 a silent box
//   byte 1     what block replies are truncated to (bit 3)
//   bytes 2-3  the silent channel, big endian, modulo 512 plus one (bit 4)
//   byte 4     the extra byte (bit 5)
//   byte 5     how many fragment lengths follow, modulo 16
//   then       the fragment lengths, one byte each, taken in turn and again
//   the rest   the host's bytes
#include "protocol.h"
#include "fuzz_check.h"
#include "sim_box.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeaderLength = 6;

// A whole request is answered on its last byte, so anything held back is
// shorter than the longest request.
void requireBoundedPending(const SimBox &box)
{
    FUZZ_REQUIRE(box.pendingBytes() >= 0);
    FUZZ_REQUIRE(box.pendingBytes() < protocol::block::kRequestLength);
}

SimFaults faultsFrom(const std::uint8_t *header)
{
    SimFaults faults;
    const std::uint8_t switches = header[0];
    faults.lowerCase = switches & 0x01;
    faults.wrongChecksum = switches & 0x02;
    faults.wrongEndByte = switches & 0x04;
    if (switches & 0x08)
        faults.truncateBlockTo = header[1];
    if (switches & 0x10)
        faults.silentChannels.insert(((header[2] << 8) | header[3]) % SimBox::kChannels + 1);
    if (switches & 0x20)
        faults.extraAfterAnswer = QByteArray(1, char(header[4]));
    faults.silent = switches & 0x40;
    return faults;
}

// Lengths of zero feed an empty piece, the way an empty read would; when a
// whole round of them makes no progress the rest goes in one piece.
QByteArray feedInPieces(SimBox &box, const QByteArray &stream, const QByteArray &lengths)
{
    QByteArray answers;
    qsizetype at = 0;
    bool progressed = true;
    while (at < stream.size() && progressed) {
        progressed = false;
        for (char length : lengths) {
            const qsizetype piece = std::min<qsizetype>(quint8(length), stream.size() - at);
            answers += box.feed(stream.mid(at, piece));
            requireBoundedPending(box);
            at += piece;
            progressed = progressed || piece > 0;
        }
    }
    answers += box.feed(stream.mid(at));
    requireBoundedPending(box);
    return answers;
}

QByteArray feedByteByByte(SimBox &box, const QByteArray &stream)
{
    QByteArray answers;
    for (char byte : stream) {
        answers += box.feed(QByteArray(1, byte));
        requireBoundedPending(box);
    }
    return answers;
}

void requireSameState(const SimBox &a, const SimBox &b)
{
    FUZZ_REQUIRE(a.probes() == b.probes());
    FUZZ_REQUIRE(a.reads() == b.reads());
    FUZZ_REQUIRE(a.blockRequests() == b.blockRequests());
    FUZZ_REQUIRE(a.nulsSeen() == b.nulsSeen());
    FUZZ_REQUIRE(a.pendingBytes() == b.pendingBytes());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::uint8_t header[kHeaderLength] = {};
    std::copy(data, data + std::min(size, kHeaderLength), header);
    std::size_t at = std::min(size, kHeaderLength);
    const std::size_t lengthCount = std::min<std::size_t>(header[5] % 16, size - at);
    const QByteArray lengths(reinterpret_cast<const char *>(data + at), qsizetype(lengthCount));
    at += lengthCount;
    const QByteArray stream(reinterpret_cast<const char *>(data + at), qsizetype(size - at));

    // Not animated: the levels, and so the answers, do not depend on the clock.
    const SimFaults faults = faultsFrom(header);
    SimBox whole(false), pieces(false), bytes(false);
    whole.faults() = faults;
    pieces.faults() = faults;
    bytes.faults() = faults;

    const QByteArray answers = whole.feed(stream);
    requireBoundedPending(whole);
    FUZZ_REQUIRE(feedInPieces(pieces, stream, lengths) == answers);
    FUZZ_REQUIRE(feedByteByByte(bytes, stream) == answers);
    requireSameState(whole, pieces);
    requireSameState(whole, bytes);

    if (faults.silent)
        FUZZ_REQUIRE(answers.isEmpty());
    return 0;
}
