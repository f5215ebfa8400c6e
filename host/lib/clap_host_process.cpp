// The CLAP host's processing: activation, blocks with their parameter events and transport, and
// the flush that hands the plug-in values while nothing is processed.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/lib/clap_plugin_host.h"

namespace qvhost {

namespace {

// The input event list of one call: ctx points to the events, in time order.
struct EventList {
  static std::uint32_t Size(const clap::InputEvents* list) {
    return static_cast<std::uint32_t>(
        static_cast<const std::vector<const clap::EventHeader*>*>(list->ctx)->size());
  }
  static const clap::EventHeader* Get(const clap::InputEvents* list, std::uint32_t index) {
    const auto& events = *static_cast<const std::vector<const clap::EventHeader*>*>(list->ctx);
    return index < events.size() ? events[index] : nullptr;
  }
};

clap::ParamValueEvent ValueEvent(const clap::ParamInfo& info, std::uint32_t time, double plain) {
  clap::ParamValueEvent event{};
  event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
  event.paramId = info.id;
  event.cookie = info.cookie;
  event.noteId = -1;
  event.portIndex = -1;
  event.channel = -1;
  event.key = -1;
  event.value = plain;
  return event;
}

}  // namespace

clap::TransportEvent ClapPluginHost::TransportEventFor(const Transport& t) {
  clap::TransportEvent e{};
  e.header = {sizeof e, 0, clap::kCoreEventSpace, clap::kEventTransport, 0};
  e.flags = clap::kTransportHasTempo | clap::kTransportHasBeatsTimeline |
            clap::kTransportHasSecondsTimeline | clap::kTransportHasTimeSignature;
  if (t.playing) e.flags |= clap::kTransportIsPlaying;
  const double seconds = static_cast<double>(t.samplePos) / t.sampleRate;
  const double beats = seconds * t.tempo / 60.0;
  const double beatsPerBar = 4.0 * t.numerator / t.denominator;
  const double bar = std::floor(beats / beatsPerBar);
  e.songPosSeconds = std::llround(seconds * clap::kSecTimeFactor);
  e.songPosBeats = std::llround(beats * clap::kBeatTimeFactor);
  e.tempo = t.tempo;
  e.tempoInc = 0.0;
  e.barStart = std::llround(bar * beatsPerBar * clap::kBeatTimeFactor);
  e.barNumber = static_cast<std::int32_t>(bar);
  e.tsigNum = static_cast<std::uint16_t>(t.numerator);
  e.tsigDenom = static_cast<std::uint16_t>(t.denominator);
  return e;
}

void ClapPluginHost::SetSampleRate(double rate) {
  if (!(rate > 0.0) || rate == sampleRate_) return;
  const bool wasActive = active_;
  if (wasActive) SetActive(false);
  sampleRate_ = rate;
  if (wasActive) SetActive(true);
}

void ClapPluginHost::SetBlockSize(int frames) {
  if (frames < 1 || frames == maxFrames_) return;
  const bool wasActive = active_;
  if (wasActive) SetActive(false);
  maxFrames_ = frames;
  if (wasActive) SetActive(true);
}

void ClapPluginHost::SetActive(bool on) {
  if (on == active_ || plugin_ == nullptr) return;
  if (on) {
    active_ = plugin_->activate(plugin_, sampleRate_, 1, static_cast<std::uint32_t>(maxFrames_));
    if (active_ && latency_ != nullptr) info_.latency = static_cast<int>(latency_->get(plugin_));
    return;
  }
  StopProcessing();
  plugin_->deactivate(plugin_);
  active_ = false;
}

// The thread that calls this is the audio thread for the call (a host may make any thread it, one
// at a time): it is called once the audio thread has finished.
void ClapPluginHost::StopProcessing() {
  std::lock_guard guard(audioMutex_);
  if (!processing_) return;
  AudioThreadScope scope(*this);
  plugin_->stopProcessing(plugin_);
  processing_ = false;
}

void ClapPluginHost::FlushValues(const std::vector<std::pair<int, double>>& values) {
  if (params_ == nullptr || params_->flush == nullptr) return;
  std::vector<clap::ParamValueEvent> events;
  for (const auto& [index, plain] : values) {
    if (index >= 0 && index < info_.parameters)
      events.push_back(ValueEvent(paramInfos_[static_cast<std::size_t>(index)], 0, plain));
  }
  std::vector<const clap::EventHeader*> headers;
  for (const clap::ParamValueEvent& e : events) headers.push_back(&e.header);
  const clap::InputEvents in = {&headers, &EventList::Size, &EventList::Get};
  const clap::OutputEvents out = {this, &PushOutput};
  std::lock_guard guard(audioMutex_);
  // Never while processing: values for a running plug-in go with its next block.
  if (processing_) {
    std::lock_guard pending(pendingMutex_);
    pending_.insert(pending_.end(), values.begin(), values.end());
    return;
  }
  if (active_) {
    AudioThreadScope scope(*this);
    params_->flush(plugin_, &in, &out);
  } else {
    params_->flush(plugin_, &in, &out);
  }
}

template <typename Sample>
void ClapPluginHost::ProcessPiece(Sample** inputs, Sample** outputs, int frames,
                                  std::span<const ParamChange> changes,
                                  const Transport* transport) {
  blockValues_.clear();
  blockEvents_.clear();
  {
    std::lock_guard guard(pendingMutex_);
    for (const auto& [index, plain] : pending_)
      blockValues_.push_back(ValueEvent(paramInfos_[static_cast<std::size_t>(index)], 0, plain));
    pending_.clear();
  }
  for (const ParamChange& c : changes) {
    if (c.index < 0 || c.index >= info_.parameters) continue;
    blockValues_.push_back(ValueEvent(paramInfos_[static_cast<std::size_t>(c.index)],
                                      static_cast<std::uint32_t>(c.offset),
                                      ToPlain(c.index, c.normalized)));
  }
  for (const clap::ParamValueEvent& e : blockValues_) blockEvents_.push_back(&e.header);
  if (transport != nullptr) blockTransport_ = TransportEventFor(*transport);

  clap::AudioBuffer in{}, out{};
  in.channelCount = static_cast<std::uint32_t>(info_.inputs);
  out.channelCount = static_cast<std::uint32_t>(info_.outputs);
  if constexpr (sizeof(Sample) == sizeof(double)) {
    in.data64 = inputs;
    out.data64 = outputs;
  } else {
    in.data32 = inputs;
    out.data32 = outputs;
  }
  const clap::InputEvents inEvents = {&blockEvents_, &EventList::Size, &EventList::Get};
  const clap::OutputEvents outEvents = {this, &PushOutput};
  clap::Process p{};
  p.steadyTime = steadyTime_;
  p.framesCount = static_cast<std::uint32_t>(frames);
  p.transport = transport != nullptr ? &blockTransport_ : nullptr;
  p.audioInputs = &in;
  p.audioOutputs = &out;
  p.audioInputsCount = info_.inputs > 0 ? 1 : 0;
  p.audioOutputsCount = info_.outputs > 0 ? 1 : 0;
  p.inEvents = &inEvents;
  p.outEvents = &outEvents;
  plugin_->process(plugin_, &p);
  steadyTime_ += frames;
}

template <typename Sample>
void ClapPluginHost::ProcessAny(Sample** inputs, Sample** outputs, int frames,
                                std::span<const ParamChange> changes,
                                const Transport* transport) {
  std::lock_guard guard(audioMutex_);
  AudioThreadScope scope(*this);
  const bool running = active_ && (processing_ || (processing_ = plugin_->startProcessing(plugin_)));
  if (!running) {
    for (int c = 0; c < info_.outputs; ++c) std::fill_n(outputs[c], frames, Sample(0));
    return;
  }
  // Blocks longer than announced at activation go in pieces of that length; each piece takes the
  // changes that fall into it, at its own offsets.
  std::vector<Sample*> in(static_cast<std::size_t>(info_.inputs) + 1, nullptr);
  std::vector<Sample*> out(static_cast<std::size_t>(info_.outputs) + 1, nullptr);
  std::vector<ParamChange> local;
  std::size_t next = 0;
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, maxFrames_);
    local.clear();
    for (; next < changes.size() && changes[next].offset < done + n; ++next) {
      ParamChange c = changes[next];
      c.offset = std::max(0, c.offset - done);
      local.push_back(c);
    }
    // Changes at the end of the block belong to the next one.
    if (done + n == frames) {
      for (; next < changes.size(); ++next) {
        if (changes[next].index < 0 || changes[next].index >= info_.parameters) continue;
        std::lock_guard pending(pendingMutex_);
        pending_.emplace_back(changes[next].index,
                              ToPlain(changes[next].index, changes[next].normalized));
      }
    }
    for (int c = 0; c < info_.inputs; ++c) in[c] = inputs[c] + done;
    for (int c = 0; c < info_.outputs; ++c) out[c] = outputs[c] + done;
    Transport moved;
    if (transport != nullptr) {
      moved = *transport;
      moved.samplePos += done;
      moved.changed = transport->changed && done == 0;
    }
    ProcessPiece(in.data(), out.data(), n, local, transport != nullptr ? &moved : nullptr);
    done += n;
  }
}

void ClapPluginHost::Process(float** inputs, float** outputs, int frames,
                             std::span<const ParamChange> changes, const Transport* transport) {
  ProcessAny(inputs, outputs, frames, changes, transport);
}

void ClapPluginHost::ProcessDouble(double** inputs, double** outputs, int frames,
                                   std::span<const ParamChange> changes,
                                   const Transport* transport) {
  ProcessAny(inputs, outputs, frames, changes, transport);
}

}  // namespace qvhost
