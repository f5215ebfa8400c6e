// The four-lane structure-of-arrays layout: every per-lane quantity is four floats, 16-byte
// aligned, loaded and stored as one SSE vector.
#pragma once

#include <xmmintrin.h>

#include "modulation/node.h"

namespace modulation {

class alignas(16) Soa4 : public Node {
 public:
  static constexpr int kLanes = 4;
  // One per-lane quantity: lane n of four oscillators side by side. Members of this type are
  // declared alignas(16): the alias alone does not align them.
  using Lanes = float[kLanes];

 protected:
  Soa4() = default;
  ~Soa4() = default;

  static __m128 Load(const Lanes& lanes) { return _mm_load_ps(lanes); }
  static void Store(Lanes& lanes, __m128 value) { _mm_store_ps(lanes, value); }
  // Per lane: mask ? a : b, where mask lanes are all ones or all zeros (SSE2 has no blend).
  static __m128 Select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
  }
};

}  // namespace modulation
