// Saving and loading the parameter values under the instance lock, and the programs the host
// switches between: storing into, recalling and filling them.
#include <mutex>

#include "framework/effect_base.h"

namespace framework {

bool IEffectBase::SerializeParams(StateChunk& chunk) {
  std::lock_guard lock(instanceLock_);
  return parameters_.AppendValues(chunk);
}

int IEffectBase::UnserializeParams(const StateChunk& chunk, int start) {
  std::lock_guard lock(instanceLock_);
  const int pos = parameters_.ReadValues(chunk, start);
  NotifyAllParamsChanged();
  return pos;
}

void IEffectBase::NotifyAllParamsChanged() {
  std::lock_guard lock(instanceLock_);
  for (int i = 0; i < ParameterCount(); ++i) OnParameterChanged(i);
  OnAllParametersReplaced();
}

void IEffectBase::StoreCurrentPreset(const char* name) {
  std::lock_guard lock(instanceLock_);
  if (!presets_.Contains(presets_.Current())) return;
  Preset& preset = presets_.At(presets_.Current());
  preset.values.Clear();
  SerializeParams(preset.values);
  if (name != nullptr && name[0] != '\0') CopyBounded(preset.name, name, sizeof preset.name);
}

bool IEffectBase::RecallPreset(int index) {
  std::lock_guard lock(instanceLock_);
  if (!presets_.Contains(index)) return false;
  Preset& preset = presets_.At(index);
  bool ok = true;
  if (!preset.initialized) {
    preset.initialized = true;
    presets_.NextUserPresetName(preset.name, sizeof preset.name);
    preset.values.Clear();
    SerializeParams(preset.values);
  } else {
    ok = UnserializeParams(preset.values, 0) > 0;
  }
  if (ok) {
    presets_.SetCurrent(index);
    PushValuesToEditor();
  }
  return ok;
}

void IEffectBase::EnsureDefaultPreset() {
  std::lock_guard lock(instanceLock_);
  if (presets_.AddOneIfEmpty()) MakeDefaultPresets(nullptr, 1);
}

void IEffectBase::MakeDefaultPresets(const char* name, int n) {
  std::lock_guard lock(instanceLock_);
  for (int repetition = 0; repetition < n; ++repetition) {
    Preset* preset = presets_.FirstUninitialized();
    if (preset == nullptr) continue;
    preset->initialized = true;
    CopyBounded(preset->name, name != nullptr ? name : "Default", sizeof preset->name);
    preset->values.Clear();
    SerializeParams(preset->values);
  }
}

}  // namespace framework
