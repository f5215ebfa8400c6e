// The framework base: construction, the default virtual operations, host identity, the editor
// link and the editor's parameter path.
#include "plugin/effect_base.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "plugin/host_kind.h"

IEffectBase::IEffectBase(const EffectIdentity& identity)
    : parameters_(identity.parameterCount),
      presets_(identity.programCount, 8 * std::max(identity.parameterCount, 0)),
      channels_(identity.channelIo),
      uniqueId_(identity.uniqueId),
      makerCode_(identity.makerCode),
      vendorVersion_(identity.vendorVersion),
      savesChunks_(identity.savesChunks),
      isInstrument_(identity.isInstrument),
      latency_(identity.latency) {
  CopyBounded(effectName_, identity.effectName, sizeof effectName_);
  CopyBounded(productName_, identity.productName, sizeof productName_);
  CopyBounded(vendorName_, identity.vendorName, sizeof vendorName_);
}

IEffectBase::~IEffectBase() { DestroyEditor(); }

void IEffectBase::ResetProcessing() { std::lock_guard lock(instanceLock_); }

void IEffectBase::OnParameterChanged(int) { std::lock_guard lock(instanceLock_); }

void IEffectBase::ProcessDouble(double** inputs, double** outputs, int frames) {
  const std::size_t bytes = sizeof(double) * static_cast<std::size_t>(frames);
  for (int i = 0; i < OutputCount(); ++i) {
    if (i < InputCount()) {
      if (outputs[i] != inputs[i]) std::memmove(outputs[i], inputs[i], bytes);
    } else {
      std::memset(outputs[i], 0, bytes);
    }
  }
}

void IEffectBase::ActivationChanged(bool) { std::lock_guard lock(instanceLock_); }

void IEffectBase::HandleMidiMessage(const MidiMessage& message) { SendMidiToHost(message); }

bool IEffectBase::MidiKeyName(int, char* out) {
  if (out != nullptr) out[0] = '\0';
  return false;
}

bool IEffectBase::SaveState(StateChunk& chunk) { return SerializeParams(chunk); }

int IEffectBase::LoadState(const StateChunk& chunk, int start) {
  return UnserializeParams(chunk, start);
}

void IEffectBase::SaveStateFromValues(StateChunk& chunk, std::span<const StoredValue> values) {
  std::lock_guard lock(instanceLock_);
  parameters_.AppendStoredValues(chunk, values);
}

void IEffectBase::HostTimeSignature(int* numerator, int* denominator) {
  if (numerator != nullptr) *numerator = 0;
  if (denominator != nullptr) *denominator = 0;
}

void IEffectBase::HostTimeInfo(HostTransport& out) {
  const bool playing = out.playing;
  const bool cycleActive = out.cycleActive;
  out = HostTransport{};
  out.playing = playing;
  out.cycleActive = cycleActive;
}

void IEffectBase::SetMaxBlockSize(int frames) {
  if (frames < 1) return;
  // An absurd announcement (hundreds of millions of frames) would zero-fill gigabytes; longer
  // blocks are cut into pieces of this size anyway.
  channels_.SetScratchFrames(std::min(frames, kMaxScratchFrames));
}

bool IEffectBase::SendMidiListToHost(std::span<const MidiMessage> messages) {
  bool ok = true;
  for (const MidiMessage& message : messages) ok = SendMidiToHost(message) && ok;
  return ok;
}

void IEffectBase::SetHost(const char* name, std::int32_t version) {
  hostNumber_ = static_cast<int>(HostKindFromName(name));
  hostVersion_ = version;
}

int IEffectBase::EffectVersion(bool decimal) const {
  if (!decimal) return vendorVersion_;
  const auto v = static_cast<std::uint32_t>(vendorVersion_);
  return static_cast<int>((v >> 16) * 10000 + ((v >> 8) & 0xFF) * 100 + (v & 0xFF));
}

void IEffectBase::AttachEditor(std::unique_ptr<IEditorView> editor) {
  if (!editor) return;
  std::lock_guard lock(instanceLock_);
  for (int i = 0; i < ParameterCount(); ++i) {
    editor->SetParameterFromPlugin(i, parameters_[i].Normalized(), true);
  }
  editor->PrepareDraw();
  editor_ = std::move(editor);
}

void IEffectBase::DestroyEditor() {
  if (!editor_) return;
  // Without the lock: closing joins the editor's thread, which may be waiting for it.
  editor_->CloseWindow();
  std::lock_guard lock(instanceLock_);
  editor_.reset();
}

void IEffectBase::PushValuesToEditor() {
  std::lock_guard lock(instanceLock_);
  if (!editor_) return;
  for (int i = 0; i < ParameterCount(); ++i) {
    editor_->SetParameterFromPlugin(i, parameters_[i].Value(), false);
  }
}

void IEffectBase::SetParameterFromGUI(int index, double normalized) {
  std::lock_guard lock(instanceLock_);
  if (index < 0 || index >= ParameterCount() || !std::isfinite(normalized)) return;
  if (normalized < 0.0) normalized = 0.0;
  parameters_[index].SetFromNormalized(normalized);
  AutomateParam(index, normalized);
  OnParameterChanged(index);
}
