// The CLAP parameters extension: every parameter by its index as a stable id, in plain values,
// with the effect's own texts both ways, and the flush that applies the host's values and hands
// back the plug-in's own while nothing is processed.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "framework/clap/effect_clap.h"

namespace framework {

struct IEffectClap::ParamsExtension {
  // The parameter behind an id, or -1.
  static int IndexOf(const IEffectClap& self, clap::Id id) {
    return id < static_cast<clap::Id>(self.ParameterCount()) ? static_cast<int>(id) : -1;
  }

  static std::uint32_t Count(const clap::Plugin* plugin) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return 0;
    self->CheckThread(ClapCall::kParams);
    return static_cast<std::uint32_t>(self->ParameterCount());
  }

  static bool GetInfo(const clap::Plugin* plugin, std::uint32_t index, clap::ParamInfo* info) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || info == nullptr) return false;
      self->CheckThread(ClapCall::kParams);
      const int i = IndexOf(*self, index);
      if (i < 0) return false;
      const ParameterDefinition& d = self->Parameters().Definition(i);
      *info = clap::ParamInfo{};
      info->id = index;
      info->flags = clap::kParamIsAutomatable;
      // Whole numbers only for everything but the continuous values; the ones with a text for
      // every value are choices.
      if (d.Type() != ParameterType::kDouble) info->flags |= clap::kParamIsStepped;
      if (d.Type() == ParameterType::kEnum || d.Type() == ParameterType::kBool)
        info->flags |= clap::kParamIsEnum;
      info->cookie = nullptr;
      CopyBounded(info->name, d.Name(), sizeof info->name);
      info->module[0] = '\0';
      info->minValue = d.Min();
      info->maxValue = d.Max();
      // Hosts need the default inside the range; the definition keeps it as declared.
      info->defaultValue = std::clamp(d.DefaultValue(), d.Min(), d.Max());
      return true;
    } catch (...) {
      return false;
    }
  }

  static bool GetValue(const clap::Plugin* plugin, clap::Id id, double* value) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || value == nullptr) return false;
      self->CheckThread(ClapCall::kParams);
      const int i = IndexOf(*self, id);
      if (i < 0) return false;
      std::lock_guard lock(self->InstanceLock());
      *value = self->Parameters().Value(i);
      return true;
    } catch (...) {
      return false;
    }
  }

  static bool ValueToText(const clap::Plugin* plugin, clap::Id id, double value, char* out,
                          std::uint32_t capacity) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || out == nullptr || capacity == 0) return false;
      self->CheckThread(ClapCall::kParams);
      const int i = IndexOf(*self, id);
      if (i < 0 || !std::isfinite(value)) return false;
      const ParameterDefinition& d = self->Parameters().Definition(i);
      std::lock_guard lock(self->InstanceLock());
      return self->ValueToText(i, std::clamp(value, d.Min(), d.Max()), out, capacity);
    } catch (...) {
      return false;
    }
  }

  static bool TextToValue(const clap::Plugin* plugin, clap::Id id, const char* text,
                          double* value) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || text == nullptr || value == nullptr) return false;
      self->CheckThread(ClapCall::kParams);
      const int i = IndexOf(*self, id);
      if (i < 0) return false;
      const ParameterDefinition& d = self->Parameters().Definition(i);
      std::lock_guard lock(self->InstanceLock());
      double plain = 0.0;
      if (!self->TextToValue(i, text, &plain) || !std::isfinite(plain)) return false;
      // A number past the range takes the nearest end, as the editor's value entry does.
      *value = std::clamp(plain, d.Min(), d.Max());
      return true;
    } catch (...) {
      return false;
    }
  }

  static void Flush(const clap::Plugin* plugin, const clap::InputEvents* in,
                    const clap::OutputEvents* out) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr) return;
      self->CheckThread(ClapCall::kParamsFlush);
      AudioCallScope scope;
      std::lock_guard lock(self->InstanceLock());
      self->ApplyEvents(in);
      self->DrainOutgoing(out);
    } catch (...) {
    }
  }
};

const clap::PluginParams IEffectClap::kParams = {
    &ParamsExtension::Count,       &ParamsExtension::GetInfo,     &ParamsExtension::GetValue,
    &ParamsExtension::ValueToText, &ParamsExtension::TextToValue, &ParamsExtension::Flush,
};

}  // namespace framework
