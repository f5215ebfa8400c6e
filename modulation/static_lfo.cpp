// "Const": the output is the skew, whatever the rate.
#include "modulation/static_lfo.h"

namespace modulation {

void StaticLfo::SetSkew(int lane, float skew) {
  skewPhase_[lane] = static_cast<float>(skew * kTwoPiSetting);
  output_[lane] = skew;
}

void StaticLfo::Recompute(int lane) {
  ComputeIncrement(lane);
  output_[lane] = static_cast<float>(skewPhase_[lane] * kInverseTwoPi);
}

void StaticLfo::RenderCycle(int lane, float* buffer, int count) const {
  for (int i = 0; i < count; ++i) buffer[i] = output_[lane];
}

}  // namespace modulation
