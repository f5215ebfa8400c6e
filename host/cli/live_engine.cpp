// The period loop of live: inputs copied for the plug-in, one time record per call, outputs
// checked, and what the callback costs outside the plug-in measured.
#include "host/cli/live_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

namespace qvcli {
namespace {

using Clock = std::chrono::steady_clock;

// Set while this thread runs a period: the plug-in's time queries from inside it get the
// audio thread's own record.
thread_local bool tInPeriod = false;

constexpr int kMostChannels = 64;  // a plug-in announcing more is not believed

std::uint64_t Nanoseconds(Clock::duration d) {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
}

// Single writer: a plain read-modify-write is enough.
void Add(std::atomic<std::uint64_t>& counter, std::uint64_t n) {
  counter.store(counter.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
}

}  // namespace

LiveEngine::LiveEngine(qvhost::PluginHost& host, double freeTempo, std::vector<float> demo)
    : host_(host),
      savedScript_(host.Script()),
      numIn_(std::clamp(host.Effect()->numInputs, 0, kMostChannels)),
      numOut_(std::clamp(host.Effect()->numOutputs, 0, kMostChannels)),
      replacing_((host.Effect()->flags & vst2::kFlagCanReplacing) != 0),
      demo_(std::move(demo)),
      inputs_(static_cast<std::size_t>(numIn_)),
      extraOut_(static_cast<std::size_t>(std::max(0, numOut_ - kPorts))),
      inPtr_(static_cast<std::size_t>(numIn_ + 1), nullptr),
      outPtr_(static_cast<std::size_t>(numOut_ + 1), nullptr),
      transport_(freeTempo) {
  qvhost::HostScript& script = host_.Script();
  script.recordCalls = false;
  script.timeInfo.reset();
  script.timeSource = [this] { return AnswerTime(); };
  host_.ClearCalls();
}

LiveEngine::~LiveEngine() {
  Stop();
  host_.Script() = savedScript_;
}

bool LiveEngine::Enter() noexcept {
  if (!open_.load(std::memory_order_seq_cst)) return false;
  busy_.store(true, std::memory_order_seq_cst);
  // Shut between the two loads: the control thread may already believe the audio thread out.
  if (open_.load(std::memory_order_seq_cst)) return true;
  busy_.store(false, std::memory_order_release);
  return false;
}

void LiveEngine::Leave() noexcept { busy_.store(false, std::memory_order_release); }

// Control thread with control_ held. Returns once no period is inside the plug-in.
void LiveEngine::Shut() {
  open_.store(false, std::memory_order_seq_cst);
  while (busy_.load(std::memory_order_seq_cst)) std::this_thread::yield();
}

void LiveEngine::Configure(double sampleRate, int maxFrames) {
  std::lock_guard<std::mutex> guard(control_);
  if (stopped_ || sampleRate <= 0.0 || maxFrames <= 0) return;
  if (active_ && sampleRate == rate_ && maxFrames == maxFrames_) return;
  Shut();
  // The first time the plug-in is only resumed, as a DAW starts it: a suspend it never needed
  // would still reset its processing once more.
  if (active_) host_.SetActive(false);
  host_.SetSampleRate(sampleRate);
  host_.SetBlockSize(maxFrames);
  if (maxFrames > capacity_) {
    capacity_ = maxFrames;
    for (auto& channel : inputs_) channel.assign(static_cast<std::size_t>(capacity_), 0.0f);
    for (auto& channel : extraOut_) channel.assign(static_cast<std::size_t>(capacity_), 0.0f);
  }
  transport_.SetSampleRate(sampleRate);
  rate_ = sampleRate;
  maxFrames_ = maxFrames;
  host_.SetActive(true);
  active_ = true;
  open_.store(true, std::memory_order_seq_cst);
}

void LiveEngine::Stop() {
  std::lock_guard<std::mutex> guard(control_);
  if (stopped_) return;
  stopped_ = true;
  Shut();
  if (active_) host_.SetActive(false);
  active_ = false;
}

const vst2::VstTimeInfo* LiveEngine::AnswerTime() {
  if (tInPeriod) return &transport_.Current();
  thread_local vst2::VstTimeInfo copy;
  copy = share_.Read();
  return &copy;
}

void LiveEngine::FillInputs(const float* const* ins, int at, int n) noexcept {
  for (int k = 0; k < numIn_; ++k) {
    float* to = inputs_[static_cast<std::size_t>(k)].data();
    if (!demo_.empty()) {
      // Every input hears the phrase, which loops.
      std::size_t pos = demoPos_;
      for (int i = 0; i < n; ++i) {
        to[i] = demo_[pos];
        if (++pos == demo_.size()) pos = 0;
      }
    } else if (k < kPorts && ins[k] != nullptr) {
      std::memcpy(to, ins[k] + at, sizeof(float) * static_cast<std::size_t>(n));
    } else {
      std::memset(to, 0, sizeof(float) * static_cast<std::size_t>(n));
    }
  }
  if (!demo_.empty()) demoPos_ = (demoPos_ + static_cast<std::size_t>(n)) % demo_.size();
}

void LiveEngine::Process(const float* const* ins, float* const* outs, int frames,
                         const TransportReading& transport,
                         Clock::time_point entered) noexcept {
  const Clock::time_point start = entered == Clock::time_point{} ? Clock::now() : entered;
  if (frames <= 0) return;
  if (!Enter()) {
    for (int k = 0; k < kPorts; ++k)
      std::memset(outs[k], 0, sizeof(float) * static_cast<std::size_t>(frames));
    Add(silent_, 1);
    return;
  }
  tInPeriod = true;
  Clock::duration inPlugin{};
  // Never more frames per call than announced: a longer period goes in pieces.
  for (int at = 0; at < frames;) {
    const int n = std::min(frames - at, maxFrames_);
    FillInputs(ins, at, n);
    for (int k = 0; k < numIn_; ++k) inPtr_[static_cast<std::size_t>(k)] = inputs_[k].data();
    for (int k = 0; k < numOut_; ++k) {
      float* to = k < kPorts ? outs[k] + at : extraOut_[static_cast<std::size_t>(k - kPorts)].data();
      outPtr_[static_cast<std::size_t>(k)] = to;
      if (!replacing_) std::memset(to, 0, sizeof(float) * static_cast<std::size_t>(n));
    }
    share_.Publish(transport_.Next(transport, at, n));
    const Clock::time_point before = Clock::now();
    try {
      if (replacing_) {
        host_.ProcessReplacing(inPtr_.data(), outPtr_.data(), n);
      } else {
        host_.ProcessAccumulating(inPtr_.data(), outPtr_.data(), n);
      }
    } catch (...) {
      // A plug-in's exception stops at the host; its output of this piece is checked below.
    }
    inPlugin += Clock::now() - before;
    at += n;
  }
  tInPeriod = false;
  // A mono plug-in feeds both outputs; ports the plug-in has no output for are silent.
  for (int k = numOut_; k < kPorts; ++k) {
    if (numOut_ > 0) {
      std::memcpy(outs[k], outs[0], sizeof(float) * static_cast<std::size_t>(frames));
    } else {
      std::memset(outs[k], 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
  }
  std::uint64_t bad = 0;
  for (int k = 0; k < kPorts; ++k) {
    float* out = outs[k];
    for (int i = 0; i < frames; ++i) {
      if (!std::isfinite(out[i])) {
        out[i] = 0.0f;
        ++bad;
      }
    }
  }
  Leave();
  if (bad > 0) Add(nonFinite_, bad);
  Add(periods_, 1);
  Add(frames_, static_cast<std::uint64_t>(frames));
  const std::uint64_t hostNs = Nanoseconds(Clock::now() - start - inPlugin);
  Add(hostNs_, hostNs);
  Add(pluginNs_, Nanoseconds(inPlugin));
  if (hostNs > hostMaxNs_.load(std::memory_order_relaxed))
    hostMaxNs_.store(hostNs, std::memory_order_relaxed);
}

LiveStats LiveEngine::Stats() const {
  LiveStats s;
  s.periods = periods_.load(std::memory_order_relaxed);
  s.frames = frames_.load(std::memory_order_relaxed);
  s.silent = silent_.load(std::memory_order_relaxed);
  s.nonFinite = nonFinite_.load(std::memory_order_relaxed);
  if (s.periods > 0) {
    s.hostMeanUs = hostNs_.load(std::memory_order_relaxed) / 1000.0 / s.periods;
    s.pluginMeanUs = pluginNs_.load(std::memory_order_relaxed) / 1000.0 / s.periods;
  }
  s.hostMaxUs = hostMaxNs_.load(std::memory_order_relaxed) / 1000.0;
  return s;
}

}  // namespace qvcli
