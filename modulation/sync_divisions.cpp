// The 23 tempo-sync factors, longest note first.
#include "modulation/sync_divisions.h"

namespace modulation {

const float kSyncDivisionFactors[kSyncDivisionCount] = {
    1.0f / 1920.0f,  // 32 quarter notes (8/1)
    1.0f / 1680.0f,  // 28
    1.0f / 1440.0f,  // 24
    1.0f / 1200.0f,  // 20
    1.0f / 960.0f,   // 16
    1.0f / 720.0f,   // 12
    1.0f / 480.0f,   // 8
    1.0f / 240.0f,   // 4 (1/1)
    1.0f / 180.0f,   // 3
    1.0f / 120.0f,   // 2
    1.0f / 90.0f,    // 1.5
    1.0f / 80.0f,    // 4/3
    1.0f / 60.0f,    // 1 (1/4)
    1.0f / 45.0f,    // 0.75
    1.0f / 40.0f,    // 2/3
    1.0f / 30.0f,    // 0.5
    1.0f / 22.5f,    // 0.375
    1.0f / 20.0f,    // 1/3
    1.0f / 15.0f,    // 0.25
    1.0f / 11.25f,   // 0.1875
    1.0f / 10.0f,    // 1/6
    1.0f / 7.5f,     // 0.125
    1.0f / 5.0f,     // 1/12 (1/32t)
};

}  // namespace modulation
