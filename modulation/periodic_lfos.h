// The three deterministic periodic LFOs: "Triangle", "Square" and "Sine". Their Tick is
// branch-free across the four lanes.
#pragma once

#include "modulation/lfo_soa.h"

namespace modulation {

// Rises from 0 to 1 until the skew fraction of the cycle, then falls back to 0.
// A/B: rising slope and offset; C/D: falling slope and offset.
class TriangleLfo final : public LfoSoa {
 public:
  TriangleLfo() = default;
  void Recompute(int lane) override;
  void Tick() override;
  void RenderCycle(int lane, float* buffer, int count) const override;
};

// 1 (coefficient A) while the phase is below the skew phase, else 0: skew is the pulse width.
class SquareLfo final : public LfoSoa {
 public:
  SquareLfo() = default;
  void Recompute(int lane) override;
  void Tick() override;
  void RenderCycle(int lane, float* buffer, int count) const override;
};

// A parabolic approximation of (1 − sin(phase)) ÷ 2; skew has no effect.
class SineLfo final : public LfoSoa {
 public:
  SineLfo() = default;
  void Tick() override;
  void RenderCycle(int lane, float* buffer, int count) const override;

  // The scalar reading of the same formula, for previews and comparison.
  static float Shape(float phase);
};

}  // namespace modulation
