// The four grain envelope slots: each a table of kWindowSize doubles built from one of ten window
// shapes and a skew.
#pragma once

#include "engine/aligned_doubles.h"
#include "engine/grain_pair.h"

namespace engine {

enum WindowShape : int {
  kRectangle = 0,
  kTriangle = 1,
  kHann = 2,
  kHamming = 3,
  kTukey = 4,
  kGaussian = 5,
  kTrapezoid = 6,
  kExponential = 7,
  kRevExponential = 8,
  kWeibull = 9,
  kWindowShapeCount = 10,
};

constexpr int kEnvelopeSlotCount = 4;

struct EnvelopeSlot {
  // Entries 0 .. 199; entries 200 and 201 (guards) repeat entry 199, so the renderer reads K
  // and K + 1 for K up to 200 without wrapping.
  AlignedDoubles table{kWindowSize + 2};
  int shape = kRectangle;
  float skew = 0.5f;  // 0 .. 1

  // Shape 0, skew 0.5, filled by the Exponential builder with skew 0.5.
  EnvelopeSlot();
};

// Any thread, under the instance lock: fills the slot's table in place from its shape and skew.
// A shape outside 0 .. 9 leaves the table as it is. Never allocates.
void BuildWindow(EnvelopeSlot& slot);

// Fills w[0 .. 199] with `shape` at skew s (0 .. 1); false (w untouched) for an unknown shape.
bool FillWindow(int shape, double s, double* w);
// Sets w[200] and w[201] to w[199].
void AddGuardEntries(double* w);

}  // namespace engine
