// What the effect hands its editor besides parameter values: the grain statistics, which LFOs
// are unused (grayed), each LFO's shape and sync state, and the four envelope tables. Written by
// the plug-in under its instance lock from any thread (the audio thread included) without waiting
// or allocating; read by the editor thread at the start of each tick.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/envelope_window.h"
#include "modulation/lfo_bank.h"

namespace quorvantel {

// One envelope table behind a sequence counter: a reader never takes a half-written table.
class PublishedTable {
 public:
  void Publish(const double* table);
  // Copies the table into out when it changed since *seen; false when unchanged or being
  // written (the next tick tries again).
  bool TakeIfChanged(double* out, std::uint32_t* seen) const;

 private:
  std::atomic<std::uint32_t> sequence_{0};  // odd while a write is in progress
  std::atomic<double> values_[engine::kWindowSize] = {};
};

struct EditorFeed {
  // Grains started in the last second and the mean number of grains alive; serial counts the
  // hand-overs.
  std::atomic<int> grainsPerSecond{0};
  std::atomic<int> density{0};
  std::atomic<std::uint32_t> statisticsSerial{0};

  // Bit n set: no modulation source selects LFO n. The serial counts greying updates, each of
  // which re-greys and redraws all four controls of every LFO.
  std::atomic<std::uint32_t> unusedLfos{0};
  std::atomic<std::uint32_t> greyingSerial{0};

  struct Lfo {
    std::atomic<int> shape{0};
    std::atomic<int> sync{0};
    std::atomic<int> division{0};
  };
  Lfo lfos[modulation::kLfoCount];

  PublishedTable envelopes[engine::kEnvelopeSlotCount];

  void PublishStatistics(int grains, int meanDensity);
  void PublishGreying(std::uint32_t unusedMask);
};

}  // namespace quorvantel
