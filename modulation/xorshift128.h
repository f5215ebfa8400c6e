// Marsaglia's xorshift128 generator with fixed seeds: the random source of the LFOs and of the
// grain engine's feedback choice. Draws are deterministic after every construction.
#pragma once

#include <cstdint>

namespace modulation {

struct Xorshift128 {
  std::uint32_t x = 123456789u;
  std::uint32_t y = 362436069u;
  std::uint32_t z = 521288629u;
  std::uint32_t w = 88675123u;

  // One step; returns the new w.
  std::uint32_t NextWord() {
    const std::uint32_t t = x ^ (x << 11);
    x = y;
    y = z;
    z = w;
    w = w ^ (w >> 19) ^ t ^ (t >> 8);
    return w;
  }

  // One step mapped to 0..1: w * 2^-32 in double, rounded to float (the largest words give 1.0).
  float Next() {
    return static_cast<float>(static_cast<double>(NextWord()) * (1.0 / 4294967296.0));
  }
};

}  // namespace modulation
