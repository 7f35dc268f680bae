#include "level_pattern.h"

namespace level_pattern {

namespace {
// A triangle over 512 phase steps: up 0..255, then back down.
constexpr int kPhaseSteps = 512;
constexpr int kChannelLag = 8; // phase steps between neighbouring channels
} // namespace

quint8 levelAt(int channel, std::chrono::milliseconds elapsed)
{
    const long long timePhase = elapsed.count() * kPhaseSteps / kPeriod.count();
    const int phase = int((timePhase + (long long)(channel - 1) * kChannelLag) % kPhaseSteps);
    return quint8(phase < 256 ? phase : kPhaseSteps - 1 - phase);
}

} // namespace level_pattern
