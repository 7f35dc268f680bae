// The expected-levels file a check reads, on whatever a file may hold: it
// comes from a sheet, a script or a stranger.
#include "expected_levels.h"
#include "fuzz_check.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ExactBytes text(data, size);
    ExpectedLevelsFault fault;
    const std::optional<ExpectedLevels> expected = parseExpectedLevels(text.view(), fault);

    if (!expected) {
        // A fault names a line of the file (or none) and reaches the
        // operator's terminal as printable text only.
        FUZZ_REQUIRE(!fault.text.isEmpty());
        FUZZ_REQUIRE(fault.line >= 0 && fault.line <= text.view().count('\n') + 1);
        for (const QChar c : fault.text)
            FUZZ_REQUIRE(c.unicode() >= 0x20 && c.unicode() < 0x7F);
        return 0;
    }

    FUZZ_REQUIRE(!expected->levels.isEmpty());
    FUZZ_REQUIRE(expected->levels.size() <= ExpectedLevels::kLineChannels);
    QSet<int> channels;
    QByteArray written("channel,level\n");
    for (const ExpectedLevel &level : expected->levels) {
        FUZZ_REQUIRE(level.channel >= 1 && level.channel <= ExpectedLevels::kLineChannels);
        FUZZ_REQUIRE(!channels.contains(level.channel));
        channels.insert(level.channel);
        if (level.level)
            FUZZ_REQUIRE(*level.level >= 0 && *level.level <= 255);
        written += QByteArray::number(level.channel) + ',' + (level.level ? QByteArray::number(*level.level) : "")
            + '\n';
    }

    // Written back as a snapshot writes it, the file reads the same.
    ExpectedLevelsFault again;
    const std::optional<ExpectedLevels> reread = parseExpectedLevels(written, again);
    FUZZ_REQUIRE(reread);
    FUZZ_REQUIRE(reread->levels.size() == expected->levels.size());
    for (int i = 0; i < reread->levels.size(); ++i) {
        FUZZ_REQUIRE(reread->levels[i].channel == expected->levels[i].channel);
        FUZZ_REQUIRE(reread->levels[i].level == expected->levels[i].level);
    }
    return 0;
}
