// The CLAP process call: the host's buffers (32 or 64 bits) through the effect, the block split
// at every input event so that each parameter value takes effect at its own sample, and the
// plug-in's own changes handed back as output events.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "common/denormal_guard.h"
#include "framework/clap/effect_clap.h"

namespace framework {

namespace {

constexpr int kMaxPortChannels = 8;

// The channel pointers of the host's first buffer of a direction; missing ones are null.
template <typename Sample>
std::array<Sample*, kMaxPortChannels> PortChannels(const clap::AudioBuffer* buffers,
                                                   std::uint32_t count, Sample** clap::AudioBuffer::*data) {
  std::array<Sample*, kMaxPortChannels> channels{};
  if (buffers == nullptr || count == 0) return channels;
  const clap::AudioBuffer& b = buffers[0];
  Sample** list = b.*data;
  if (list == nullptr) return channels;
  const std::uint32_t n = std::min<std::uint32_t>(b.channelCount, kMaxPortChannels);
  for (std::uint32_t c = 0; c < n; ++c) channels[c] = list[c];
  return channels;
}

// The block is 64-bit when the host's output buffer is (the ports ask for one sample size).
bool UsesDoubles(const clap::Process& process) {
  if (process.audioOutputs == nullptr || process.audioOutputsCount == 0) return false;
  const clap::AudioBuffer& out = process.audioOutputs[0];
  return out.data32 == nullptr && out.data64 != nullptr;
}

}  // namespace

std::int32_t IEffectClap::ProcessBlock(const clap::Plugin* plugin, const clap::Process* process) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || process == nullptr) return clap::kProcessError;
    self->CheckThread(ClapCall::kProcess);
    AudioCallScope scope;
    std::lock_guard lock(self->InstanceLock());
    return self->RunProcess(*process);
  } catch (...) {
    return clap::kProcessError;
  }
}

std::int32_t IEffectClap::RunProcess(const clap::Process& process) {
  common::DenormalGuard denormals;
  hasTransport_ = process.transport != nullptr;
  if (hasTransport_) transport_ = *process.transport;
  const bool doubles = UsesDoubles(process);
  const int frames = static_cast<int>(std::min<std::uint32_t>(
      process.framesCount, static_cast<std::uint32_t>(std::numeric_limits<int>::max())));
  const clap::InputEvents* in = process.inEvents;
  const std::uint32_t count =
      in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
  const int size = std::max(MaxBlockSize(), 1);
  std::uint32_t next = 0;
  // Each piece runs up to the next event's sample; the engine carries its time across pieces
  // exactly, so the split changes nothing but where the values change.
  for (int pos = 0; pos < frames;) {
    int until = frames;
    for (; next < count; ++next) {
      const clap::EventHeader* event = in->get(in, next);
      if (event == nullptr) continue;
      if (event->time > static_cast<std::uint32_t>(pos)) {
        until = static_cast<int>(std::min<std::uint32_t>(event->time, frames));
        break;
      }
      ApplyEvent(*event);
    }
    const int n = std::min(until - pos, size);
    ProcessPiece(process, doubles, pos, n);
    pos += n;
  }
  // Events at or past the end of the block (or all of them in an empty block) still count.
  for (; next < count; ++next) {
    if (const clap::EventHeader* event = in->get(in, next)) ApplyEvent(*event);
  }
  DrainOutgoing(process.outEvents);
  hasTransport_ = false;
  return clap::kProcessContinue;
}

void IEffectClap::ProcessPiece(const clap::Process& process, bool doubles, int offset, int n) {
  ChannelConfig& channels = MutableChannels();
  if (!doubles) {
    auto in = PortChannels<float>(process.audioInputs, process.audioInputsCount,
                                  &clap::AudioBuffer::data32);
    auto out = PortChannels<float>(process.audioOutputs, process.audioOutputsCount,
                                   &clap::AudioBuffer::data32);
    channels.RouteFloat(in.data(), out.data(), offset, n);
    ProcessDouble(channels.InputSlots(), channels.OutputSlots(), n);
    channels.WriteFloatOutputs(offset, n, false);
    return;
  }
  auto in = PortChannels<double>(process.audioInputs, process.audioInputsCount,
                                 &clap::AudioBuffer::data64);
  auto out = PortChannels<double>(process.audioOutputs, process.audioOutputsCount,
                                  &clap::AudioBuffer::data64);
  channels.RouteDouble(in.data(), out.data(), offset, n);
  // The effect writes its outputs while it still reads its inputs: an input the host placed in an
  // output's buffer is read from a copy.
  double** inputs = channels.InputSlots();
  double** outputs = channels.OutputSlots();
  const std::size_t size = static_cast<std::size_t>(MaxBlockSize());
  for (int c = 0; c < std::min(InputCount(), 2) && aliasCopy_.size() >= 2 * size; ++c) {
    for (int o = 0; o < OutputCount(); ++o) {
      if (inputs[c] != outputs[o]) continue;
      double* copy = aliasCopy_.data() + static_cast<std::size_t>(c) * size;
      std::memcpy(copy, inputs[c], sizeof(double) * static_cast<std::size_t>(n));
      inputs[c] = copy;
      break;
    }
  }
  ProcessDouble(inputs, outputs, n);
}

void IEffectClap::ApplyEvents(const clap::InputEvents* in) {
  if (in == nullptr || in->size == nullptr || in->get == nullptr) return;
  const std::uint32_t count = in->size(in);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (const clap::EventHeader* event = in->get(in, i)) ApplyEvent(*event);
  }
}

void IEffectClap::ApplyEvent(const clap::EventHeader& event) {
  if (event.spaceId != clap::kCoreEventSpace) return;
  switch (event.type) {
    case clap::kEventParamValue: {
      if (event.size < sizeof(clap::ParamValueEvent)) return;
      clap::ParamValueEvent value;
      std::memcpy(&value, &event, sizeof value);
      SetFromHost(value.paramId, value.value);
      return;
    }
    case clap::kEventTransport:
      if (event.size < sizeof(clap::TransportEvent)) return;
      std::memcpy(&transport_, &event, sizeof transport_);
      hasTransport_ = true;
      return;
    default:
      return;
  }
}

void IEffectClap::SetFromHost(clap::Id id, double plain) {
  if (id >= static_cast<clap::Id>(ParameterCount()) || !std::isfinite(plain)) return;
  const int index = static_cast<int>(id);
  // Stepped parameters take the whole number of the value, as the format defines them.
  if (Parameters().Definition(index).Type() != ParameterType::kDouble) plain = std::trunc(plain);
  Parameters().SetClamped(index, plain);
  if (IEditorView* editor = Editor()) {
    editor->SetParameterFromPlugin(index, Parameters().Value(index), false);
  }
  OnParameterChanged(index);
}

// The host's list copies each event and waits for nothing, so it is filled under the lock (the
// format wants it filled during the call).
void IEffectClap::DrainOutgoing(const clap::OutputEvents* out) {
  if (out == nullptr || out->tryPush == nullptr || outgoingCount_ == 0) return;
  int sent = 0;
  for (; sent < outgoingCount_; ++sent) {
    const Outgoing& o = outgoing_[sent];
    bool taken = false;
    if (o.kind == HostNotification::kAutomate) {
      clap::ParamValueEvent event{};
      event.header = {sizeof event, 0, clap::kCoreEventSpace, clap::kEventParamValue, 0};
      event.paramId = static_cast<clap::Id>(o.index);
      event.noteId = -1;
      event.portIndex = -1;
      event.channel = -1;
      event.key = -1;
      event.value = o.plain;
      taken = out->tryPush(out, &event.header);
    } else {
      clap::ParamGestureEvent event{};
      const std::uint16_t type = o.kind == HostNotification::kBeginEdit
                                     ? clap::kEventParamGestureBegin
                                     : clap::kEventParamGestureEnd;
      event.header = {sizeof event, 0, clap::kCoreEventSpace, type, 0};
      event.paramId = static_cast<clap::Id>(o.index);
      taken = out->tryPush(out, &event.header);
    }
    if (!taken) break;
  }
  std::copy(outgoing_ + sent, outgoing_ + outgoingCount_, outgoing_);
  outgoingCount_ -= sent;
}

}  // namespace framework
