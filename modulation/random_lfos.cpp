// "Random" and "Random Sqr": draws in lane order so that the sequence is reproducible.
#include "modulation/random_lfos.h"

namespace modulation {

namespace {

// Lane-ordered draws of one tick.
__m128 DrawFour(Xorshift128& random) {
  const float d0 = random.Next();
  const float d1 = random.Next();
  const float d2 = random.Next();
  const float d3 = random.Next();
  return _mm_setr_ps(d0, d1, d2, d3);
}

__m128 Threshold(__m128 draws) {
  return _mm_and_ps(_mm_cmpgt_ps(draws, _mm_set1_ps(0.5f)), _mm_set1_ps(1.0f));
}

}  // namespace

void RandomLfo::Recompute(int lane) { output_[lane] = random_.Next(); }

void RandomLfo::Tick() { Store(output_, DrawFour(random_)); }

void RandomLfo::RenderCycle(int, float* buffer, int count) const {
  Xorshift128 preview = random_;
  for (int i = 0; i < count; ++i) buffer[i] = preview.Next();
}

void RandomSquareLfo::Recompute(int lane) { output_[lane] = random_.Next(); }

void RandomSquareLfo::Tick() { Store(output_, Threshold(DrawFour(random_))); }

void RandomSquareLfo::RenderCycle(int, float* buffer, int count) const {
  Xorshift128 preview = random_;
  for (int i = 0; i < count; ++i) buffer[i] = preview.Next() > 0.5f ? 1.0f : 0.0f;
}

}  // namespace modulation
