// The routing of LFO values onto the fifteen modulatable grain settings, four settings per
// four-lane float group (setting k lives in group k / 4, lane k % 4; the sixteenth lane is unused).
#pragma once

namespace modulation {

constexpr int kModulatedSettingCount = 15;
constexpr int kModSlotGroupCount = 4;

// Seven four-float vectors, in this order; every vector 16-byte aligned for one SSE load.
struct alignas(16) ModSlotGroup {
  float current[4];
  float lfo[4];
  float low[4];
  float high[4];
  float span[4];
  float min[4];
  float max[4];
};

class LfoBank;

// Audio thread, under the instance lock, when a grain is due (right after that tick's TickBank):
// copies the latched value of LFO selectors[k] into lane k's lfo value, then computes
// current = min(max(low + lfo * span, min), max) four settings at a time.
void RouteModulation(ModSlotGroup (&groups)[kModSlotGroupCount],
                     const int (&selectors)[kModulatedSettingCount], const LfoBank& bank);

}  // namespace modulation
