// The abstract four-lane LFO: per-lane settings and state, the shared increment and phase
// helpers, and the virtual operations every LFO kind implements.
#pragma once

#include "modulation/soa4.h"

namespace modulation {

// 2π as compared with or wrapped against a phase (float), and as a setting is multiplied by it.
constexpr float kTwoPiPhase = 6.2831855f;
constexpr double kTwoPiSetting = 6.2831854820251465;
constexpr float kPiPhase = 3.1415927f;
constexpr double kInverseTwoPi = 0.15915493667125702;
// Samples per control tick, shared by the engine's block loop and the LFOs.
constexpr int kControlPeriod = 16;

// Every operation runs under the plug-in's instance lock: Tick on the audio thread inside block
// processing, the setters from parameter application. Nothing here locks, allocates or throws.
class LfoSoa : public Soa4 {
 public:
  virtual ~LfoSoa() = default;
  LfoSoa(const LfoSoa&) = delete;
  LfoSoa& operator=(const LfoSoa&) = delete;

  // Virtual operations in slot order; lane is 0..3, rate in Hz, skew 0..1.
  virtual void SetRateAndSkew(int lane, float rate, float skew);
  virtual void SetRate(int lane, float rate);
  // Nothing calls it in the plug-in; the interval stays kControlPeriod.
  virtual void SetTickInterval(int lane, int samples);
  virtual void SetSkew(int lane, float skew);
  // Derives the lane's increment and kind-specific coefficients from its settings.
  virtual void Recompute(int lane);
  // Advances all four lanes by one control tick, assigned or not.
  virtual void Tick() = 0;
  // Writes count values of one cycle of the lane's shape, from phase 0 in steps of 2π / count,
  // without changing any state (a preview; the audio path never calls it).
  virtual void RenderCycle(int lane, float* buffer, int count) const = 0;

  // Writes the sample-rate lanes only; the bank then calls Recompute for every lane.
  void StoreSampleRate(float sampleRate);

  // Read access for the bank, the routing and tests.
  const float& Output(int lane) const { return output_[lane]; }
  float Phase(int lane) const { return phase_[lane]; }
  float Increment(int lane) const { return increment_[lane]; }
  float Rate(int lane) const { return rate_[lane]; }
  float SkewPhase(int lane) const { return skewPhase_[lane]; }
  float SampleRate(int lane) const { return sampleRate_[lane]; }
  float CoefficientA(int lane) const { return a_[lane]; }
  float CoefficientB(int lane) const { return b_[lane]; }
  float CoefficientC(int lane) const { return c_[lane]; }
  float CoefficientD(int lane) const { return d_[lane]; }

 protected:
  LfoSoa();

  // The base part of Recompute: increment = rate × 2π ÷ (sample rate ÷ tick interval).
  void ComputeIncrement(int lane);
  // phase += increment; where the result exceeds 2π, 2π is subtracted once. Returns the mask of
  // the lanes that wrapped.
  __m128 AdvancePhase();
  // The phase of step i of a count-step preview cycle.
  static float PreviewPhase(int i, int count) {
    return static_cast<float>(static_cast<double>(i) * kTwoPiSetting / count);
  }

  alignas(16) Lanes output_ = {};     // 0..1
  alignas(16) Lanes phase_ = {};      // radians, 0..2π
  alignas(16) Lanes increment_ = {};  // radians per tick
  alignas(16) Lanes a_ = {};          // kind-specific coefficients A..D
  alignas(16) Lanes b_ = {};
  alignas(16) Lanes c_ = {};
  alignas(16) Lanes d_ = {};
  alignas(16) Lanes skewPhase_ = {};  // skew × 2π
  alignas(16) Lanes sampleRate_;      // Hz
  alignas(16) Lanes tickInterval_;    // samples per tick
  alignas(16) Lanes rate_;            // Hz
};

static_assert(alignof(LfoSoa) == 16, "LFO objects are loaded and stored as aligned vectors");

}  // namespace modulation
