// "Triangle", "Square" and "Sine": lane masks select between vector results, no per-lane branch.
#include "modulation/periodic_lfos.h"

#include <cmath>

namespace modulation {

namespace {

constexpr float kSineLinear = 1.2732395f;      // 4 / π
constexpr float kSineQuadratic = 0.40528470f;  // 4 / π²
constexpr float kSineRefine = 0.225f;

__m128 Abs(__m128 v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }

}  // namespace

void TriangleLfo::Recompute(int lane) {
  ComputeIncrement(lane);
  const float peak = skewPhase_[lane];
  // Rising line through (0, 0) and (peak, 1); falling line through (peak, 1) and (2π, 0). A
  // subnormal peak (a skew below about 1e-39) overflows 1 / peak: a rising edge of no width, as
  // for peak 0, rather than inf × phase − inf.
  if (peak == 0.0f || std::isinf(1.0f / peak)) {
    a_[lane] = 0.0f;
    b_[lane] = 0.0f;
  } else {
    a_[lane] = 1.0f / peak;
    b_[lane] = 1.0f - a_[lane] * peak;
  }
  if (peak == kTwoPiPhase) {
    c_[lane] = 0.0f;
    d_[lane] = 0.0f;
  } else {
    c_[lane] = -1.0f / (kTwoPiPhase - peak);
    d_[lane] = -c_[lane] * kTwoPiPhase;
  }
}

void TriangleLfo::Tick() {
  const __m128 phase = Load(phase_);
  const __m128 rising = _mm_add_ps(_mm_mul_ps(Load(a_), phase), Load(b_));
  const __m128 falling = _mm_add_ps(_mm_mul_ps(Load(c_), phase), Load(d_));
  Store(output_, Select(_mm_cmplt_ps(phase, Load(skewPhase_)), rising, falling));
  AdvancePhase();
}

void TriangleLfo::RenderCycle(int lane, float* buffer, int count) const {
  for (int i = 0; i < count; ++i) {
    const float phase = PreviewPhase(i, count);
    buffer[i] =
        phase < skewPhase_[lane] ? a_[lane] * phase + b_[lane] : c_[lane] * phase + d_[lane];
  }
}

void SquareLfo::Recompute(int lane) {
  ComputeIncrement(lane);
  a_[lane] = 1.0f;
}

void SquareLfo::Tick() {
  const __m128 high = _mm_cmplt_ps(Load(phase_), Load(skewPhase_));
  Store(output_, _mm_and_ps(high, Load(a_)));
  AdvancePhase();
}

void SquareLfo::RenderCycle(int lane, float* buffer, int count) const {
  for (int i = 0; i < count; ++i)
    buffer[i] = PreviewPhase(i, count) < skewPhase_[lane] ? a_[lane] : 0.0f;
}

float SineLfo::Shape(float phase) {
  const float x = phase - kPiPhase;
  const float y = kSineLinear * x - kSineQuadratic * x * std::fabs(x);
  const float refined = kSineRefine * (y * std::fabs(y) - y) + y;
  return (refined + 1.0f) * 0.5f;
}

void SineLfo::Tick() {
  const __m128 x = _mm_sub_ps(Load(phase_), _mm_set1_ps(kPiPhase));
  const __m128 y = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(kSineLinear), x),
                              _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(kSineQuadratic), x), Abs(x)));
  const __m128 refined =
      _mm_add_ps(_mm_mul_ps(_mm_set1_ps(kSineRefine), _mm_sub_ps(_mm_mul_ps(y, Abs(y)), y)), y);
  Store(output_, _mm_mul_ps(_mm_add_ps(refined, _mm_set1_ps(1.0f)), _mm_set1_ps(0.5f)));
  AdvancePhase();
}

void SineLfo::RenderCycle(int, float* buffer, int count) const {
  for (int i = 0; i < count; ++i) buffer[i] = Shape(PreviewPhase(i, count));
}

}  // namespace modulation
