#include "take_tally.h"

#include "recording.h"

#include <algorithm>

void addTake(LineTally &tally, const Recording &take, int from, int to)
{
    to = std::min(to, take.pictures() - 1);
    for (int picture = std::max(from, 0); picture <= to; ++picture)
        tally.add(take.timeOf(picture), take.first(), take.levelsOf(picture));
}

LineTally tallyTake(const Recording &take, int first, int last, int spikeThreshold)
{
    LineTally tally(first, last, spikeThreshold);
    addTake(tally, take, 0, take.pictures() - 1);
    return tally;
}
