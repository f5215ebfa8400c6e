// Helpers for the engine tests: the parameters' default values, a block driver and signals.
#pragma once

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/grain_engine.h"
#include "engine/parameter_indices.h"

namespace enginetest {

// Default plain value of each of the 89 parameters, in index order.
inline std::vector<double> DefaultParameters() {
  std::vector<double> v(kParameterCount, 0.0);
  v[0] = 30;     // Length
  v[3] = 20;     // Onset
  v[9] = 0.5;    // Pan
  v[12] = 1;     // Dir
  v[18] = 1;     // Speed
  v[28] = 0.25;  // FB Apply
  v[31] = 1;     // Ampl
  v[37] = 1;     // BufLen
  v[40] = 1;     // ScanRate
  v[43] = 1;     // Envelope slot selector
  for (int j = 0; j < 4; ++j) {
    v[46 + 2 * j] = 1;    // Triangle
    v[47 + 2 * j] = 0.5;  // Env Skew
  }
  for (int n = 0; n < 8; ++n) {
    v[54 + 4 * n] = 4;    // Random
    v[55 + 4 * n] = 1;    // 1 Hz
    v[57 + 4 * n] = 0.5;  // Skew
  }
  v[88] = 1;  // Wet
  return v;
}

// Applies every parameter in index order, as the host's open request does.
inline void ApplyDefaults(GrainEngine& e) {
  const std::vector<double> v = DefaultParameters();
  for (int i = 0; i < kParameterCount; ++i) e.OnParameterChanged(i, v[i]);
}

// An engine with default parameters and the given (index, plain value) changes, applied in order.
struct Engine {
  GrainEngine e;
  explicit Engine(std::initializer_list<std::pair<int, double>> changes = {}) {
    ApplyDefaults(e);
    Apply(changes);
  }
  void Apply(std::initializer_list<std::pair<int, double>> changes) {
    for (auto [i, v] : changes) e.OnParameterChanged(i, v);
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
