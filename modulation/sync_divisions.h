// The tempo-sync divisions, the skew control's name per shape and the rate read-out text.
#pragma once

#include <cstddef>

struct LfoSettings;

struct SyncDivision {
  const char* label;  // at most 7 characters
  float factor;       // synced rate in Hz = factor × tempo in beats per minute
};

constexpr int kSyncDivisionCount = 23;
extern const SyncDivision kSyncDivisions[kSyncDivisionCount];

// Indexed by LfoShape; an empty name means the skew has no effect for that shape.
extern const char* const kSkewLabels[7];

// The skew control's name for a shape; "" for a shape outside 0..6.
const char* SkewLabel(int shape);

// The rate read-out: the division label when synced, otherwise the Rate parameter's value with
// "%.2f Hz", cut to fit size. Any thread; reads only the settings given. Returns the length of the
// text written (without the terminator).
int FormatLfoRate(const LfoSettings& settings, char* text, std::size_t size);
