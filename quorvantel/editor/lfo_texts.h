// The texts the LFO read-outs show: the name of each tempo-sync division and the name of the
// skew control for each LFO shape.
#pragma once

#include "modulation/lfo_bank.h"
#include "modulation/sync_divisions.h"

namespace quorvantel {

// "8/1" for row 0 to "1/32t" for row 22, at most 7 characters each.
extern const char* const kSyncDivisionLabels[modulation::kSyncDivisionCount];

// Indexed by LfoShape; an empty name means the shape has no skew control.
extern const char* const kSkewLabels[modulation::kLfoShapeCount];

// The skew control's name for a shape; "" for a shape outside LfoShape.
const char* SkewLabel(int shape);

}  // namespace quorvantel
