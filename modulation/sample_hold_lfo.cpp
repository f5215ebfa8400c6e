// "SampleHold": holds for the first 1 − glide of the cycle, then glides linearly to the target
// drawn at the previous wrap.
#include "modulation/sample_hold_lfo.h"

namespace modulation {

void SampleHoldLfo::Recompute(int lane) {
  ComputeIncrement(lane);
  // Glide start (1 − glide) × 2π, taken as 2π − skew phase so that glide 0 and 1 give exactly
  // 2π and 0.
  const float start = kTwoPiPhase - skewPhase_[lane];
  const float held = a_[lane];
  const float target = random_.Next();
  output_[lane] = held;
  a_[lane] = target;
  b_[lane] = start;
  if (start == kTwoPiPhase) {
    // No glide: a flat line at the held value, so a phase landing exactly on 2π keeps it.
    c_[lane] = 0.0f;
    d_[lane] = held;
  } else {
    // The line through (start, held) and (2π, target).
    c_[lane] = (target - held) / (kTwoPiPhase - start);
    d_[lane] = target - c_[lane] * kTwoPiPhase;
  }
}

void SampleHoldLfo::Tick() {
  const __m128 phase = Load(phase_);
  const __m128 gliding = _mm_cmpge_ps(phase, Load(b_));
  const __m128 line = _mm_add_ps(_mm_mul_ps(Load(c_), phase), Load(d_));
  Store(output_, Select(gliding, line, Load(output_)));
  const int wrapped = _mm_movemask_ps(AdvancePhase());
  for (int lane = 0; lane < kLanes; ++lane) {
    if (wrapped & (1 << lane)) SampleHoldLfo::Recompute(lane);
  }
}

void SampleHoldLfo::RenderCycle(int lane, float* buffer, int count) const {
  // The line passes through (start, held value), so it gives the held value too.
  const float held = c_[lane] * b_[lane] + d_[lane];
  for (int i = 0; i < count; ++i) {
    const float phase = PreviewPhase(i, count);
    buffer[i] = phase < b_[lane] ? held : c_[lane] * phase + d_[lane];
  }
}

}  // namespace modulation
