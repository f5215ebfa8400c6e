// Saving and loading the parameter values, and the programs (presets) the host switches between.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plugin/effect_base.h"

bool IEffectBase::SerializeParams(StateChunk& chunk) {
  std::lock_guard lock(instanceLock_);
  bool ok = true;
  for (int i = 0; i < ParameterCount() && ok; ++i) {
    ok = chunk.AppendDouble(parameters_[i].Value()) > 0;
  }
  return ok;
}

int IEffectBase::UnserializeParams(const StateChunk& chunk, int start) {
  std::lock_guard lock(instanceLock_);
  int pos = start;
  for (int i = 0; i < ParameterCount() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(&v, pos);
    // Where the data runs out the parameter keeps its value, rather than taking a 0.0 that was
    // never stored; a non-finite stored value is skipped the same way.
    if (pos >= 0) parameters_[i].SetClamped(v);
  }
  NotifyAllParamsChanged();
  return pos;
}

void IEffectBase::SaveStateFromValues(StateChunk& chunk, std::span<const StoredValue> values) {
  std::lock_guard lock(instanceLock_);
  const std::size_t n = std::min<std::size_t>(values.size(), ParameterCount());
  for (std::size_t i = 0; i < n; ++i) {
    const ParameterType type = parameters_[i].Type();
    const bool integral =
        type == ParameterType::Bool || type == ParameterType::Int || type == ParameterType::Enum;
    chunk.AppendDouble(integral ? static_cast<double>(values[i].integer) : values[i].real);
  }
}

void IEffectBase::WriteChunkHeader(StateChunk& chunk) {
  chunk.Clear();
  chunk.AppendInt32(kChunkMagic);
  chunk.AppendInt32(kFrameworkVersion);
}

std::int32_t IEffectBase::ReadChunkHeader(const StateChunk& chunk, int* pos) {
  std::int32_t magic = 0;
  const int q = chunk.ReadInt32(&magic, *pos);
  if (q < 0 || magic != kChunkMagic) return 0;
  std::int32_t version = 0;
  *pos = chunk.ReadInt32(&version, q);
  return *pos < 0 ? 0 : version;
}

const char* IEffectBase::PresetName(int index) const {
  if (index < 0 || index >= PresetCount()) return "";
  return presets_[index].name;
}

bool IEffectBase::PresetInitialized(int index) const {
  return index >= 0 && index < PresetCount() && presets_[index].initialized;
}

void IEffectBase::StoreCurrentPreset(const char* name) {
  std::lock_guard lock(instanceLock_);
  if (currentPreset_ < 0 || currentPreset_ >= PresetCount()) return;
  Preset& preset = presets_[currentPreset_];
  preset.values.Clear();
  SerializeParams(preset.values);
  if (name != nullptr && name[0] != '\0') CopyBounded(preset.name, name, sizeof preset.name);
}

bool IEffectBase::RecallPreset(int index) {
  std::lock_guard lock(instanceLock_);
  if (index < 0 || index >= PresetCount()) return false;
  Preset& preset = presets_[index];
  bool ok = true;
  if (!preset.initialized) {
    preset.initialized = true;
    NextUserPresetName(preset.name, sizeof preset.name);
    preset.values.Clear();
    SerializeParams(preset.values);
  } else {
    ok = UnserializeParams(preset.values, 0) > 0;
  }
  if (ok) {
    currentPreset_ = index;
    PushValuesToEditor();
  }
  return ok;
}

void IEffectBase::NextUserPresetName(char* out, int outSize) const {
  constexpr const char* kUserPreset = "user preset";
  int count = 0;
  for (const Preset& preset : presets_) {
    if (std::strstr(preset.name, kUserPreset) != nullptr) ++count;
  }
  std::snprintf(out, outSize, "%s %d", kUserPreset, count + 1);
}

void IEffectBase::EnsureDefaultPreset() {
  std::lock_guard lock(instanceLock_);
  if (!presets_.empty()) return;
  presets_.emplace_back();
  std::snprintf(presets_[0].name, sizeof presets_[0].name, "- %d -", 1);
  MakeDefaultPresets(nullptr, 1);
}

void IEffectBase::MakeDefaultPresets(const char* name, int n) {
  std::lock_guard lock(instanceLock_);
  for (int repetition = 0; repetition < n; ++repetition) {
    for (Preset& preset : presets_) {
      if (preset.initialized) continue;
      preset.initialized = true;
      CopyBounded(preset.name, name != nullptr ? name : "Default", sizeof preset.name);
      preset.values.Clear();
      SerializeParams(preset.values);
      break;
    }
  }
}

void IEffectBase::PushValuesToEditor() {
  std::lock_guard lock(instanceLock_);
  if (!editor_) return;
  for (int i = 0; i < ParameterCount(); ++i) {
    editor_->SetParameterFromPlugin(i, parameters_[i].Value(), false);
  }
}

void IEffectBase::NotifyAllParamsChanged() {
  std::lock_guard lock(instanceLock_);
  for (int i = 0; i < ParameterCount(); ++i) OnParameterChanged(i);
}
