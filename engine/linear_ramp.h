// A value that moves to a new target in equal steps, one per sample, so that gain and mode
// changes reach the output without a click.
#pragma once

namespace engine {

struct LinearRamp {
  double current = 0.0;  // where the ramp stands before the block's first sample
  double target = 0.0;
  double step = 0.0;  // added per sample
  int remaining = 0;  // samples until the target

  // A new target, reached after `length` samples starting from where the ramp stands; with
  // `ramp` false (or no length) the value jumps there.
  void MoveTo(double value, int length, bool ramp) {
    target = value;
    if (!ramp || length <= 0 || value == current) {
      current = value;
      remaining = 0;
      step = 0.0;
      return;
    }
    remaining = length;
    step = (target - current) / length;
  }
  void Jump() { MoveTo(target, 0, false); }
  bool Moving() const { return remaining > 0; }
  // The value at block sample j (0-based).
  double At(int j) const { return j < remaining ? current + step * (j + 1) : target; }
  void Advance(int samples) {
    if (samples >= remaining) {
      current = target;
      remaining = 0;
    } else {
      current += step * samples;
      remaining -= samples;
    }
  }
};

}  // namespace engine
