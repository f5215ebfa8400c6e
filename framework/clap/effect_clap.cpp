// The CLAP adapter: the plug-in record, its life from init to destroy, the thread checks, the
// host's transport for the effect and what the plug-in tells the host.
#include "framework/clap/effect_clap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace framework {

namespace {

// Set while this thread is inside the plug-in's process or flush, which send what is pending
// themselves: asking the host for a flush then is neither needed nor allowed.
thread_local bool tInAudioCall = false;

constexpr const char* kCallNames[] = {
    "init",         "destroy",         "activate",      "deactivate",
    "start_processing", "stop_processing", "reset",     "process",
    "on_main_thread", "a parameter query", "params.flush", "a state call",
    "audio-ports",  "latency",         "a gui call",
};

// The transport fields that, like VST 2's time validity flags, say the host has a transport at
// all: without any of them the effect takes it as playing.
constexpr std::uint32_t kTransportKnown =
    clap::kTransportHasTempo | clap::kTransportHasBeatsTimeline | clap::kTransportHasTimeSignature;

}  // namespace

IEffectClap::IEffectClap(const clap::Host* host, const clap::PluginDescriptor* descriptor,
                         EffectIdentity identity)
    : IEffectBase(std::move(identity)), host_(host), stateChunk_(8 + 8 * ParameterCount()) {
  plugin_.desc = descriptor;
  plugin_.pluginData = static_cast<IEffectClap*>(this);
  plugin_.init = &Init;
  plugin_.destroy = &Destroy;
  plugin_.activate = &Activate;
  plugin_.deactivate = &Deactivate;
  plugin_.startProcessing = &StartProcessing;
  plugin_.stopProcessing = &StopProcessing;
  plugin_.reset = &Reset;
  plugin_.process = &ProcessBlock;
  plugin_.getExtension = &GetExtension;
  plugin_.onMainThread = &OnMainThread;
  SetInputConnections(0, InputCount(), true);
  SetOutputConnections(0, OutputCount(), true);
  SetMaxBlockSize(1024);
}

IEffectClap::~IEffectClap() { plugin_.pluginData = nullptr; }

IEffectClap::AudioCallScope::AudioCallScope() : previous_(tInAudioCall) { tInAudioCall = true; }

IEffectClap::AudioCallScope::~AudioCallScope() { tInAudioCall = previous_; }

IEffectClap* IEffectClap::FromRecord(const clap::Plugin* plugin) {
  if (plugin == nullptr) return nullptr;
  return static_cast<IEffectClap*>(plugin->pluginData);
}

bool IEffectClap::CheckThread(ClapCall call) {
  const clap::HostThreadCheck* check = hostThreadCheck_;
  if (check == nullptr || check->isMainThread == nullptr || check->isAudioThread == nullptr)
    return true;
  bool audio = false;
  switch (call) {
    case ClapCall::kStartProcessing:
    case ClapCall::kStopProcessing:
    case ClapCall::kReset:
    case ClapCall::kProcess:
      audio = true;
      break;
    case ClapCall::kParamsFlush:
      audio = active_;
      break;
    default:
      break;
  }
  const bool right = audio ? check->isAudioThread(host_) : check->isMainThread(host_);
  if (right) return true;
  const std::uint32_t bit = 1u << static_cast<int>(call);
  if ((threadFaults_.fetch_or(bit) & bit) == 0) {
    char text[320];  // room for the longest name, so nothing is cut
    std::snprintf(text, sizeof text, "%s: %s called off the %s thread", EffectName(),
                  kCallNames[static_cast<int>(call)], audio ? "audio" : "main");
    Log(clap::kLogHostMisbehaving, text);
  }
  return false;
}

void IEffectClap::Log(clap::LogSeverity severity, const char* message) const {
  if (hostLog_ != nullptr && hostLog_->log != nullptr) hostLog_->log(host_, severity, message);
}

bool IEffectClap::Init(const clap::Plugin* plugin) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || self->host_ == nullptr) return false;
    const clap::Host* host = self->host_;
    if (host->getExtension != nullptr) {
      self->hostLog_ = static_cast<const clap::HostLog*>(host->getExtension(host, clap::kExtLog));
      self->hostThreadCheck_ = static_cast<const clap::HostThreadCheck*>(
          host->getExtension(host, clap::kExtThreadCheck));
      self->hostParams_ =
          static_cast<const clap::HostParams*>(host->getExtension(host, clap::kExtParams));
    }
    self->CheckThread(ClapCall::kInit);
    std::lock_guard lock(self->InstanceLock());
    self->SetHost(host->name, 0);
    self->PrepareForHost();
    for (int i = 0; i < self->ParameterCount(); ++i) self->OnParameterChanged(i);
    return true;
  } catch (...) {
    return false;
  }
}

void IEffectClap::Destroy(const clap::Plugin* plugin) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return;
    self->CheckThread(ClapCall::kDestroy);
    // Closes the editor's window first (the effect's destructor), then everything else.
    delete self;
  } catch (...) {
  }
}

bool IEffectClap::Activate(const clap::Plugin* plugin, double sampleRate, std::uint32_t minFrames,
                           std::uint32_t maxFrames) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return false;
    self->CheckThread(ClapCall::kActivate);
    // A rate that is not finite and positive would poison every time constant.
    if (!(sampleRate > 0.0) || sampleRate > std::numeric_limits<double>::max()) return false;
    if (maxFrames < 1 || minFrames > maxFrames) return false;
    std::lock_guard lock(self->InstanceLock());
    if (self->active_) return false;
    self->SetSampleRateValue(sampleRate);
    // Longer blocks than the scratch buffers hold are processed in pieces.
    self->SetMaxBlockSize(static_cast<int>(
        std::min<std::uint32_t>(maxFrames, static_cast<std::uint32_t>(kMaxScratchFrames))));
    self->aliasCopy_.assign(2 * static_cast<std::size_t>(self->MaxBlockSize()), 0.0);
    self->ResetProcessing();
    self->ActivationChanged(true);
    self->active_ = true;
    return true;
  } catch (...) {
    return false;
  }
}

void IEffectClap::Deactivate(const clap::Plugin* plugin) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return;
    self->CheckThread(ClapCall::kDeactivate);
    std::lock_guard lock(self->InstanceLock());
    if (!self->active_) return;
    self->ActivationChanged(false);
    self->ResetProcessing();
    self->active_ = false;
    self->processing_ = false;
  } catch (...) {
  }
}

bool IEffectClap::StartProcessing(const clap::Plugin* plugin) {
  IEffectClap* self = FromRecord(plugin);
  if (self == nullptr) return false;
  self->CheckThread(ClapCall::kStartProcessing);
  if (!self->active_) return false;
  self->processing_ = true;
  return true;
}

void IEffectClap::StopProcessing(const clap::Plugin* plugin) {
  IEffectClap* self = FromRecord(plugin);
  if (self == nullptr) return;
  self->CheckThread(ClapCall::kStopProcessing);
  self->processing_ = false;
}

void IEffectClap::Reset(const clap::Plugin* plugin) {
  try {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return;
    self->CheckThread(ClapCall::kReset);
    self->ResetProcessing();
  } catch (...) {
  }
}

const void* IEffectClap::GetExtension(const clap::Plugin* plugin, const char* id) {
  IEffectClap* self = FromRecord(plugin);
  if (self == nullptr || id == nullptr) return nullptr;
  const auto is = [id](const char* candidate) { return std::strcmp(id, candidate) == 0; };
  if (is(clap::kExtParams)) return &kParams;
  if (is(clap::kExtState)) return &kState;
  if (is(clap::kExtAudioPorts)) return &kAudioPorts;
  if (is(clap::kExtLatency)) return &kLatency;
  if (is(clap::kExtGui) && self->Editor() != nullptr) return &kGui;
  // No notes in or out: "clap.note-ports" and everything else is absent.
  return nullptr;
}

void IEffectClap::OnMainThread(const clap::Plugin* plugin) {
  if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kOnMainThread);
}

void IEffectClap::SendToHost(const HostNotification& notification) noexcept {
  try {
    {
      std::lock_guard lock(InstanceLock());
      if (outgoingCount_ == kOutgoingCapacity) {
        ++outgoingDropped_;
      } else {
        Outgoing& o = outgoing_[outgoingCount_++];
        o.kind = notification.kind;
        o.index = notification.index;
        o.plain = 0.0;
        if (notification.kind == HostNotification::kAutomate && Parameters().Contains(o.index)) {
          o.plain = Parameters().Definition(o.index).ValueFromNormalized(notification.value);
        }
      }
    }
    // A running process call takes it with it; otherwise the host is asked for a flush.
    if (tInAudioCall || processing_.load()) return;
    if (hostParams_ != nullptr && hostParams_->requestFlush != nullptr)
      hostParams_->requestFlush(host_);
  } catch (...) {
  }
}

// ---- The host's transport, as the block's process call gave it ----------------------------

bool IEffectClap::HostIsPlaying() {
  if (!hasTransport_ || (transport_.flags & kTransportKnown) == 0) return true;
  return (transport_.flags & clap::kTransportIsPlaying) != 0;
}

double IEffectClap::HostTempo() {
  if (hasTransport_ && (transport_.flags & clap::kTransportHasTempo) != 0 &&
      transport_.tempo >= 0.0) {
    return transport_.tempo;
  }
  return 0.0;
}

int IEffectClap::HostSamplePos() {
  if (!hasTransport_ || (transport_.flags & clap::kTransportHasSecondsTimeline) == 0) return 0;
  const double samples = transport_.songPosSeconds / clap::kSecTimeFactor * SampleRate();
  if (!(samples >= 0.0)) return 0;
  if (samples >= 2147483647.0) return 2147483647;
  return static_cast<int>(samples);
}

void IEffectClap::HostTimeSignature(int* numerator, int* denominator) {
  int n = 0, d = 0;
  if (hasTransport_ && (transport_.flags & clap::kTransportHasTimeSignature) != 0) {
    n = transport_.tsigNum;
    d = transport_.tsigDenom;
  }
  if (numerator != nullptr) *numerator = n;
  if (denominator != nullptr) *denominator = d;
}

void IEffectClap::HostTimeInfo(HostTransport& out) {
  IEffectBase::HostTimeInfo(out);
  if (!hasTransport_ || (transport_.flags & kTransportKnown) == 0) return;
  const clap::TransportEvent& t = transport_;
  const std::uint32_t flags = t.flags;
  if ((flags & clap::kTransportHasSecondsTimeline) != 0)
    out.samplePos = t.songPosSeconds / clap::kSecTimeFactor * SampleRate();
  if ((flags & clap::kTransportHasBeatsTimeline) != 0) {
    const double beats = t.songPosBeats / clap::kBeatTimeFactor;
    const double bar = t.barStart / clap::kBeatTimeFactor;
    const double loopStart = t.loopStartBeats / clap::kBeatTimeFactor;
    const double loopEnd = t.loopEndBeats / clap::kBeatTimeFactor;
    if (beats >= 0.0) out.ppqPos = beats;
    if (bar >= 0.0) out.barStartPos = bar;
    if ((flags & clap::kTransportIsLoopActive) != 0 && loopStart >= 0.0 && loopEnd >= 0.0) {
      out.cycleStart = loopStart;
      out.cycleEnd = loopEnd;
    }
  }
  if ((flags & clap::kTransportHasTempo) != 0 && t.tempo > 0.0) out.tempo = t.tempo;
  if ((flags & clap::kTransportHasTimeSignature) != 0 && t.tsigNum > 0 && t.tsigDenom > 0) {
    out.numerator = t.tsigNum;
    out.denominator = t.tsigDenom;
  }
  out.playing = (flags & clap::kTransportIsPlaying) != 0;
  out.cycleActive = (flags & clap::kTransportIsLoopActive) != 0;
}

}  // namespace framework
