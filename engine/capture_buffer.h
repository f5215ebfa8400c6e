// The circular capture buffer the grains read from, with its logical length and two positions,
// and the total wrap helpers every position into it goes through.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/aligned_doubles.h"

namespace engine {

constexpr int kCaptureCapacity = 132300;  // samples per channel: three seconds at 44100 Hz
constexpr int kMaxGrainMs = 150;          // the longest grain, kept free at the end of the buffer

// Brings an integer position into 0 .. length - 1 for any value; 0 when the buffer is empty.
inline int WrapIndex(std::int64_t position, int length) {
  if (length <= 0) return 0;
  std::int64_t r = position % length;
  if (r < 0) r += length;
  return static_cast<int>(r);
}

// Brings a fractional position into 0 <= p < length for any finite value; 0 for an empty buffer.
inline double WrapPosition(double position, int length) {
  if (length <= 0 || !std::isfinite(position)) return 0.0;
  const double l = length;
  double p = std::fmod(position, l);
  if (p < 0.0) p += l;
  if (p >= l) p -= l;
  return p;
}

struct CaptureBuffer {
  // Channel 0 is left (or mid), channel 1 right (or side); zeroed once, never cleared again.
  AlignedDoubles channel[2] = {AlignedDoubles(kCaptureCapacity), AlignedDoubles(kCaptureCapacity)};
  int BufferLength = kCaptureCapacity;  // logical length, 0 .. kCaptureCapacity
  int WritePos = 0;                     // next input sample, inside 0 .. BufferLength - 1 (or 0)
  int ScanPos = 0;                      // where new grains read from, same range
};

}  // namespace engine
