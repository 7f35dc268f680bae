#pragma once

#include "line_tally.h"

class Recording;

// A take's pictures `from` to `to` (indices, both included) added to
// `tally`, each at its moment in the take.
void addTake(LineTally &tally, const Recording &take, int from, int to);

// The tally of a whole take over channels first..last; the channels the
// take does not hold stay unanswered.
LineTally tallyTake(const Recording &take, int first, int last,
                    int spikeThreshold = LineTally::kDefaultSpikeThreshold);
