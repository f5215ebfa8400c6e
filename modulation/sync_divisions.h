// The tempo-sync divisions: how fast a synced LFO runs for each of the 23 note lengths, from
// eight bars to a thirty-second triplet.
#pragma once

namespace modulation {

constexpr int kSyncDivisionCount = 23;

// Synced rate in Hz = factor × tempo in beats per minute (factor = 1 ÷ (60 × quarter notes)).
extern const float kSyncDivisionFactors[kSyncDivisionCount];

}  // namespace modulation
