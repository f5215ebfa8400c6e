// The effect class and the creation of instances.
#include "plugin/quorvantel.h"

#include <algorithm>
#include <mutex>
#include <new>

namespace {

EffectIdentity QuorvantelIdentity() {
  EffectIdentity identity;
  identity.parameterCount = kParameterCount;
  identity.channelIo = "1-1 2-2";
  identity.programCount = kQuorvantelPrograms;
  identity.effectName = "Quorvantel";
  identity.productName = "";
  identity.vendorName = "Halbrecken";
  identity.vendorVersion = kQuorvantelVersion;
  identity.uniqueId = kQuorvantelUniqueId;
  identity.makerCode = kQuorvantelMakerCode;
  identity.latency = 0;
  identity.receivesMidi = false;
  identity.savesChunks = false;
  identity.isInstrument = false;
  return identity;
}

// Serialises instance creation across the process; lives until process exit.
std::mutex& CreationLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

Quorvantel::Quorvantel(vst2::HostCallback host) : IEffectVst2(host, QuorvantelIdentity()) {
  DefineQuorvantelParameters(*this);
}

Quorvantel::~Quorvantel() { DestroyEditor(); }

void Quorvantel::ResetProcessing() {
  std::lock_guard lock(InstanceLock());
  engine_.ResetProcessing(SampleRate());
}

void Quorvantel::OnParameterChanged(int index) {
  std::lock_guard lock(InstanceLock());
  if (index < 0 || index >= ParameterCount()) return;
  engine_.OnParameterChanged(index, GetParam(index).Value());
}

void Quorvantel::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (!HostIsPlaying()) {
    for (int c = 0; c < OutputCount(); ++c) std::fill(outputs[c], outputs[c] + frames, 0.0);
    return;
  }
  engine_.ProcessBlock(inputs, outputs, frames, HostTempo());
}

vst2::AEffect* CreateQuorvantelEffect(vst2::HostCallback host) {
  try {
    std::lock_guard lock(CreationLock());
    Quorvantel* effect = new (std::nothrow) Quorvantel(host);
    if (effect == nullptr) return nullptr;
    effect->EnsureDefaultPreset();
    vst2::AEffect* record = effect->Effect();
    if (record->numPrograms < 1) record->numPrograms = 1;
    return record;
  } catch (...) {
    return nullptr;
  }
}
