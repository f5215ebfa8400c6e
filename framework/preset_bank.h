// The programs the host switches between and renames, and which of them is current.
#pragma once

#include <vector>

#include "framework/preset.h"

namespace framework {

class PresetBank {
 public:
  // count presets, not yet initialised, named "- 1 -", "- 2 -", ...; each values chunk has room
  // for valueBytes. The current preset is 0.
  PresetBank(int count, int valueBytes);

  int Count() const { return static_cast<int>(presets_.size()); }
  bool Contains(int index) const { return index >= 0 && index < Count(); }
  // "" for an index outside the bank.
  const char* Name(int index) const;
  bool Initialized(int index) const;
  Preset& At(int index) { return presets_[index]; }
  int Current() const { return current_; }
  void SetCurrent(int index) { current_ = index; }

  // The first preset not yet initialised, or null.
  Preset* FirstUninitialized();
  // A bank with no presets gets one, named "- 1 -"; returns whether it did.
  bool AddOneIfEmpty();
  // "user preset N", N one more than the presets whose names contain "user preset".
  void NextUserPresetName(char* out, int outSize) const;

 private:
  std::vector<Preset> presets_;
  int current_ = 0;
};

}  // namespace framework
