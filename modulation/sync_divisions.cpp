// The 23 tempo-sync divisions (factor = 1 ÷ (60 × length in quarter notes)) and the skew names.
#include "modulation/sync_divisions.h"

#include <cstdio>

#include "modulation/lfo_bank.h"

const SyncDivision kSyncDivisions[kSyncDivisionCount] = {
    // {label, factor}           quarter notes
    {"8/1", 1.0f / 1920.0f},   // 32
    {"7/1", 1.0f / 1680.0f},   // 28
    {"6/1", 1.0f / 1440.0f},   // 24
    {"5/1", 1.0f / 1200.0f},   // 20
    {"4/1", 1.0f / 960.0f},    // 16
    {"3/1", 1.0f / 720.0f},    // 12
    {"2/1", 1.0f / 480.0f},    // 8
    {"1/1", 1.0f / 240.0f},    // 4
    {"1/2d", 1.0f / 180.0f},   // 3
    {"1/2", 1.0f / 120.0f},    // 2
    {"1/4d", 1.0f / 90.0f},    // 1.5
    {"1/2t", 1.0f / 80.0f},    // 4/3
    {"1/4", 1.0f / 60.0f},     // 1
    {"1/8d", 1.0f / 45.0f},    // 0.75
    {"1/4t", 1.0f / 40.0f},    // 2/3
    {"1/8", 1.0f / 30.0f},     // 0.5
    {"1/16d", 1.0f / 22.5f},   // 0.375
    {"1/8t", 1.0f / 20.0f},    // 1/3
    {"1/16", 1.0f / 15.0f},    // 0.25
    {"1/32d", 1.0f / 11.25f},  // 0.1875
    {"1/16t", 1.0f / 10.0f},   // 1/6
    {"1/32", 1.0f / 7.5f},     // 0.125
    {"1/32t", 1.0f / 5.0f},    // 1/12
};

const char* const kSkewLabels[7] = {
    "Value",       // Const
    "PeakPos",     // Triangle
    "PulseWidth",  // Square
    "",            // Sine
    "",            // Random
    "",            // Random Sqr
    "Glide",       // SampleHold
};

const char* SkewLabel(int shape) {
  return shape >= 0 && shape < kLfoShapeCount ? kSkewLabels[shape] : "";
}

int FormatLfoRate(const LfoSettings& settings, char* text, std::size_t size) {
  if (size == 0) return 0;
  int written;
  if (settings.sync && settings.divisionIndex >= 0 && settings.divisionIndex < kSyncDivisionCount) {
    written = std::snprintf(text, size, "%s", kSyncDivisions[settings.divisionIndex].label);
  } else {
    written = std::snprintf(text, size, "%.2f Hz", settings.rateParameter);
  }
  // snprintf reports the untruncated length; a cut text is size − 1 characters long.
  if (written < 0) return 0;
  return static_cast<std::size_t>(written) < size ? written : static_cast<int>(size - 1);
}
