// Rendering of one grain pair for one block: three-point interpolated reads, envelope, amplitude,
// pan and clamps into the wet accumulators, feedback into the capture buffer, and retirement.
#pragma once

#include "engine/grain_pair.h"

namespace engine {

// Where a block's grains write to. The feedback destination is the capture buffer at the
// positions where the block's input was captured: (writePos + n) wrapped into bufferLength.
struct RenderTarget {
  double* wet = nullptr;        // 16-byte aligned, interleaved: wet[2n] left, wet[2n + 1] right
  double* feedback0 = nullptr;  // capture channel 0
  double* feedback1 = nullptr;  // capture channel 1
  // The feedback DC blocker's low-pass state per channel, carried from block to block, and its
  // per-sample coefficient; null: feedback is written as it is.
  double* feedbackDc = nullptr;
  double feedbackDcCoefficient = 0.0;
  int writePos = 0;
  int bufferLength = 0;  // the engine's current length; 0 writes no feedback
  int count = 0;         // samples in the block, 0 .. kWetCapacity
};

// True when rendering the pair adds into the capture buffer.
inline bool WritesFeedback(const GrainPair& pair, const RenderTarget& target) {
  return target.bufferLength > 0 && (pair.feedback[0] != 0.0 || pair.feedback[1] != 0.0);
}

// Audio thread, under the instance lock. Renders the lanes in use (laneMask) over their common
// sample range: a lane sounds at block sample n when start <= n < end, and its read position and
// envelope phase move only on the samples where it sounds, so each lane starts from what its
// spawn computed whatever the block layout. Moves the lanes' times on to the next block and
// returns the new lane mask: a lane lives on while its end lies beyond the block. A pair that
// writes feedback renders as RenderFeedbackPairs renders it alone.
int RenderPair(GrainPair& pair, const RenderTarget& target);

// Audio thread, under the instance lock: renders the pairs that write feedback together, one
// block sample at a time: each sample's outputs are computed from the buffer as the samples
// before left it, then the sum of their feedback (in pair order), high-passed when the target
// has a DC blocker, is added where that sample's input was captured. Runs the DC blocker over the
// whole block even with no pairs. masks[k] gets pair k's new lane mask.
void RenderFeedbackPairs(GrainPair* const* pairs, int count, const RenderTarget& target,
                         int* masks);

// Moves the pair's times on to the next block (of `count` samples) and stores its lanes' read
// positions and phases, those of lanes that retire as 0; returns the new lane mask (a lane lives
// on while its end lies beyond the block).
int RetirePair(GrainPair& pair, int count, const double* pos, const double* phase);

// The sample range [first, last) of the block over which a pair's lanes in use sound.
struct PairRange {
  int first = 0;
  int last = 0;
};
PairRange RangeOf(const GrainPair& pair, int count);

// Puts lane `lane` into the idle state: times, read position and phase 0, reading `silence`
// (at least one zero) with a wrap length of 1, so an unused lane never reads the capture buffer.
void MakeLaneIdle(GrainPair& pair, int lane, const double* silence, const double* envelope);

}  // namespace engine
