// OnParameterChanged and ResetProcessing: parameter values and the sample rate turned into engine
// state.
#include <algorithm>
#include <cmath>

#include "engine/grain_engine.h"

namespace {

struct SlotParameters {
  int value;
  int selector;
  int depth;
  int slot;
};

// The three parameters of each modulatable setting, by parameter index.
constexpr SlotParameters kSlotParameters[kModulatedSettingCount] = {
    {0, 1, 2, kSetLength},       // "Length", "Lng Mod", "Lng Dpth"
    {3, 4, 5, kSetOnset},        // "Onset", "Ons Mod", "Ons Dpth"
    {6, 7, 8, kSetSource},       // "Source", "Src Mod", "Src Dpth"
    {9, 10, 11, kSetPan},        // "Pan", "Pan Mod", "Pan Dpth"
    {12, 13, 14, kSetDir},       // "Dir", "Dir Mod", "Dir Dpth"
    {15, 16, 17, kSetPitch},     // "Pitch", "Pch Mod", "Pch Dpth"
    {18, 19, 20, kSetSpeed},     // "Speed", "Spd Mod", "Spd Dpth"
    {21, 22, 23, kSetDelay},     // "Delay", "Dly Mod", "Dly Dpth"
    {25, 26, 27, kSetFeedback},  // "Feedback", "FB Mod", "FB Dpth"
    {28, 29, 30, kSetFBApply},   // "FB Apply", "FBA Mod", "FBA Dpth"
    {31, 32, 33, kSetAmpl},      // "Ampl", "Ampl Mod", "Amp Dpth"
    {34, 35, 36, kSetFreeze},    // "Freeze", "Frz Mod", "Frz Dpth"
    {37, 38, 39, kSetBufLen},    // "BufLen", "BfLn Mod", "BfLnDpth"
    {40, 41, 42, kSetScanRate},  // "ScanRate", "Scan Mod", "ScanDpth"
    {43, 44, 45, kSetEnvelope},  // "Envelope", "Dst Mod", "Dst Dpth"
};

constexpr int kDelaySyncIndex = 24;
constexpr int kFirstEnvelopeIndex = 46;  // shape, skew of slot j at 46 + 2j, 47 + 2j
constexpr int kFirstLfoIndex = 54;       // shape, rate, sync, skew of LFO n at 54 + 4n ..
constexpr int kLastLfoIndex = 85;
constexpr int kMidSideIndex = 86;
constexpr int kDryIndex = 87;
constexpr int kWetIndex = 88;

// Truncation toward zero that stays defined for any finite value.
int TruncToInt(double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); }
float ToFloat(double v) { return static_cast<float>(std::clamp(v, -1.0e30, 1.0e30)); }

}  // namespace

void GrainEngine::OnParameterChanged(int index, double value) {
  if (!std::isfinite(value)) return;
  for (const SlotParameters& p : kSlotParameters) {
    if (index == p.value) return modSlots_.SetValue(p.slot, ToFloat(value));
    if (index == p.selector) return modSlots_.SetSelector(p.slot, TruncToInt(value));
    if (index == p.depth) return modSlots_.SetDepth(p.slot, ToFloat(value));
  }
  if (index == kDelaySyncIndex) {
    delaySync_ = value > 0.5;
  } else if (index >= kFirstEnvelopeIndex && index < kFirstLfoIndex) {
    const int j = (index - kFirstEnvelopeIndex) / 2;
    EnvelopeSlot& slot = envelopes_[j];
    if ((index - kFirstEnvelopeIndex) % 2 == 0) {
      // A new shape starts from skew 0.5 until its skew parameter is applied again.
      envelopeShape_[j] = slot.shape = TruncToInt(value);
      slot.skew = 0.5f;
    } else {
      envelopeSkew_[j] = slot.skew = static_cast<float>(std::clamp(value, 0.0, 1.0));
    }
    BuildWindow(slot);
  } else if (index >= kFirstLfoIndex && index <= kLastLfoIndex) {
    const int n = (index - kFirstLfoIndex) / 4;
    lfos_.ApplyLfoParameter(static_cast<LfoParam>((index - kFirstLfoIndex) % 4), n, value);
  } else if (index == kMidSideIndex) {
    midSide_ = value > 0.5;
  } else if (index == kDryIndex) {
    dryGain_ = std::clamp(value, 0.0, 1.0);
  } else if (index == kWetIndex) {
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
