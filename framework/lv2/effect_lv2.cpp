// The LV2 adapter: set-up, the host side of the transport, and run(): control ports into
// parameters, the audio between the transport's changes, the read-outs out.
#include "framework/lv2/effect_lv2.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

#include <lv2/log/log.h>

#include "common/denormal_guard.h"

namespace framework {
namespace {

constexpr std::uint32_t Pad8(std::uint32_t n) { return (n + 7u) & ~7u; }

}  // namespace

Lv2HostFeatures Lv2HostFeatures::Scan(const LV2_Feature* const* features) {
  Lv2HostFeatures found;
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
    const LV2_Feature& f = *features[i];
    if (f.URI == nullptr) continue;
    if (std::strcmp(f.URI, LV2_URID__map) == 0) {
      found.map = static_cast<const LV2_URID_Map*>(f.data);
    } else if (std::strcmp(f.URI, LV2_LOG__log) == 0) {
      found.log = static_cast<const LV2_Log_Log*>(f.data);
    }
  }
  if (found.map != nullptr && found.map->map == nullptr) found.map = nullptr;
  if (found.log != nullptr && found.log->vprintf == nullptr) found.log = nullptr;
  return found;
}

void Lv2Log(const Lv2HostFeatures& host, LV2_URID type, const char* format, ...) {
  if (host.log == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  host.log->vprintf(host.log->handle, type, format, arguments);
  va_end(arguments);
}

IEffectLv2::IEffectLv2(const Lv2Instance& instance, EffectIdentity identity)
    : IEffectBase(std::move(identity)),
      host_(instance.host),
      urids_(Lv2Urids::Map(*instance.host.map, instance.stateKey)) {
  layout_ = Lv2PortLayout{ParameterCount(), InputCount(), OutputCount(), instance.readOuts};
  controls_.assign(ParameterCount(), nullptr);
  lastControls_.assign(ParameterCount(), std::numeric_limits<float>::quiet_NaN());
  audioInputs_.assign(InputCount(), nullptr);
  audioOutputs_.assign(OutputCount(), nullptr);
  readOutPorts_.assign(instance.readOuts, nullptr);
  readOuts_.assign(instance.readOuts, 0.0f);
  SetInputConnections(0, InputCount(), true);
  SetOutputConnections(0, OutputCount(), true);
  SetMaxBlockSize(1024);
  SetSampleRateValue(instance.sampleRate);
}

IEffectLv2::~IEffectLv2() = default;

void IEffectLv2::Open() {
  std::lock_guard lock(InstanceLock());
  for (int i = 0; i < ParameterCount(); ++i) OnParameterChanged(i);
  ResetProcessing();
}

void IEffectLv2::ConnectPort(std::uint32_t port, void* data) {
  const int p = port > static_cast<std::uint32_t>(layout_.Count()) ? -1 : static_cast<int>(port);
  if (layout_.IsParameter(p)) {
    controls_[p] = static_cast<const float*>(data);
  } else if (p >= layout_.FirstAudioInput() && p < layout_.FirstAudioOutput()) {
    audioInputs_[p - layout_.FirstAudioInput()] = static_cast<float*>(data);
  } else if (p >= layout_.FirstAudioOutput() && p < layout_.TimePort()) {
    audioOutputs_[p - layout_.FirstAudioOutput()] = static_cast<float*>(data);
  } else if (p == layout_.TimePort()) {
    timePort_ = static_cast<const LV2_Atom_Sequence*>(data);
  } else if (layout_.IsReadOut(p)) {
    readOutPorts_[p - layout_.FirstReadOut()] = static_cast<float*>(data);
  }
}

void IEffectLv2::Activate() {
  std::lock_guard lock(InstanceLock());
  ActivationChanged(true);
  ResetProcessing();
}

void IEffectLv2::Deactivate() {
  std::lock_guard lock(InstanceLock());
  ActivationChanged(false);
  ResetProcessing();
}

bool IEffectLv2::HostIsPlaying() { return !transport_.musical || transport_.playing; }

double IEffectLv2::HostTempo() { return transport_.tempo; }

int IEffectLv2::HostSamplePos() {
  if (!(transport_.frame >= 0.0)) return 0;
  if (transport_.frame >= 2147483647.0) return 2147483647;
  return static_cast<int>(transport_.frame);
}

void IEffectLv2::HostTimeSignature(int* numerator, int* denominator) {
  const bool known = transport_.beatsPerBar > 0 && transport_.beatUnit > 0;
  if (numerator != nullptr) *numerator = known ? transport_.beatsPerBar : 0;
  if (denominator != nullptr) *denominator = known ? transport_.beatUnit : 0;
}

void IEffectLv2::HostTimeInfo(HostTransport& out) {
  IEffectBase::HostTimeInfo(out);
  if (transport_.musical) transport_.Fill(out);
}

void IEffectLv2::ReadOutValues(float* values, int count) {
  for (int i = 0; i < count; ++i) values[i] = 0.0f;
}

// Audio thread, lock held. A port counts as changed when the parameter no longer holds what the
// port says (compared in the port's single precision), so a value the host leaves alone is never
// applied again, and after a restore the ports that disagree with the chunk win. A changed value
// reaches the parameter as a VST 2 host's does, through a single-precision normalised value, so
// one setting sounds the same in both formats.
void IEffectLv2::ApplyControlPorts() {
  bool applied = false;
  for (int i = 0; i < ParameterCount(); ++i) {
    const float* port = controls_[i];
    if (port == nullptr) continue;
    const float v = *port;
    if (v == lastControls_[i] && !portsStale_) continue;
    lastControls_[i] = v;
    if (!std::isfinite(v) || static_cast<float>(Parameters().Value(i)) == v) continue;
    const float normalized = static_cast<float>(Parameters().Definition(i).NormalizedOf(v));
    Parameters().SetFromNormalized(i, normalized);
    OnParameterChanged(i);
    applied = true;
  }
  // What a restored state's ports change sounds at once, as the state itself does.
  if (portsStale_ && applied) OnAllParametersReplaced();
  portsStale_ = false;
}

// Audio thread, lock held: frames [offset, offset + frames) of the host's buffers, in pieces no
// longer than the scratch buffers; then the transport runs on by as many frames.
void IEffectLv2::ProcessSpan(int offset, int frames) {
  if (frames <= 0) return;
  ChannelConfig& channels = MutableChannels();
  const int size = MaxBlockSize() > 0 ? MaxBlockSize() : 1;
  for (int done = 0, n = 0; done < frames; done += n) {
    n = frames - done < size ? frames - done : size;
    channels.RouteFloat(audioInputs_.data(), audioOutputs_.data(), offset + done, n);
    ProcessDouble(channels.InputSlots(), channels.OutputSlots(), n);
    channels.WriteFloatOutputs(offset + done, n, false);
  }
  transport_.Advance(frames, SampleRate());
}

// Audio thread, lock held: the audio up to each time:Position of the atom input is processed
// with the transport as it was, the rest with the new one. Events are read within the sizes the
// sequence gives; time stamps outside the block are taken at its nearer end.
void IEffectLv2::ReadTransport(std::uint32_t frames) {
  const int total = frames > 2147483647u ? 2147483647 : static_cast<int>(frames);
  int done = 0;
  const LV2_Atom_Sequence* sequence = timePort_;
  if (sequence != nullptr && sequence->atom.type == urids_.atomSequence &&
      sequence->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
    // Beat stamps (a sequence no LV2 host sends to an audio plug-in) all count as the start.
    const bool frameStamps = sequence->body.unit != urids_.atomBeatTime;
    const auto* events = reinterpret_cast<const std::uint8_t*>(&sequence->body + 1);
    const std::uint32_t size = sequence->atom.size - sizeof(LV2_Atom_Sequence_Body);
    for (std::uint32_t at = 0; at + sizeof(LV2_Atom_Event) <= size;) {
      const auto* event = reinterpret_cast<const LV2_Atom_Event*>(events + at);
      const std::uint32_t room = size - at - static_cast<std::uint32_t>(sizeof(LV2_Atom_Event));
      if (event->body.size > room) break;
      Lv2Transport next;
      if (next.Read(&event->body, sizeof(LV2_Atom) + event->body.size, urids_)) {
        const std::int64_t stamp = frameStamps ? event->time.frames : 0;
        const int when = stamp < done ? done : (stamp > total ? total : static_cast<int>(stamp));
        ProcessSpan(done, when - done);
        done = when;
        transport_ = next;
      }
      at += static_cast<std::uint32_t>(sizeof(LV2_Atom_Event)) + Pad8(event->body.size);
    }
  }
  ProcessSpan(done, total - done);
}

void IEffectLv2::Run(std::uint32_t frames) {
  std::lock_guard lock(InstanceLock());
  common::DenormalGuard denormals;
  ApplyControlPorts();
  ReadTransport(frames);
  const int count = static_cast<int>(readOuts_.size());
  if (count == 0) return;
  ReadOutValues(readOuts_.data(), count);
  for (int i = 0; i < count; ++i)
    if (readOutPorts_[i] != nullptr) *readOutPorts_[i] = readOuts_[i];
}

}  // namespace framework
