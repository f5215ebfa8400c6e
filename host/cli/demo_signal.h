// A demo phrase synthesised from nothing but arithmetic, so the project needs no recording:
// plucked-string notes, a strummed chord and short noise bursts with pauses between them in
// which delays and grains can be heard.
#pragma once

#include <vector>

namespace qvcli {

// Mono samples in -1..1 (peak about -3 dBFS), `seconds` long at `sampleRate`. Deterministic.
std::vector<float> DemoPhrase(double seconds, int sampleRate);

}  // namespace qvcli
