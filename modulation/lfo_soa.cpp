// The shared settings, increment and phase helpers of every LFO kind.
#include "modulation/lfo_soa.h"

#include <cmath>

namespace modulation {

LfoSoa::LfoSoa() {
  for (int lane = 0; lane < kLanes; ++lane) {
    // The bank sets the real rate before any LFO rate is applied; 44100 keeps every increment
    // finite even on an object that never sees it.
    sampleRate_[lane] = 44100.0f;
    tickInterval_[lane] = static_cast<float>(kControlPeriod);
    rate_[lane] = 1.0f;
  }
}

void LfoSoa::SetRateAndSkew(int lane, float rate, float skew) {
  rate_[lane] = rate;
  skewPhase_[lane] = static_cast<float>(skew * kTwoPiSetting);
  Recompute(lane);
}

void LfoSoa::SetRate(int lane, float rate) {
  rate_[lane] = rate;
  Recompute(lane);
}

void LfoSoa::SetTickInterval(int lane, int samples) {
  tickInterval_[lane] = static_cast<float>(samples);
  Recompute(lane);
}

void LfoSoa::SetSkew(int lane, float skew) {
  skewPhase_[lane] = static_cast<float>(skew * kTwoPiSetting);
  Recompute(lane);
}

void LfoSoa::Recompute(int lane) { ComputeIncrement(lane); }

void LfoSoa::StoreSampleRate(float sampleRate) {
  for (int lane = 0; lane < kLanes; ++lane) sampleRate_[lane] = sampleRate;
}

void LfoSoa::ComputeIncrement(int lane) {
  // Extended precision, stored as float: 1 Hz at 44100 Hz and 16 samples gives 0.0022796 rad.
  const long double ticksPerSecond =
      static_cast<long double>(sampleRate_[lane]) / static_cast<long double>(tickInterval_[lane]);
  long double increment = static_cast<long double>(rate_[lane]) *
                          static_cast<long double>(kTwoPiSetting) / ticksPerSecond;
  // A single subtraction of 2π keeps the phase in 0..2π only while the increment is at most 2π;
  // absurd rates (huge host tempi) and unusable settings stop the lane instead of letting the
  // phase run away.
  if (!(increment >= 0.0L) || !std::isfinite(increment)) increment = 0.0L;
  if (increment > static_cast<long double>(kTwoPiPhase)) increment = kTwoPiPhase;
  increment_[lane] = static_cast<float>(increment);
}

__m128 LfoSoa::AdvancePhase() {
  const __m128 twoPi = _mm_set1_ps(kTwoPiPhase);
  __m128 phase = _mm_add_ps(Load(phase_), Load(increment_));
  const __m128 wrapped = _mm_cmpgt_ps(phase, twoPi);
  phase = _mm_sub_ps(phase, _mm_and_ps(wrapped, twoPi));
  Store(phase_, phase);
  return wrapped;
}

}  // namespace modulation
