// The bank of eight user LFOs mapped onto lanes of fourteen four-lane LFO objects (two per kind),
// with tempo sync and the settings the editor reads back.
#pragma once

#include <memory>

#include "common/intrusive_list.h"
#include "modulation/node.h"

namespace modulation {

class LfoSoa;

enum LfoShape : int {
  kLfoConst = 0,
  kLfoTriangle = 1,
  kLfoSquare = 2,
  kLfoSine = 3,
  kLfoRandom = 4,
  kLfoRandomSquare = 5,
  kLfoSampleHold = 6,
  kLfoShapeCount = 7,
};

constexpr int kLfoCount = 8;
// Two objects per kind, addressed as kind × 2 + k.
constexpr int kLfoObjectCount = 2 * kLfoShapeCount;

// The range and curve of every LFO's Rate parameter (Hz; normalised = ((v − min) ÷ range)^½).
constexpr double kLfoRateMin = 0.01;
constexpr double kLfoRateMax = 12.0;
constexpr double kLfoRateExponent = 2.0;

// Which of an LFO's four settings a value is for.
enum class LfoParam : int { kShape = 0, kRate = 1, kSync = 2, kSkew = 3 };

// The applied parameter values of one LFO; the editor's read-outs show them.
struct LfoSettings {
  int shape = kLfoRandom;
  float rate = 1.0f;  // Hz, the rate the LFO runs at (synced or free)
  bool sync = false;
  int divisionIndex = 0;  // row of kSyncDivisionFactors
  float skew = 0.5f;
  double rateParameter = 1.0;  // the LFO's Rate parameter in Hz, as last applied
};

// Where one LFO lives: its object and lane, that lane's output and the value latched at the last
// tick (0..1).
struct LfoRecord {
  double latched = 0.0;
  const LfoSoa* object = nullptr;
  int objectIndex = -1;  // kind × 2 + k; -1 while the record names SharedDefaultSource
  int lane = 0;          // 0..3
  const float* output = nullptr;
};

// The process-wide Const object every LFO names until it is given a shape; lane 0 outputs 0.
// First called from the first bank's construction (under the process-wide creation lock); only
// read afterwards, never destroyed.
const LfoSoa& SharedDefaultSource();

class LfoBank {
 public:
  // Construction allocates all fourteen objects, sets 44100 Hz and assigns the eight LFOs to
  // Random.
  LfoBank();
  ~LfoBank();
  LfoBank(const LfoBank&) = delete;
  LfoBank& operator=(const LfoBank&) = delete;

  // Any thread, under the instance lock (ResetProcessing). Non-positive or non-finite rates are
  // ignored.
  void SetSampleRate(double sampleRate);
  // Any thread, under the instance lock (parameter application): a shape (truncated; outside
  // 0..6 ignored), a rate in Hz (kept inside kLfoRateMin..kLfoRateMax), sync (on from 0.5) or a
  // skew (0..1). LFOs outside 0..7 and non-finite values are ignored.
  void ApplyLfoParameter(LfoParam which, int lfo, double value);
  // Audio thread, under the instance lock: the block loop keeps the host tempo here (beats per
  // minute, > 0); anything else counts as no tempo, which is 120. A new tempo gives every synced
  // LFO its division's rate at that tempo, in LFO order; phases run on.
  void SetTempo(double bpm);
  double Tempo() const { return tempo_; }

  // Under the instance lock: moves LFO lfo (0..7) to a lane of the kind settings.shape names.
  void AssignShape(int lfo, const LfoSettings& settings);

  // Audio thread, under the instance lock, once per control tick: ticks the active objects, then
  // latches the eight values.
  void TickBank();
  // Audio thread, under the instance lock (RouteModulation): LFO lfo's value at the last tick.
  double LatchedValue(int lfo) const { return records_[lfo].latched; }

  // Under the instance lock: parameter application changes these from any thread, so a reader on
  // another thread (the editor's read-outs) copies them while holding the lock.
  const LfoSettings& Settings(int lfo) const { return settings_[lfo]; }

  // Read access for previews and tests, under the instance lock.
  static int ObjectIndex(int shape, int k) { return shape * 2 + k; }
  const LfoSoa& Object(int index) const { return *objects_[index]; }
  const LfoRecord& Record(int lfo) const { return records_[lfo]; }
  const Node* ActiveHead() const { return active_.Head(); }
  const Node* ActiveTail() const { return active_.Tail(); }

 private:
  // The rate LFO lfo runs at from its settings (synced: factor × tempo), given to its lane.
  void ApplyRate(int lfo);

  double tempo_ = 120.0;
  LfoSettings settings_[kLfoCount];
  std::unique_ptr<LfoSoa> objects_[kLfoObjectCount];
  LfoRecord records_[kLfoCount];
  // The objects with at least one assigned lane, except Const ones: what TickBank ticks.
  common::IntrusiveList<Node, &Node::next_, &Node::previous_> active_;
};

}  // namespace modulation
