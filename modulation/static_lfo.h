// "Const": an LFO whose lanes hold their skew as a constant value.
#pragma once

#include "modulation/lfo_soa.h"

namespace modulation {

class StaticLfo final : public LfoSoa {
 public:
  StaticLfo() = default;

  // Under the instance lock. Output = skew at once, without Recompute.
  void SetSkew(int lane, float skew) override;
  // Computes the increment (unused) and gives back the skew as the output.
  void Recompute(int lane) override;
  // Nothing moves; the bank never puts a Const object into its active list.
  void Tick() override {}
  void RenderCycle(int lane, float* buffer, int count) const override;
};

}  // namespace modulation
