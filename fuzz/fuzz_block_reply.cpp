// The monitor's judgement of a block reply, on whatever the wire delivers.
// The first byte picks how many channels were asked for (1..256); the rest
// is what came back.
#include "protocol.h"
#include "fuzz_check.h"

using protocol::block::Outcome;

namespace {

bool startsWithHeader(const QByteArray &bytes)
{
    return bytes.size() >= 3 && bytes[0] == protocol::block::kHeader0
        && bytes[1] == protocol::block::kReplyMark && bytes[2] == protocol::block::kHeader2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int count = int(data[0]) + 1;
    const qsizetype frameLength = protocol::block::replyLength(count);
    const QByteArray wire(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    // Only the frame's own bytes, in a block of exactly their size: a look at
    // offset count+5 or beyond is a heap overflow that ASan reports.
    const ExactBytes frame(wire.left(frameLength));
    const protocol::block::Check check = protocol::block::checkReply(frame.view(), count);

    // Whatever follows the frame on the wire must not sway the verdict.
    const protocol::block::Check onWire = protocol::block::checkReply(wire, count);
    FUZZ_REQUIRE(onWire.outcome == check.outcome);
    FUZZ_REQUIRE(onWire.levels == check.levels);

    const bool whole = frame.size() == frameLength;
    if (check.outcome == Outcome::Success) {
        FUZZ_REQUIRE(whole);
        FUZZ_REQUIRE(check.levels.size() == count);
        FUZZ_REQUIRE(protocol::block::buildReply(check.levels) == frame.view());
    } else {
        FUZZ_REQUIRE(check.levels.isEmpty());
    }

    // The header is judged first, and a whole frame is never called cut short.
    FUZZ_REQUIRE((check.outcome == Outcome::HeaderError) == !startsWithHeader(frame.view()));
    if (whole)
        FUZZ_REQUIRE(check.outcome != Outcome::Truncated);

    // A frame the box could have sent is always taken.
    if (whole && protocol::block::buildReply(frame.view().mid(3, count)) == frame.view())
        FUZZ_REQUIRE(check.outcome == Outcome::Success);
    return 0;
}
