// The effect over the LV2 adapter, and the creation of its instances.
#include "quorvantel/lv2/quorvantel_lv2.h"

#include <mutex>
#include <new>

#include "framework/lv2/plugin_entry.h"

namespace quorvantel {

template class Quorvantel<framework::IEffectLv2>;

QuorvantelLv2::QuorvantelLv2(const framework::Lv2Instance& instance)
    : Quorvantel<framework::IEffectLv2>(instance) {}

void QuorvantelLv2::ReadOutValues(float* values, int count) {
  if (count > kReadOutGrainsPerSecond)
    values[kReadOutGrainsPerSecond] =
        static_cast<float>(Feed().grainsPerSecond.load(std::memory_order_relaxed));
  if (count > kReadOutDensity)
    values[kReadOutDensity] = static_cast<float>(Feed().density.load(std::memory_order_relaxed));
}

namespace {

framework::IEffectLv2* Create(const framework::Lv2Instance& instance) {
  std::lock_guard lock(CreationLock());
  QuorvantelLv2* effect = new (std::nothrow) QuorvantelLv2(instance);
  if (effect != nullptr) effect->EnsureDefaultPreset();
  return effect;
}

}  // namespace

const LV2_Descriptor* QuorvantelLv2Descriptor() {
  static const framework::Lv2PluginEntry entry =
      framework::MakeLv2PluginEntry(kLv2PluginUri, kLv2StateKey, kReadOutCount, &Create);
  return &entry.descriptor;
}

}  // namespace quorvantel
