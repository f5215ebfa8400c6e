// A careless host as a script: every dispatcher opcode with hostile but legal arguments, bad
// parameter values, damaged chunks, program changes, bad rates and sizes, transport changes and
// all three process paths, each decision taken from a Choices source (a seeded generator in the
// abuse test, the fuzzer's bytes in the fuzz target). Answers are checked as the calls are made.
#pragma once

#include <bitset>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/lib/plugin_host.h"

namespace hostscript {

// Where the host's decisions come from.
class Choices {
 public:
  virtual ~Choices() = default;
  virtual std::uint64_t Next() = 0;
  // 0 .. n - 1 for n >= 1.
  virtual int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  template <typename T, std::size_t N>
  T Pick(const T (&values)[N]) {
    return values[Below(static_cast<int>(N))];
  }
};

// SplitMix64: the same sequence on every platform and library.
class SeededChoices : public Choices {
 public:
  explicit SeededChoices(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() override {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_;
};

// Decisions read from a byte string, as few bytes as each needs; zeros once it is used up.
class ByteChoices : public Choices {
 public:
  ByteChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Next() override { return Take(8); }
  int Below(int n) override {
    const int bytes = n <= 0x100 ? 1 : n <= 0x10000 ? 2 : 4;
    return static_cast<int>(Take(bytes) % static_cast<std::uint64_t>(n));
  }
  bool Exhausted() const { return pos_ >= size_; }

 private:
  std::uint64_t Take(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | (pos_ < size_ ? data_[pos_++] : 0);
    return v;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class HostCallScript {
 public:
  // host: an opened instance. fault receives one line per wrong answer. reloadState: whether
  // each parameter check also loads the saved state back (a whole state load each time; a
  // fuzzer leaves that to its chunk target).
  HostCallScript(qvhost::PluginHost& host, Choices& choices,
                 std::function<void(const std::string&)> fault, bool reloadState = true);

  // One action of the script. False once a fault has been reported.
  bool Step();
  // Every parameter readable, in range and shown as a number; every stored value finite; unless
  // the script was made without, the state loaded back saves to the same bytes (a fixed point).
  void CheckParameters(const char* after);
  bool Failed() const { return failed_; }

  // What the run reached, so that a changed seed or weighting cannot quietly test less.
  std::bitset<81> opcodesSeen;
  std::bitset<3> longBlocksSeen;   // per path: a block longer than the announced size
  std::bitset<3> inputCountsSeen;  // 0, 1 and 2 connected channels in a process call
  std::bitset<3> outputCountsSeen;
  int slackDamage = 0;  // buffers of this script written past their size

 private:
  void DispatchRandomOpcode();
  void SetRandomChunk();
  void ChangeRatesOrSizes();
  void ChangeTransport();
  void Process();
  void ChangeProgram();
  float RandomParameterValue();
  void Fail(const std::string& what);

  qvhost::PluginHost& host_;
  Choices& rng_;
  std::function<void(const std::string&)> fault_;
  bool failed_ = false;
  bool reloadState_ = true;
  std::vector<std::uint8_t> validChunk_;
  int blockSize_ = 1024;  // what the plug-in was last told
  int connectedInputs_ = 2;
  int connectedOutputs_ = 2;
  int steps_ = 0;
};

}  // namespace hostscript
