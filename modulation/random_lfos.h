// "Random" and "Random Sqr": a fresh draw per lane on every tick, from one generator shared by
// the object's four lanes; rate and skew have no effect.
#pragma once

#include "modulation/lfo_soa.h"
#include "modulation/xorshift128.h"

namespace modulation {

// Base of the LFO kinds that draw from a random generator: one generator per object, shared by
// its four lanes, drawn in lane order so the sequence is reproducible.
class RandomSourceLfo : public LfoSoa {
 public:
  Xorshift128& Generator() { return random_; }

 protected:
  Xorshift128 random_;
};

class RandomLfo final : public RandomSourceLfo {
 public:
  RandomLfo() = default;
  // Draws one value into the lane's output; computes no increment.
  void Recompute(int lane) override;
  // Draws lane 0, 1, 2, 3 in order.
  void Tick() override;
  // Previews count draws from a copy of the generator.
  void RenderCycle(int lane, float* buffer, int count) const override;
};

class RandomSquareLfo final : public RandomSourceLfo {
 public:
  RandomSquareLfo() = default;
  // As RandomLfo: stores the unthresholded draw, which the next Tick replaces.
  void Recompute(int lane) override;
  // One draw per lane in lane order; 1 where the draw is above 0.5 (strictly), else 0.
  void Tick() override;
  void RenderCycle(int lane, float* buffer, int count) const override;
};

}  // namespace modulation
