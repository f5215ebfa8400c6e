// One program: whether it has been filled yet, its name and its stored parameter values.
#pragma once

#include "framework/state_chunk.h"

namespace framework {

constexpr int kPresetNameSize = 256;  // up to 255 characters plus the terminator

struct Preset {
  bool initialized = false;
  char name[kPresetNameSize] = {};
  // The parameter values as 8-byte little-endian floats, index order, no header; empty until
  // filled.
  StateChunk values;
};

}  // namespace framework
