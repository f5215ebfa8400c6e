// Scoped flush-to-zero, denormals-are-zero and round-to-nearest: set on entry to processing, the
// caller's MXCSR restored on exit.
#pragma once

#include <xmmintrin.h>

namespace common {

class DenormalGuard {
 public:
  static constexpr unsigned kFlushBits = 0x8040u;     // FTZ (bit 15) and DAZ (bit 6)
  static constexpr unsigned kRoundingBits = 0x6000u;  // rounding control; 0 is to nearest, even

  // Grain ranges end at their end time rounded to the nearest sample, whatever mode the host
  // left behind.
  DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr((saved_ & ~kRoundingBits) | kFlushBits); }
  ~DenormalGuard() { _mm_setcsr(saved_); }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
  unsigned saved_;
};

}  // namespace common
