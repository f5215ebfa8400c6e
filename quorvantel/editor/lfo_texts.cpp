// The division names beside the sync factors' rows, and the skew names per shape.
#include "quorvantel/editor/lfo_texts.h"

namespace quorvantel {

const char* const kSyncDivisionLabels[modulation::kSyncDivisionCount] = {
    "8/1",   "7/1",  "6/1",  "5/1",   "4/1",   "3/1",  "2/1",   "1/1",
    "1/2d",  "1/2",  "1/4d", "1/2t",  "1/4",   "1/8d", "1/4t",  "1/8",
    "1/16d", "1/8t", "1/16", "1/32d", "1/16t", "1/32", "1/32t",
};

const char* const kSkewLabels[modulation::kLfoShapeCount] = {
    "Value",       // Const
    "PeakPos",     // Triangle
    "PulseWidth",  // Square
    "",            // Sine
    "",            // Random
    "",            // Random Sqr
    "Glide",       // SampleHold
};

const char* SkewLabel(int shape) {
  return shape >= 0 && shape < modulation::kLfoShapeCount ? kSkewLabels[shape] : "";
}

}  // namespace quorvantel
