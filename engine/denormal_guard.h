// Scoped flush-to-zero and denormals-are-zero: set on entry to processing, the caller's MXCSR
// restored on exit.
#pragma once

#include <xmmintrin.h>

class DenormalGuard {
 public:
  static constexpr unsigned kFlushBits = 0x8040u;  // FTZ (bit 15) and DAZ (bit 6)

  DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushBits); }
  ~DenormalGuard() { _mm_setcsr(saved_); }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
  unsigned saved_;
};
