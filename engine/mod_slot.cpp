// The modulation slots: limits, parameter values and the refresh of their modulation windows.
#include "engine/mod_slot.h"

namespace engine {

ModSlotBank::ModSlotBank() {
  for (int k = 0; k < modulation::kModulatedSettingCount; ++k) {
    const ModSlotLimits& l = kModSlotLimits[k];
    slots_[k] = ModSlot{l.min, l.max, l.max - l.min, l.base, 0.0f, 1};
    selectors_[k] = 1;
    Refresh(k);
  }
}

void ModSlotBank::SetValue(int slot, float value) {
  ModSlot& s = slots_[slot];
  s.value = value < s.min ? s.min : (value > s.max ? s.max : value);
  Refresh(slot);
}

void ModSlotBank::SetDepth(int slot, float depth) {
  slots_[slot].depth = depth < 0.0f ? 0.0f : (depth > 1.0f ? 1.0f : depth);
  Refresh(slot);
}

void ModSlotBank::SetSelector(int slot, int selector) {
  selector = selector < 0 ? 0 : (selector > 7 ? 7 : selector);
  slots_[slot].selector = selectors_[slot] = selector;
  Refresh(slot);
}

// Window of width depth * range around the base; RouteModulation maps LFO 0 .. 1 onto it.
void ModSlotBank::Refresh(int slot) {
  const ModSlot& s = slots_[slot];
  const float low = s.value - s.depth * 0.5f * s.range;
  const float high = 0.5f * s.depth * s.range + s.value;
  modulation::ModSlotGroup& g = groups_[slot / 4];
  const int lane = slot % 4;
  g.current[lane] = s.value;
  g.low[lane] = low;
  g.high[lane] = high;
  g.span[lane] = high - low;
  g.min[lane] = s.min;
  g.max[lane] = s.max;
}

}  // namespace engine
