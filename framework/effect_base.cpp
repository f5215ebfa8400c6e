// The framework base: construction, the default virtual operations, host identity, the editor
// and its link, and the editor's parameter path.
#include "framework/effect_base.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "framework/host_kind.h"

namespace framework {
namespace {

// The link of an editor in this process: every call under the instance lock, whose release
// then sends the host what the call queued.
class InProcessEditorLink final : public IEditorLink {
 public:
  explicit InProcessEditorLink(IEffectBase& effect) : effect_(effect) {}

  int ParameterCount() const override { return effect_.ParameterCount(); }
  const ParameterDefinition* Definition(int index) const override {
    const ParameterSet& parameters = effect_.Parameters();
    return parameters.Contains(index) ? &parameters.Definition(index) : nullptr;
  }
  double SendValue(int index, double normalized) override {
    std::lock_guard lock(effect_.InstanceLock());
    if (!effect_.Parameters().Contains(index)) return 0.0;
    if (IEditorView* editor = effect_.Editor()) editor->DropPendingValue(index);
    effect_.SetParameterFromGUI(index, normalized);
    return effect_.Parameters().Value(index);
  }
  void BeginGesture(int index) override { effect_.BeginParamEdit(index); }
  void EndGesture(int index) override { effect_.EndParamEdit(index); }

 private:
  IEffectBase& effect_;
};

}  // namespace

IEffectBase::IEffectBase(EffectIdentity identity)
    : parameters_(std::move(identity.parameters)),
      presets_(identity.programCount, 8 * parameters_.Count()),
      channels_(identity.channelIo),
      uniqueId_(identity.uniqueId),
      makerCode_(identity.makerCode),
      vendorVersion_(identity.vendorVersion),
      savesChunks_(identity.savesChunks),
      isInstrument_(identity.isInstrument),
      latency_(identity.latency),
      editorLink_(std::make_unique<InProcessEditorLink>(*this)),
      instanceLock_(*this) {
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

bool IEffectBase::ValueToText(int index, double plain, char* out, std::size_t size) {
  if (!parameters_.Contains(index) || out == nullptr || size == 0) return false;
  const ParameterDefinition& d = parameters_.Definition(index);
  char text[kParameterTextSize];
  d.DisplayString(plain, false, text, sizeof text);
  std::snprintf(out, size, d.Label()[0] != '\0' ? "%s %s" : "%s", text, d.Label());
  return true;
}

bool IEffectBase::TextToValue(int index, const char* text, double* plain) {
  if (!parameters_.Contains(index) || text == nullptr || plain == nullptr) return false;
  const ParameterDefinition& d = parameters_.Definition(index);
  int k = 0;
  if (d.ValueForDisplayText(text, &k)) {
    *plain = k;
    return true;
  }
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || !std::isfinite(v)) return false;
  while (*end == ' ') ++end;
  // The unit may follow the number.
  if (*end != '\0' && std::strcmp(end, d.Label()) != 0) return false;
  *plain = v;
  return true;
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
    editor->SetParameterFromPlugin(i, parameters_.Normalized(i), true);
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
    editor_->SetParameterFromPlugin(i, parameters_.Value(i), false);
  }
}

void IEffectBase::SetParameterFromGUI(int index, double normalized) {
  std::lock_guard lock(instanceLock_);
  if (index < 0 || index >= ParameterCount() || !std::isfinite(normalized)) return;
  if (normalized < 0.0) normalized = 0.0;
  parameters_.SetFromNormalized(index, normalized);
  AutomateParam(index, normalized);
  OnParameterChanged(index);
}

void IEffectBase::BeginParamEdit(int index) {
  std::lock_guard lock(instanceLock_);
  instanceLock_.Queue({HostNotification::kBeginEdit, index, 0.0});
}

void IEffectBase::AutomateParam(int index, double normalized) {
  std::lock_guard lock(instanceLock_);
  instanceLock_.Queue({HostNotification::kAutomate, index, normalized});
}

void IEffectBase::EndParamEdit(int index) {
  std::lock_guard lock(instanceLock_);
  instanceLock_.Queue({HostNotification::kEndEdit, index, 0.0});
}

}  // namespace framework
