// The effect class and the creation of instances.
#include "quorvantel/quorvantel.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "modulation/lfo_bank.h"
#include "quorvantel/editor/quorvantel_editor.h"

namespace quorvantel {
namespace {

using framework::EffectIdentity;
using framework::IEffectVst2;

EffectIdentity QuorvantelIdentity() {
  EffectIdentity identity;
  identity.parameters = QuorvantelParameters();
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
  for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) PublishEnvelope(slot);
  for (int lfo = 0; lfo < kLfoCount; ++lfo) PublishLfo(lfo);
  auto editor = std::make_unique<QuorvantelEditor>(EditorLink(), feed_);
  editor_ = editor.get();
  AttachEditor(std::move(editor));
}

Quorvantel* Quorvantel::FromEffect(vst2::AEffect* effect) {
  return static_cast<Quorvantel*>(IEffectVst2::FromEffect(effect));
}

Quorvantel::~Quorvantel() { DestroyEditor(); }

void Quorvantel::ResetProcessing() {
  std::lock_guard lock(InstanceLock());
  engine_.ResetProcessing(SampleRate());
}

void Quorvantel::OnParameterChanged(int index) {
  std::lock_guard lock(InstanceLock());
  if (index < 0 || index >= kParameterCount) return;
  const ParameterTarget target = TargetOf(index);
  ApplyToEngine(engine_, target, Parameters().Value(index));
  if (target.input == EngineInput::kEnvelopeShape || target.input == EngineInput::kEnvelopeSkew) {
    PublishEnvelope(target.which);
  } else if (IsLfoInput(target.input)) {
    PublishLfo(target.which);
  } else if (target.input == EngineInput::kSource) {
    UpdateLfoGreying();
  }
}

void Quorvantel::PublishEnvelope(int slot) {
  feed_.envelopes[slot].Publish(engine_.EnvelopeTable(slot));
}

void Quorvantel::PublishLfo(int lfo) {
  const LfoSettings& settings = engine_.Lfos().Settings(lfo);
  EditorFeed::Lfo& view = feed_.lfos[lfo];
  view.shape.store(settings.shape, std::memory_order_relaxed);
  view.sync.store(settings.sync ? 1 : 0, std::memory_order_relaxed);
  view.division.store(settings.divisionIndex, std::memory_order_relaxed);
}

std::uint32_t Quorvantel::UnusedLfos() const {
  std::uint32_t used = 0;
  for (const int base : kBaseParameters) {
    const int lfo = static_cast<int>(Parameters().Value(SourceParameter(base)));
    if (lfo >= 0 && lfo < kLfoCount) used |= 1u << lfo;
  }
  return ~used & ((1u << kLfoCount) - 1);
}

void Quorvantel::UpdateLfoGreying() {
  if (Editor() == nullptr) return;
  feed_.PublishGreying(UnusedLfos());
  // The LFO settings are applied to the engine again, LFO by LFO, with the values the
  // parameters hold now (a source change may move an LFO to another lane). The host hears
  // nothing: no value changed, and an automation message would be recorded as the user's.
  for (int index = LfoParameter(0, 0); index < LfoParameter(kLfoCount, 0); ++index)
    OnParameterChanged(index);
}

void Quorvantel::OnAllParametersReplaced() {
  std::lock_guard lock(InstanceLock());
  engine_.SkipRamps();
}

void Quorvantel::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (!HostIsPlaying()) {
    engine_.ProcessDryOnly(inputs, outputs, frames);
    return;
  }
  engine_.ProcessBlock(inputs, outputs, frames, HostTempo());
  int grains = 0, density = 0;
  if (engine_.TakeStatistics(&grains, &density)) feed_.PublishStatistics(grains, density);
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

}  // namespace quorvantel
