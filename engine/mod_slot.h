// The fifteen modulatable grain settings: each slot's limits, base value, depth and LFO selector,
// with the derived modulation window kept in four-lane groups for RouteModulation.
#pragma once

#include "modulation/mod_routing.h"

namespace engine {

enum ModulatedSetting : int {
  kSetLength = 0,
  kSetOnset = 1,
  kSetSource = 2,
  kSetEnvelope = 3,
  kSetPan = 4,
  kSetDir = 5,
  kSetPitch = 6,
  kSetSpeed = 7,
  kSetDelay = 8,
  kSetFeedback = 9,
  kSetFBApply = 10,
  kSetAmpl = 11,
  kSetFreeze = 12,
  kSetBufLen = 13,
  kSetScanRate = 14,
};

struct ModSlot {
  float min = 0.0f;
  float max = 0.0f;
  float range = 0.0f;  // max - min
  float value = 0.0f;  // base value, min .. max
  float depth = 0.0f;  // 0 .. 1
  int selector = 1;    // LFO 0 .. 7
};

struct ModSlotLimits {
  float min;
  float max;
  float base;  // at construction
};

// Limits and construction base of each slot, in slot order.
inline constexpr ModSlotLimits kModSlotLimits[modulation::kModulatedSettingCount] = {
    {1.0f, 150.0f, 30.0f},  // 0 Length (ms)
    {0.1f, 50.0f, 20.0f},   // 1 Onset (ms)
    {0.0f, 1.0f, 0.0f},     // 2 Source
    {0.1f, 4.0f, 1.0f},     // 3 Envelope (window index)
    {0.0f, 1.0f, 0.5f},     // 4 Pan
    {-1.0f, 1.0f, 1.0f},    // 5 Dir
    {-24.0f, 24.0f, 0.0f},  // 6 Pitch (semitones)
    {0.0f, 1.0f, 1.0f},     // 7 Speed
    {0.0f, 150.0f, 0.0f},   // 8 Delay (ms)
    {0.0f, 1.0f, 0.0f},     // 9 Feedback
    {0.0f, 1.0f, 0.25f},    // 10 FB Apply
    {0.1f, 1.0f, 1.0f},     // 11 Ampl
    {0.0f, 1.0f, 0.0f},     // 12 Freeze
    {0.0f, 1.0f, 1.0f},     // 13 BufLen
    {-2.0f, 2.0f, 1.0f},    // 14 ScanRate
};

// The fifteen slots, their lane groups (slot k in group k / 4, lane k % 4) and selectors.
class ModSlotBank {
 public:
  ModSlotBank();  // every slot at its limits and base, depth 0, selector 1, refreshed

  // Any thread, under the instance lock. Values are kept inside the slot's limits (base), 0 .. 1
  // (depth) and 0 .. 7 (selector); each call refreshes the slot's window.
  void SetValue(int slot, float value);
  void SetDepth(int slot, float depth);
  void SetSelector(int slot, int selector);

  // Audio thread: the routed current value of a slot (its base until RouteModulation runs).
  float Current(int slot) const { return groups_[slot / 4].current[slot % 4]; }
  const ModSlot& Slot(int slot) const { return slots_[slot]; }
  const modulation::ModSlotGroup& Group(int g) const { return groups_[g]; }

  modulation::ModSlotGroup (&Groups())[modulation::kModSlotGroupCount] { return groups_; }
  const int (&Selectors() const)[modulation::kModulatedSettingCount] { return selectors_; }

 private:
  void Refresh(int slot);

  ModSlot slots_[modulation::kModulatedSettingCount];
  int selectors_[modulation::kModulatedSettingCount];
  modulation::ModSlotGroup groups_[modulation::kModSlotGroupCount] = {};
};

}  // namespace engine
