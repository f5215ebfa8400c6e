// Helpers for the engine tests: the inputs an opened effect gives the engine by default, changes
// of single inputs, a block driver and signals.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "engine/grain_engine.h"
#include "tests/engine/grain_engine_inspect.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace enginetest {

// What opening the effect gives a new engine: every input at its parameter's default.
inline void ApplyDefaults(GrainEngine& e) {
  // Length, Onset, Source, Envelope (slot selector), Pan, Dir, Pitch, Speed, Delay, Feedback,
  // FB Apply, Ampl, Freeze, BufLen, ScanRate; each with LFO 1 at depth 0.
  const double bases[kModulatedSettingCount] = {30, 20, 0, 1, 0.5, 1, 0, 1, 0, 0, 0.25, 1, 0, 1, 1};
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    const auto setting = static_cast<ModulatedSetting>(k);
    e.SetBase(setting, bases[k]);
    e.SetSource(setting, 0);
    e.SetDepth(setting, 0.0);
  }
  e.SetDelaySync(false);
  for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) {
    e.SetEnvelopeShape(slot, kTriangle);
    e.SetEnvelopeSkew(slot, 0.5);
  }
  for (int lfo = 0; lfo < kLfoCount; ++lfo) {
    e.SetLfoParameter(lfo, LfoParam::kShape, kLfoRandom);
    e.SetLfoParameter(lfo, LfoParam::kRate, 1.0);  // Hz
    e.SetLfoParameter(lfo, LfoParam::kSync, 0.0);
    e.SetLfoParameter(lfo, LfoParam::kSkew, 0.5);
  }
  e.SetMidSide(false);
  e.SetDryGain(0.0);
  e.SetWetGain(1.0);
}

// One change of an engine input; an engine fixture applies a list of them in order.
using Change = std::function<void(GrainEngine&)>;
using Changes = std::vector<Change>;

inline Change Base(ModulatedSetting s, double value) {
  return [=](GrainEngine& e) { e.SetBase(s, value); };
}
inline Change Depth(ModulatedSetting s, double depth) {
  return [=](GrainEngine& e) { e.SetDepth(s, depth); };
}
inline Change EnvelopeShape(int slot, int shape) {
  return [=](GrainEngine& e) { e.SetEnvelopeShape(slot, shape); };
}
inline Change EnvelopeSkew(int slot, double skew) {
  return [=](GrainEngine& e) { e.SetEnvelopeSkew(slot, skew); };
}
inline Change Lfo(int lfo, LfoParam which, double value) {
  return [=](GrainEngine& e) { e.SetLfoParameter(lfo, which, value); };
}
inline Change MidSide(bool on) {
  return [=](GrainEngine& e) { e.SetMidSide(on); };
}
inline Change Dry(double gain) {
  return [=](GrainEngine& e) { e.SetDryGain(gain); };
}
inline Change Wet(double gain) {
  return [=](GrainEngine& e) { e.SetWetGain(gain); };
}

// An engine with the default inputs and the given changes, applied in order.
struct Engine {
  GrainEngine e;
  explicit Engine(const Changes& changes = {}) {
    ApplyDefaults(e);
    Apply(changes);
  }
  void Apply(const Changes& changes) {
    for (const Change& change : changes) change(e);
  }
};

// Two channels of audio.
struct Stereo {
  std::vector<double> l, r;
  explicit Stereo(int n, double lv = 0.0, double rv = 0.0) : l(n, lv), r(n, rv) {}
  int size() const { return static_cast<int>(l.size()); }
};

// Processes `in` in blocks of `block` samples, returns the output.
inline Stereo Process(GrainEngine& e, const Stereo& in, int block, double tempo = 120.0) {
  Stereo out(in.size());
  for (int at = 0; at < in.size(); at += block) {
    const int n = std::min(block, in.size() - at);
    const double* ip[2] = {in.l.data() + at, in.r.data() + at};
    double* op[2] = {out.l.data() + at, out.r.data() + at};
    e.ProcessBlock(ip, op, n, tempo);
  }
  return out;
}

// A deterministic test signal: two unrelated sines plus a ramp.
inline Stereo TestSignal(int n) {
  Stereo s(n);
  for (int i = 0; i < n; ++i) {
    s.l[i] = 0.5 * std::sin(0.031 * i) + 0.1 * ((i % 97) / 97.0);
    s.r[i] = 0.4 * std::sin(0.017 * i + 1.0);
  }
  return s;
}

}  // namespace enginetest
