// The host threads of the stress run: audio on all three paths, automation with chunks and
// programs, and a user-interface thread that reads texts, suspends and changes the sample rate.
#include "tests/stress/instance_stress.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace stress {
namespace {

constexpr int kMaxFrames = 4096;
constexpr std::size_t kSavedChunks = 8;

}  // namespace

InstanceStress::InstanceStress(qvhost::PluginHost& host, std::uint64_t seed)
    : host_(host), seed_(seed) {
  host_.SetSampleRate(44100.0);
  host_.SetBlockSize(kMaxFrames);
  host_.SetActive(true);
  AddThread("audio", [this](Random& rng) { ProcessStep(rng); });
  AddThread("automation", [this](Random& rng) { AutomationStep(rng); });
  AddThread("interface", [this](Random& rng) { ReaderStep(rng); });
}

void InstanceStress::AddThread(const std::string& name, std::function<void(Random&)> step) {
  auto thread = std::make_unique<Thread>();
  thread->name = name;
  thread->step = std::move(step);
  threads_.push_back(std::move(thread));
}

void InstanceStress::Fault(const std::string& what) {
  if (faults_.fetch_add(1) == 0) {
    std::lock_guard<std::mutex> guard(faultMutex_);
    firstFault_ = what;
  }
}

// Blocks of 1 to 4096 frames, mostly short ones as hosts with small buffers send them.
void InstanceStress::ProcessStep(Random& rng) {
  thread_local std::vector<float> in[2], out[2];
  thread_local std::vector<double> din[2], dout[2];
  const int sizeClass = rng.Below(10);
  const int frames = sizeClass < 5   ? rng.Between(1, 64)
                     : sizeClass < 8 ? rng.Between(65, 1024)
                                     : rng.Between(1025, kMaxFrames);
  const int path = rng.Below(3);
  for (int c = 0; c < 2; ++c) {
    in[c].resize(kMaxFrames);
    out[c].resize(kMaxFrames);
    din[c].resize(kMaxFrames);
    dout[c].resize(kMaxFrames);
    for (int i = 0; i < frames; ++i) {
      in[c][i] = static_cast<float>(rng.Unit() - 0.5);
      din[c][i] = in[c][i];
      out[c][i] = 0.0f;
    }
  }
  float* inPtr[2] = {in[0].data(), in[1].data()};
  float* outPtr[2] = {out[0].data(), out[1].data()};
  double* dinPtr[2] = {din[0].data(), din[1].data()};
  double* doutPtr[2] = {dout[0].data(), dout[1].data()};
  if (path == 0) {
    host_.ProcessReplacing(inPtr, outPtr, frames);
  } else if (path == 1) {
    host_.ProcessAccumulating(inPtr, outPtr, frames);
  } else {
    host_.ProcessDouble(dinPtr, doutPtr, frames);
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < frames; ++i) out[c][i] = static_cast<float>(dout[c][i]);
    }
  }
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < frames; ++i) {
      if (!std::isfinite(out[c][i])) {
        Fault("output not finite on path " + std::to_string(path) + " at sample " +
              std::to_string(i) + " of " + std::to_string(frames));
        return;
      }
    }
  }
  blocks_.fetch_add(1, std::memory_order_relaxed);
  frames_.fetch_add(frames, std::memory_order_relaxed);
}

void InstanceStress::CheckRoundTrip(const std::vector<std::uint8_t>& chunk, bool program) {
  const std::int64_t editsBefore = userEdits_.load(std::memory_order_acquire);
  if (host_.SetChunk(chunk, program) != 1) {
    Fault("a chunk the plug-in wrote was refused");
    return;
  }
  const std::vector<std::uint8_t> back = host_.GetChunk(program);
  const std::int64_t editsAfter = userEdits_.load(std::memory_order_acquire);
  if (editsBefore % 2 != 0 || editsAfter != editsBefore) return;
  if (back != chunk) {
    Fault(std::string(program ? "program" : "bank") + " chunk changed on its round trip");
    return;
  }
  roundTrips_.fetch_add(1, std::memory_order_relaxed);
}

// Automation of every parameter, chunk saves and loads, program switches.
void InstanceStress::AutomationStep(Random& rng) {
  const int action = rng.Below(100);
  if (action < 70) {
    for (int n = rng.Between(1, 8); n > 0; --n) {
      host_.SetParameter(rng.Below(89), static_cast<float>(rng.Unit()));
    }
  } else if (action < 82) {
    const bool program = rng.Below(2) == 0;
    std::vector<std::uint8_t> chunk = host_.GetChunk(program);
    if (chunk.size() != 720) {
      Fault("chunk of " + std::to_string(chunk.size()) + " bytes");
      return;
    }
    CheckRoundTrip(chunk, program);
    if (savedChunks_.size() < kSavedChunks) {
      savedChunks_.push_back(std::move(chunk));
    } else {
      savedChunks_[rng.Below(kSavedChunks)] = std::move(chunk);
    }
  } else if (action < 92) {
    if (!savedChunks_.empty()) {
      CheckRoundTrip(savedChunks_[rng.Below(static_cast<int>(savedChunks_.size()))],
                     rng.Below(2) == 0);
    }
  } else {
    host_.SetProgram(rng.Below(6));
    if (rng.Below(4) == 0) host_.SetProgramName("stress " + std::to_string(rng.Below(100)));
  }
  // The host library records every callback; a long run must not grow that record.
  if (rng.Below(64) == 0) host_.ClearCalls();
}

// Texts and values as a host's interface shows them, suspend and resume, sample-rate changes.
void InstanceStress::ReaderStep(Random& rng) {
  const int action = rng.Below(100);
  const int index = rng.Below(89);
  if (action < 60) {
    const float v = host_.GetParameter(index);
    if (!(v >= 0.0f && v <= 1.0f))
      Fault("parameter " + std::to_string(index) + " reads " + std::to_string(v));
    const std::string display = host_.ParamDisplay(index);
    if (display.empty() || display.find("nan") != std::string::npos) {
      Fault("parameter " + std::to_string(index) + " shows \"" + display + "\"");
    }
    host_.ParamName(index);
    host_.ParamLabel(index);
  } else if (action < 80) {
    host_.ProgramName();
    host_.ProgramNameIndexed(rng.Below(6));
    host_.GetProgram();
    host_.DisplayOfNormalized(index, static_cast<float>(rng.Unit()));
  } else if (action < 92) {
    host_.SetActive(false);
    host_.SetActive(true);
  } else {
    const double rates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
    host_.SetSampleRate(rates[rng.Below(6)]);
  }
  if (host_.TextOverruns() != 0) Fault("a text reply ran past its buffer");
}

StressReport InstanceStress::Run(double seconds, double stallSeconds,
                                 const std::function<void()>& tick) {
  using Clock = std::chrono::steady_clock;
  std::vector<std::thread> running;
  for (std::size_t t = 0; t < threads_.size(); ++t) {
    running.emplace_back([this, t] {
      Random rng(seed_ + 0x1000 * (t + 1));
      Thread& thread = *threads_[t];
      while (!stop_.load(std::memory_order_relaxed)) {
        thread.step(rng);
        thread.steps.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }

  StressReport report;
  const Clock::time_point start = Clock::now();
  std::vector<std::int64_t> lastSteps(threads_.size(), 0);
  std::vector<Clock::time_point> lastProgress(threads_.size(), start);
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (tick) tick();
    const Clock::time_point now = Clock::now();
    for (std::size_t t = 0; t < threads_.size(); ++t) {
      const std::int64_t steps = threads_[t]->steps.load(std::memory_order_relaxed);
      if (steps != lastSteps[t]) {
        lastSteps[t] = steps;
        lastProgress[t] = now;
      } else if (now - lastProgress[t] > std::chrono::duration<double>(stallSeconds)) {
        report.stalledThread = threads_[t]->name;
      }
    }
    if (!report.stalledThread.empty()) break;
  }
  stop_ = true;
  for (std::thread& thread : running) {
    // A stalled run cannot be joined; its threads stay behind for the process exit.
    if (report.stalledThread.empty()) {
      thread.join();
    } else {
      thread.detach();
    }
  }

  for (const auto& thread : threads_) {
    report.threadNames.push_back(thread->name);
    report.steps.push_back(thread->steps.load());
  }
  report.blocks = blocks_.load();
  report.frames = frames_.load();
  report.chunkRoundTrips = roundTrips_.load();
  report.faults = faults_.load();
  std::lock_guard<std::mutex> guard(faultMutex_);
  report.firstFault = firstFault_;
  return report;
}

}  // namespace stress
