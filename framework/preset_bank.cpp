// The preset list: creation, names and lookups.
#include "framework/preset_bank.h"

#include <cstdio>
#include <cstring>

namespace framework {

namespace {

void NameByNumber(Preset& preset, int number) {
  std::snprintf(preset.name, sizeof preset.name, "- %d -", number);
}

}  // namespace

PresetBank::PresetBank(int count, int valueBytes) : presets_(count > 0 ? count : 0) {
  for (int k = 0; k < Count(); ++k) {
    NameByNumber(presets_[k], k + 1);
    presets_[k].values = StateChunk(valueBytes);
  }
}

const char* PresetBank::Name(int index) const {
  return Contains(index) ? presets_[index].name : "";
}

bool PresetBank::Initialized(int index) const {
  return Contains(index) && presets_[index].initialized;
}

Preset* PresetBank::FirstUninitialized() {
  for (Preset& preset : presets_) {
    if (!preset.initialized) return &preset;
  }
  return nullptr;
}

bool PresetBank::AddOneIfEmpty() {
  if (!presets_.empty()) return false;
  NameByNumber(presets_.emplace_back(), 1);
  return true;
}

void PresetBank::NextUserPresetName(char* out, int outSize) const {
  constexpr const char* kUserPreset = "user preset";
  int count = 0;
  for (const Preset& preset : presets_) {
    if (std::strstr(preset.name, kUserPreset) != nullptr) ++count;
  }
  std::snprintf(out, outSize, "%s %d", kUserPreset, count + 1);
}

}  // namespace framework
