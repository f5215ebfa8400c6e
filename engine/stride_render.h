// Entry points of the stride render kernel: a pair whose sounding lanes move through their
// source by exactly one sample per output sample, several samples of one grain per vector.
#pragma once

#include "engine/grain_render.h"

namespace engine {

// True when every lane of the pair that sounds in a block of `count` samples reads with an
// increment of exactly +1 or -1, so the stride kernel renders it with whole vectors.
inline bool StrideEligible(const GrainPair& p, int count) {
  for (int k = 0; k < 2; ++k) {
    const bool sounds = p.start[k] < count && p.end[k] > 0.0 && p.start[k] < p.end[k];
    if (sounds && p.readInc[k] != 1.0 && p.readInc[k] != -1.0) return false;
  }
  return true;
}

// Audio thread, under the instance lock: render a pair that writes no feedback exactly as
// RenderPair does (any pair: lanes with other increments take one sample at a time) and return
// its new lane mask. Each path's function runs only where the processor has it.
int RenderStridePairSse2(GrainPair& pair, const RenderTarget& target);
int RenderStridePairAvx2(GrainPair& pair, const RenderTarget& target);
int RenderStridePairAvx512(GrainPair& pair, const RenderTarget& target);

}  // namespace engine
