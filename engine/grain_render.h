// Rendering of one grain pair for one block: three-point interpolated reads, envelope, amplitude,
// pan and clamps into the wet accumulators, feedback into the capture buffer, and retirement.
#pragma once

#include "engine/grain_pair.h"

// Where a block's grains write to. The feedback destination is the capture buffer at the
// positions where the block's input was captured: (writePos + n) wrapped into bufferLength.
struct RenderTarget {
  double* wet = nullptr;        // 16-byte aligned, interleaved: wet[2n] left, wet[2n + 1] right
  double* feedback0 = nullptr;  // capture channel 0
  double* feedback1 = nullptr;  // capture channel 1
  int writePos = 0;
  int bufferLength = 0;  // the engine's current length; 0 writes no feedback
  int count = 0;         // samples in the block, 0 .. kWetCapacity
};

// True when rendering the pair adds into the capture buffer.
inline bool WritesFeedback(const GrainPair& pair, const RenderTarget& target) {
  return target.bufferLength > 0 && (pair.feedback[0] != 0.0 || pair.feedback[1] != 0.0);
}

// Audio thread, under the instance lock. Renders both lanes over the pair's common sample range,
// moves the lanes' times on to the next block and returns the new lane mask (retired lanes are
// left idle, reading silence).
int RenderPair(GrainPair& pair, const RenderTarget& target);

// Puts lane `lane` into the idle state: times, read position and phase 0, reading `silence`
// (at least one zero) with a wrap length of 1, so an unused lane never reads the capture buffer.
void MakeLaneIdle(GrainPair& pair, int lane, const double* silence, const double* envelope);
