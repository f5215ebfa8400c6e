// The current values of the fifteen modulatable settings used for the next grain and by the
// block path, plus the three durations converted to samples.
#pragma once

namespace engine {

struct GrainSettings {
  float length = 30.0f;  // ms, 1 .. 150
  float onset = 20.0f;   // ms, 0.1 .. 50
  float source = 0.0f;   // 0 reads channel 1, 1 reads channel 0
  int windowIndex = 0;   // the Envelope value truncated, 0 .. 4 (slot = index - 1, kept in 0..3)
  float pan = 0.5f;      // 0 left .. 1 right
  float dir = 1.0f;      // > 0 forwards, otherwise backwards
  float pitch = 0.0f;    // semitones, -24 .. 24
  float speed = 1.0f;    // 0 .. 1
  float delay = 0.0f;    // ms, 0 .. 150
  float feedback = 0.0f;
  float fbApply = 0.25f;  // share of grains that feed back
  float ampl = 1.0f;
  float freeze = 0.0f;    // above 0.5 stops capture
  float bufLen = 1.0f;    // share of the usable capture length
  float scanRate = 1.0f;  // -2 .. 2, scan samples per block sample
  double lengthSamples = 0.0;
  double onsetSamples = 0.0;
  double delaySamples = 0.0;
};

}  // namespace engine
