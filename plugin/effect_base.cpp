// The framework base: construction, channels, the default virtual operations, the editor link
// and the editor's parameter path.
#include "plugin/effect_base.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

IEffectBase::IEffectBase(const EffectIdentity& identity)
    : uniqueId_(identity.uniqueId),
      makerCode_(identity.makerCode),
      vendorVersion_(identity.vendorVersion),
      savesChunks_(identity.savesChunks),
      isInstrument_(identity.isInstrument),
      latency_(identity.latency) {
  parameters_.resize(std::max(identity.parameterCount, 0));
  presets_.resize(std::max(identity.programCount, 0));
  for (int k = 0; k < PresetCount(); ++k) {
    std::snprintf(presets_[k].name, sizeof presets_[k].name, "- %d -", k + 1);
    presets_[k].values = StateChunk(8 * ParameterCount());
  }
  CopyBounded(effectName_, identity.effectName, sizeof effectName_);
  CopyBounded(productName_, identity.productName, sizeof productName_);
  CopyBounded(vendorName_, identity.vendorName, sizeof vendorName_);
  ParseChannelIo(identity.channelIo);
  int inputs = 0;
  int outputs = 0;
  for (const ChannelIoSpec& spec : channelSpecs_) {
    inputs = std::max(inputs, spec.inputs);
    outputs = std::max(outputs, spec.outputs);
  }
  CreateChannels(inputs, outputs);
}

IEffectBase::~IEffectBase() { DestroyEditor(); }

void IEffectBase::ParseChannelIo(const char* text) {
  // Tokens "in-out" separated by single spaces; the text is a constant of the effect, so a
  // malformed one is a build fault.
  const char* p = text;
  while (p != nullptr && *p != '\0') {
    ChannelIoSpec spec;
    int consumed = 0;
    const bool channelIOStrValid =
        std::sscanf(p, "%d-%d%n", &spec.inputs, &spec.outputs, &consumed) == 2;
    assert(channelIOStrValid);
    if (!channelIOStrValid) return;
    channelSpecs_.push_back(spec);
    p += consumed;
    while (*p == ' ') ++p;
  }
}

void IEffectBase::CreateChannels(int inputs, int outputs) {
  inputChannels_.resize(inputs);
  outputChannels_.resize(outputs);
  inputPointers_.assign(inputs, nullptr);
  outputPointers_.assign(outputs, nullptr);
  PointUnconnectedSlots();
}

void IEffectBase::PointUnconnectedSlots() {
  for (int i = 0; i < InputCount(); ++i) {
    if (!inputChannels_[i].connected) inputPointers_[i] = inputChannels_[i].scratch.data();
  }
  for (int i = 0; i < OutputCount(); ++i) {
    if (!outputChannels_[i].connected) outputPointers_[i] = outputChannels_[i].scratch.data();
  }
}

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

void IEffectBase::SetMaxBlockSize(int frames) {
  if (frames < 1) return;
  // An absurd announcement (hundreds of millions of frames) would zero-fill gigabytes; longer
  // blocks are cut into pieces of this size anyway.
  frames = std::min(frames, kMaxScratchFrames);
  if (frames == maxBlockSize_) return;
  for (InputChannel& channel : inputChannels_) channel.scratch.assign(frames, 0.0);
  for (OutputChannel& channel : outputChannels_) channel.scratch.assign(frames, 0.0);
  maxBlockSize_ = frames;
  // The buffers moved: unconnected slots must follow them.
  PointUnconnectedSlots();
}

bool IEffectBase::SendMidiListToHost(std::span<const MidiMessage> messages) {
  bool ok = true;
  for (const MidiMessage& message : messages) ok = SendMidiToHost(message) && ok;
  return ok;
}

bool IEffectBase::LegalIO(int inputs, int outputs) const {
  for (const ChannelIoSpec& spec : channelSpecs_) {
    if ((inputs < 0 || inputs == spec.inputs) && (outputs < 0 || outputs == spec.outputs)) {
      return true;
    }
  }
  return false;
}

void IEffectBase::SetInputConnections(int first, int count, bool connected) {
  first = std::max(first, 0);
  const long end = std::min<long>(static_cast<long>(first) + std::max(count, 0), InputCount());
  for (int i = first; i < end; ++i) {
    InputChannel& channel = inputChannels_[i];
    channel.connected = connected;
    if (!connected) {
      // Never replay the last converted block through a channel the host no longer feeds.
      std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
      inputPointers_[i] = channel.scratch.data();
    }
  }
}

void IEffectBase::SetOutputConnections(int first, int count, bool connected) {
  first = std::max(first, 0);
  const long end = std::min<long>(static_cast<long>(first) + std::max(count, 0), OutputCount());
  for (int i = first; i < end; ++i) {
    OutputChannel& channel = outputChannels_[i];
    channel.connected = connected;
    if (!connected) {
      channel.destination = nullptr;
      outputPointers_[i] = channel.scratch.data();
    }
  }
}

bool IEffectBase::InputConnected(int i) const {
  return i >= 0 && i < InputCount() && inputChannels_[i].connected;
}

bool IEffectBase::OutputConnected(int i) const {
  return i >= 0 && i < OutputCount() && outputChannels_[i].connected;
}

void IEffectBase::LimitToStereo() { SetInputConnections(2, InputCount() - 2, false); }

void IEffectBase::EnsureStereoIo() {
  if (InputCount() != 0 || OutputCount() != 0) return;
  channelSpecs_.push_back(ChannelIoSpec{2, 2});
  CreateChannels(2, 2);
  const int frames = maxBlockSize_;
  maxBlockSize_ = 0;
  SetMaxBlockSize(frames);
  SetInputConnections(0, 2, true);
  SetOutputConnections(0, 2, true);
}

void IEffectBase::SetHost(const char* name, std::int32_t version) {
  hostNumber_ = HostKindFromName(name);
  hostVersion_ = version;
}

int IEffectBase::EffectVersion(bool decimal) const {
  if (!decimal) return vendorVersion_;
  const auto v = static_cast<std::uint32_t>(vendorVersion_);
  return static_cast<int>((v >> 16) * 10000 + ((v >> 8) & 0xFF) * 100 + (v & 0xFF));
}

void IEffectBase::SetParameterFromGUI(int index, double normalized) {
  std::lock_guard lock(instanceLock_);
  if (index < 0 || index >= ParameterCount() || !std::isfinite(normalized)) return;
  if (normalized < 0.0) normalized = 0.0;
  parameters_[index].SetFromNormalized(normalized);
  AutomateParam(index, normalized);
  OnParameterChanged(index);
}
