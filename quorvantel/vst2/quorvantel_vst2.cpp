// The effect over the VST 2 adapter, and the creation of its instances.
#include "quorvantel/vst2/quorvantel_vst2.h"

#include <mutex>
#include <new>

namespace quorvantel {

template class Quorvantel<framework::IEffectVst2>;

QuorvantelVst2* FromEffect(vst2::AEffect* effect) {
  return static_cast<QuorvantelVst2*>(framework::IEffectVst2::FromEffect(effect));
}

vst2::AEffect* CreateQuorvantelEffect(vst2::HostCallback host) {
  try {
    std::lock_guard lock(CreationLock());
    QuorvantelVst2* effect = new (std::nothrow) QuorvantelVst2(host);
    if (effect == nullptr) return nullptr;
    effect->EnsureDefaultPreset();
    vst2::AEffect* record = effect->Effect();
    if (record->numPrograms < 1) record->numPrograms = 1;
    return record;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace quorvantel
