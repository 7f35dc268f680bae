// The monitor's judgement of a block reply, on whatever the wire delivers.
// The first byte picks how many channels were asked for (1..256); the rest
// is what came back.
#include "block_frame.h"
#include "fuzz_check.h"

using block_frame::Outcome;

namespace {

bool startsWithHeader(const QByteArray &bytes)
{
    return bytes.size() >= 3 && bytes[0] == block_frame::kHeader0
        && bytes[1] == block_frame::kReplyMark && bytes[2] == block_frame::kHeader2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int count = int(data[0]) + 1;
    const qsizetype frameLength = block_frame::replyLength(count);
    const QByteArray wire(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    // Only the frame's own bytes, in a block of exactly their size: a look at
    // offset count+5 or beyond is a heap overflow that ASan reports.
    const ExactBytes frame(wire.left(frameLength));
    const block_frame::Check check = block_frame::checkReply(frame.view(), count);

    // Whatever follows the frame on the wire must not sway the verdict.
    const block_frame::Check onWire = block_frame::checkReply(wire, count);
    FUZZ_REQUIRE(onWire.outcome == check.outcome);
    FUZZ_REQUIRE(onWire.levels == check.levels);

    const bool whole = frame.size() == frameLength;
    if (check.outcome == Outcome::Success) {
        FUZZ_REQUIRE(whole);
        FUZZ_REQUIRE(check.levels.size() == count);
        FUZZ_REQUIRE(block_frame::buildReply(check.levels) == frame.view());
    } else {
        FUZZ_REQUIRE(check.levels.isEmpty());
    }

    // The header is judged first, and a whole frame is never called cut short.
    FUZZ_REQUIRE((check.outcome == Outcome::HeaderError) == !startsWithHeader(frame.view()));
    if (whole)
        FUZZ_REQUIRE(check.outcome != Outcome::Truncated);

    // A frame the box could have sent is always taken.
    if (whole && block_frame::buildReply(frame.view().mid(3, count)) == frame.view())
        FUZZ_REQUIRE(check.outcome == Outcome::Success);
    return 0;
}
