// "SampleHold": a random step per cycle with a linear glide into each new value; the skew is the
// glide fraction of the cycle.
#pragma once

#include "modulation/random_lfos.h"

namespace modulation {

// A: target value; B: glide start (radians); C: glide slope; D: glide offset.
class SampleHoldLfo final : public RandomSourceLfo {
 public:
  SampleHoldLfo() = default;
  // Output jumps to the current target, a new target is drawn and the glide line rebuilt.
  void Recompute(int lane) override;
  // Branch-free glide across lanes, then Recompute for each lane that wrapped, in lane order.
  void Tick() override;
  void RenderCycle(int lane, float* buffer, int count) const override;
};

}  // namespace modulation
