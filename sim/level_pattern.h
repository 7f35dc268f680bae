#pragma once

#include <QtGlobal>
#include <chrono>

// The slow chase the box plays across its channels when nobody pins the
// levels, so an operator sees a handful of channels move within a second.
namespace level_pattern {

constexpr int kChannels = 512;

// Full ramp up and down takes this long; neighbouring channels lag by a step.
constexpr std::chrono::milliseconds kPeriod{4000};

// The level of `channel` (1..512) at `elapsed` since the box woke up.
quint8 levelAt(int channel, std::chrono::milliseconds elapsed);

} // namespace level_pattern
