// The judgement of a channel-read answer, on arbitrary bytes.
#include "protocol.h"
#include "fuzz_check.h"

namespace {

constexpr int kAnswerLength = 4;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ExactBytes text(data, size);
    const std::optional<int> level = protocol::judgeReadAnswer(text.view());

    if (level) {
        FUZZ_REQUIRE(*level >= 0 && *level <= 255);
        FUZZ_REQUIRE(size > 0 && data[0] == 'L');
    }

    // Fewer than four characters is never a level; beyond four nothing counts.
    if (size < std::size_t(kAnswerLength))
        FUZZ_REQUIRE(!level);
    const QByteArray head = text.view().left(kAnswerLength).leftJustified(kAnswerLength, ' ');
    if (size >= std::size_t(kAnswerLength))
        FUZZ_REQUIRE(protocol::judgeReadAnswer(ExactBytes(head).view()) == level);

    // Anything but digits and skipped blanks in the level field is refused.
    for (int i = 1; i < kAnswerLength; ++i) {
        if (!isDigit(head[i]) && !isSkipped(head[i]))
            FUZZ_REQUIRE(!level);
    }

    // "L" and three digits is the box's own form: taken exactly when in range.
    if (head[0] == 'L' && isDigit(head[1]) && isDigit(head[2]) && isDigit(head[3])) {
        const int value = head.mid(1).toInt();
        FUZZ_REQUIRE(level == (value <= 255 ? std::optional<int>(value) : std::nullopt));
    }
    return 0;
}
