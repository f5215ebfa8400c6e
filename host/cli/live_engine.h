// One period of the audio system through the plug-in: the real-time heart of live and of
// edit --audio. It knows no audio system: the JACK session hands it the port buffers, the
// transport and the server's changes of sample rate and period size.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "host/cli/live_transport.h"
#include "host/lib/plugin_host.h"

namespace qvcli {

struct LiveStats {
  std::uint64_t periods = 0;    // periods the plug-in processed
  std::uint64_t frames = 0;     // frames in them
  std::uint64_t silent = 0;     // periods sent as silence while the plug-in was suspended
  std::uint64_t nonFinite = 0;  // NaN or infinite output samples, sent as silence
  double hostMeanUs = 0.0;      // time per period in the callback outside the plug-in
  double hostMaxUs = 0.0;
  double pluginMeanUs = 0.0;  // time per period inside the plug-in
};

class LiveEngine {
 public:
  static constexpr int kPorts = 2;  // two inputs and two outputs

  // Main thread; the plug-in is open and nothing processes yet. The engine answers the
  // plug-in's time queries and stops the host recording callbacks (the record would grow and
  // allocate on the audio thread). demo: a mono phrase the plug-in's inputs play in a loop
  // instead of the input ports (edit --audio); empty for live input.
  LiveEngine(qvhost::PluginHost& host, double freeTempo, std::vector<float> demo = {});
  // Main thread: Stop, and the host's script as it was.
  ~LiveEngine();
  LiveEngine(const LiveEngine&) = delete;
  LiveEngine& operator=(const LiveEngine&) = delete;

  // Any thread but the audio thread (JACK's notification thread, the main thread): suspends
  // the plug-in (opcode 12 off), announces the sample rate and the period size, resumes, as a
  // DAW does when its device changes. A period in progress is waited for and new ones are sent
  // as silence meanwhile. Nothing happens when neither changed; nothing after Stop.
  void Configure(double sampleRate, int maxFrames);
  // Any thread but the audio thread: periods are silence from now on; the plug-in is suspended.
  void Stop();

  // Audio thread: one period. ins: kPorts input buffers (a null one is silent), outs: kPorts
  // output buffers, `frames` long. entered: when the audio system's callback began, so what it
  // did before counts as the host's time too (default: now). Allocates nothing, waits for
  // nothing, throws nothing.
  void Process(const float* const* ins, float* const* outs, int frames,
               const TransportReading& transport,
               std::chrono::steady_clock::time_point entered = {}) noexcept;

  // Any thread.
  LiveStats Stats() const;

 private:
  // The gate between the control threads and the audio thread (a Dekker handshake): the audio
  // thread never waits, a control thread waits at most for the period in progress.
  bool Enter() noexcept;
  void Leave() noexcept;
  void Shut();
  // Audio thread: the plug-in's inputs for frames [at, at + n) of the period.
  void FillInputs(const float* const* ins, int at, int n) noexcept;
  // Answers opcode 7: the audio thread's own record during a period, a copy elsewhere.
  const vst2::VstTimeInfo* AnswerTime();

  qvhost::PluginHost& host_;
  qvhost::HostScript savedScript_;
  const int numIn_;
  const int numOut_;
  const bool replacing_;
  std::vector<float> demo_;
  std::size_t demoPos_ = 0;

  std::mutex control_;  // control threads only: Configure against Stop
  bool active_ = false;
  bool stopped_ = false;
  double rate_ = 0.0;
  int maxFrames_ = 0;  // written while the gate is shut, so the audio thread reads it inside

  std::atomic<bool> open_{false};
  std::atomic<bool> busy_{false};

  // Sized by Configure while the gate is shut; touched by the audio thread only inside it.
  int capacity_ = 0;
  std::vector<std::vector<float>> inputs_;   // numIn_ channels
  std::vector<std::vector<float>> extraOut_; // outputs beyond the ports
  std::vector<float*> inPtr_;
  std::vector<float*> outPtr_;
  LiveTransport transport_;
  TimeInfoShare share_;

  // Written by the audio thread only.
  std::atomic<std::uint64_t> periods_{0};
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<std::uint64_t> silent_{0};
  std::atomic<std::uint64_t> nonFinite_{0};
  std::atomic<std::uint64_t> hostNs_{0};
  std::atomic<std::uint64_t> hostMaxNs_{0};
  std::atomic<std::uint64_t> pluginNs_{0};
};

}  // namespace qvcli
