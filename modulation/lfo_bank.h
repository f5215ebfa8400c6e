// The bank of eight user LFOs mapped onto lanes of fourteen four-lane LFO objects (two per kind),
// with tempo sync and the settings the editor reads back.
#pragma once


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

// Which of an LFO's four parameters changed (parameter index 54 + 4 * lfo + which).
enum class LfoParam : int { Shape = 0, Rate = 1, Sync = 2, Skew = 3 };

// The applied parameter values of one LFO; the editor's read-outs show them.
struct LfoSettings {
  int shape = kLfoRandom;
  float rate = 1.0f;           // Hz, the rate the LFO runs at (synced or free)
  bool sync = false;
  int divisionIndex = 0;       // row of kSyncDivisions
  float skew = 0.5f;
  double rateParameter = 1.0;  // the LFO's Rate parameter in Hz, as last applied
};

class LfoBank {
 public:
  // Construction allocates all fourteen objects, sets 44100 Hz and assigns the eight LFOs to Random.
  LfoBank();
  ~LfoBank();
  LfoBank(const LfoBank&) = delete;
  LfoBank& operator=(const LfoBank&) = delete;

  // Any thread, under the instance lock (ResetProcessing).
  void SetSampleRate(double sampleRate);
  // Any thread, under the instance lock (OnParameterChanged for parameters 54..85).
  void ApplyLfoParameter(LfoParam which, int lfo, double value);
  // Audio thread: the block loop keeps the host tempo here (beats per minute, > 0).
  void SetTempo(double bpm) { tempo_ = bpm; }
  double Tempo() const { return tempo_; }

  // Audio thread, once per control tick: ticks the active objects, then latches the eight values.
  void TickBank();
  double LatchedValue(int lfo) const;

  const LfoSettings& Settings(int lfo) const { return settings_[lfo]; }

 private:
  // Further members belong to the implementation.
  double tempo_ = 120.0;
  LfoSettings settings_[kLfoCount];
};
