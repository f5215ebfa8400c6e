// The engine's inputs and ResetProcessing: setting values and the sample rate turned into engine
// state.
#include <algorithm>
#include <cmath>

#include "engine/grain_engine.h"

namespace engine {

namespace {

float ToFloat(double v) { return static_cast<float>(std::clamp(v, -1.0e30, 1.0e30)); }
bool IsSetting(ModulatedSetting s) { return s >= 0 && s < modulation::kModulatedSettingCount; }
bool IsEnvelopeSlot(int slot) { return slot >= 0 && slot < kEnvelopeSlotCount; }

}  // namespace

void GrainEngine::SetBase(ModulatedSetting setting, double value) {
  if (IsSetting(setting) && std::isfinite(value)) modSlots_.SetValue(setting, ToFloat(value));
}

void GrainEngine::SetSource(ModulatedSetting setting, int lfo) {
  if (IsSetting(setting)) modSlots_.SetSelector(setting, lfo);
}

void GrainEngine::SetDepth(ModulatedSetting setting, double depth) {
  if (IsSetting(setting) && std::isfinite(depth)) modSlots_.SetDepth(setting, ToFloat(depth));
}

void GrainEngine::SetEnvelopeShape(int slot, int shape) {
  if (!IsEnvelopeSlot(slot)) return;
  EnvelopeSlot& envelope = envelopes_[slot];
  // A new shape starts from skew 0.5 until the skew is set again.
  envelopeShape_[slot] = envelope.shape = shape;
  envelope.skew = 0.5f;
  BuildWindow(envelope);
  PublishEnvelope(slot);
}

void GrainEngine::SetEnvelopeSkew(int slot, double skew) {
  if (!IsEnvelopeSlot(slot) || !std::isfinite(skew)) return;
  EnvelopeSlot& envelope = envelopes_[slot];
  envelopeSkew_[slot] = envelope.skew = static_cast<float>(std::clamp(skew, 0.0, 1.0));
  BuildWindow(envelope);
  PublishEnvelope(slot);
}

void GrainEngine::SetLfoParameter(int lfo, modulation::LfoParam which, double value) {
  lfos_.ApplyLfoParameter(which, lfo, value);
}

void GrainEngine::SetMidSide(bool on) { midSide_.MoveTo(on ? 1.0 : 0.0, RampLength(), rampsArmed_); }

void GrainEngine::SetDryGain(double gain) {
  if (std::isfinite(gain)) dryGain_.MoveTo(std::clamp(gain, 0.0, 1.0), RampLength(), rampsArmed_);
}

void GrainEngine::SetWetGain(double gain) {
  if (std::isfinite(gain)) wetGain_.MoveTo(std::clamp(gain, 0.0, 2.0), RampLength(), rampsArmed_);
}

void GrainEngine::SkipRamps() {
  dryGain_.Jump();
  wetGain_.Jump();
  midSide_.Jump();
  rampsArmed_ = false;
}

void GrainEngine::ResetProcessing(double sampleRate) {
  if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) return;
  sampleRate_ = sampleRate;
  sampleRateInt_ = static_cast<int>(sampleRate);
  samplesPerMs_ = sampleRate * 0.001;
  feedbackDcCoefficient_ = FeedbackDcCoefficient(sampleRate);
  lfos_.SetSampleRate(sampleRate);
}

}  // namespace engine
