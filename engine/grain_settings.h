// The current values of the fifteen modulatable settings used for the next grain and by the
// block path, plus the three durations converted to samples.
#pragma once

struct GrainSettings {
  float Length = 30.0f;  // ms, 1 .. 150
  float Onset = 20.0f;   // ms, 0.1 .. 50
  float Source = 0.0f;   // 0 reads channel 1, 1 reads channel 0
  int windowIndex = 0;   // the Envelope value truncated, 0 .. 4 (slot = index - 1, kept in 0..3)
  float Pan = 0.5f;      // 0 left .. 1 right
  float Dir = 1.0f;      // > 0 forwards, otherwise backwards
  float Pitch = 0.0f;    // semitones, -24 .. 24
  float Speed = 1.0f;    // 0 .. 1
  float Delay = 0.0f;    // ms, 0 .. 150
  float Feedback = 0.0f;
  float FBApply = 0.25f;  // share of grains that feed back
  float Ampl = 1.0f;
  float Freeze = 0.0f;    // above 0.5 stops capture
  float BufLen = 1.0f;    // share of the usable capture length
  float ScanRate = 1.0f;  // -2 .. 2, scan samples per block sample
  double LengthSamples = 0.0;
  double OnsetSamples = 0.0;
  double DelaySamples = 0.0;
};
