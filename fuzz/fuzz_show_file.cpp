// The show-file reader on arbitrary bytes: it ends, and what it takes is a
// take of one shape whose pictures come in time order.
#include "fuzz_check.h"
#include "recording.h"
#include "show_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ExactBytes text(data, size);
    Recording recording;
    show_format::Fault fault;
    if (!show_format::parse(text.view(), recording, fault)) {
        FUZZ_REQUIRE(fault.line >= 1 && !fault.text.isEmpty());
        // Never beyond the line after the last one the file has.
        FUZZ_REQUIRE(fault.line <= text.view().count('\n') + 2);
        return 0;
    }
    FUZZ_REQUIRE(text.view().startsWith(show_format::kHeader));
    FUZZ_REQUIRE(text.view().endsWith('\n'));
    FUZZ_REQUIRE(recording.pictures() >= 1);
    FUZZ_REQUIRE(recording.first() >= 1 && recording.last() >= recording.first());
    FUZZ_REQUIRE(recording.last() <= show_format::kMaxChannels);
    for (int i = 1; i < recording.pictures(); ++i)
        FUZZ_REQUIRE(recording.timeOf(i) >= recording.timeOf(i - 1));
    FUZZ_REQUIRE(recording.durationMs() >= recording.timeOf(recording.pictures() - 1));
    // A picture at any moment has the take's width.
    FUZZ_REQUIRE(recording.levelsAt(recording.durationMs() / 2).size() == recording.width());
    FUZZ_REQUIRE(recording.series(recording.first()).size() >= 1);

    // Written back as lines, it reads as the same take. One universe of
    // several may hold a picture longer than a delay line can say: it is
    // written again at the longest delay, as the recorder does.
    QByteArray again = QByteArray(show_format::kHeader) + '\n';
    int repeats = 0;
    for (int i = 0; i < recording.pictures(); ++i) {
        if (i > 0) {
            qint64 gap = recording.timeOf(i) - recording.timeOf(i - 1);
            for (; gap > show_format::kLongestDelay; gap -= show_format::kLongestDelay, ++repeats)
                again += show_format::delayLine(show_format::kLongestDelay)
                    + show_format::frameLine(recording.universe(), recording.first(), recording.levelsOf(i - 1));
            again += show_format::delayLine(gap);
        }
        again += show_format::frameLine(recording.universe(), recording.first(), recording.levelsOf(i));
    }
    Recording back;
    FUZZ_REQUIRE(show_format::parse(again, back, fault));
    FUZZ_REQUIRE(back.pictures() == recording.pictures() + repeats);
    FUZZ_REQUIRE(back.levelsOf(back.pictures() - 1) == recording.levelsOf(recording.pictures() - 1));
    return 0;
}
