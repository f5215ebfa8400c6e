// Several threads drive one plug-in instance at once through its effect record, the way a host's
// audio, automation and user-interface threads do, while a watchdog checks that each keeps moving.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/lib/plugin_host.h"

namespace stress {

// SplitMix64: a small, seedable generator, one per thread.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t state_;
};

// What a run did and what went wrong.
struct StressReport {
  std::vector<std::string> threadNames;
  std::vector<std::int64_t> steps;  // per thread
  std::int64_t blocks = 0;
  std::int64_t frames = 0;
  std::int64_t chunkRoundTrips = 0;
  std::int64_t faults = 0;
  std::string firstFault;
  std::string stalledThread;  // set when the watchdog gave up on a thread
};

class InstanceStress {
 public:
  // host: an opened instance; it is prepared for 4096-frame blocks here. Seeds the threads.
  InstanceStress(qvhost::PluginHost& host, std::uint64_t seed);

  // Adds a thread that calls step over and over until the run ends. The three host threads are
  // added by the constructor; an editor's tick thread joins the same way.
  void AddThread(const std::string& name, std::function<void(Random&)> step);

  // Runs every thread for `seconds`. A thread that completes no step for `stallSeconds` is
  // reported as stalled (a deadlock) and the run ends without waiting for it: the process must
  // then exit instead of joining. `tick` is called on the calling thread about ten times a second.
  StressReport Run(double seconds, double stallSeconds, const std::function<void()>& tick = {});

  // Any thread: records a fault; the first one's text is kept.
  void Fault(const std::string& what);

  // The editor's thread brackets each user gesture with these: a chunk round trip that overlaps
  // one cannot expect its own bytes back, so it is not compared.
  void UserEditBegins() { userEdits_.fetch_add(1, std::memory_order_acq_rel); }
  void UserEditEnds() { userEdits_.fetch_add(1, std::memory_order_acq_rel); }

 private:
  void ProcessStep(Random& rng);
  void AutomationStep(Random& rng);
  void ReaderStep(Random& rng);
  // A chunk set and read back must come back byte for byte.
  void CheckRoundTrip(const std::vector<std::uint8_t>& chunk, bool program);

  struct Thread {
    std::string name;
    std::function<void(Random&)> step;
    std::atomic<std::int64_t> steps{0};
  };

  qvhost::PluginHost& host_;
  std::uint64_t seed_;
  std::vector<std::unique_ptr<Thread>> threads_;
  std::vector<std::vector<std::uint8_t>> savedChunks_;  // automation thread only
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> blocks_{0};
  std::atomic<std::int64_t> frames_{0};
  std::atomic<std::int64_t> roundTrips_{0};
  std::atomic<std::int64_t> faults_{0};
  std::atomic<std::int64_t> userEdits_{0};  // odd while a gesture is under way
  std::mutex faultMutex_;
  std::string firstFault_;
};

}  // namespace stress
