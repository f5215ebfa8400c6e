// OnParameterChanged and ResetProcessing: parameter values and the sample rate turned into engine
// state.
#include <algorithm>
#include <cmath>

#include "engine/grain_engine.h"
#include "engine/parameter_indices.h"

namespace {

// Truncation toward zero that stays defined for any finite value.
int TruncToInt(double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); }
float ToFloat(double v) { return static_cast<float>(std::clamp(v, -1.0e30, 1.0e30)); }

}  // namespace

void GrainEngine::OnParameterChanged(int index, double value) {
  if (!std::isfinite(value)) return;
  for (int slot = 0; slot < kModulatedSettingCount; ++slot) {
    const ModulatedSettingParameters& p = kModulatedSettingParameters[slot];
    if (index == p.base) return modSlots_.SetValue(slot, ToFloat(value));
    if (index == p.source) return modSlots_.SetSelector(slot, TruncToInt(value));
    if (index == p.depth) return modSlots_.SetDepth(slot, ToFloat(value));
  }
  if (index == kParamDelaySync) {
    delaySync_ = value > 0.5;
  } else if (index >= kParamEnvelopeShape1 && index < kParamLfoShape1) {
    const int j = (index - kParamEnvelopeShape1) / 2;
    EnvelopeSlot& slot = envelopes_[j];
    if ((index - kParamEnvelopeShape1) % 2 == 0) {
      // A new shape starts from skew 0.5 until its skew parameter is applied again.
      envelopeShape_[j] = slot.shape = TruncToInt(value);
      slot.skew = 0.5f;
    } else {
      envelopeSkew_[j] = slot.skew = static_cast<float>(std::clamp(value, 0.0, 1.0));
    }
    BuildWindow(slot);
  } else if (index >= kParamLfoShape1 && index <= kParamLfoSkew8) {
    const int n = (index - kParamLfoShape1) / 4;
    lfos_.ApplyLfoParameter(static_cast<LfoParam>((index - kParamLfoShape1) % 4), n, value);
  } else if (index == kParamMidSide) {
    midSide_ = value > 0.5;
  } else if (index == kParamDry) {
    dryGain_ = std::clamp(value, 0.0, 1.0);
  } else if (index == kParamWet) {
    wetGain_ = std::clamp(value, 0.0, 2.0);
  }
}

void GrainEngine::ResetProcessing(double sampleRate) {
  if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) return;
  sampleRate_ = sampleRate;
  sampleRateInt_ = static_cast<int>(sampleRate);
  samplesPerMs_ = sampleRate * 0.001;
  lfos_.SetSampleRate(sampleRate);
}
