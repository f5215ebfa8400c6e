// The LFO bank: lane assignment, the active list, parameter application with tempo sync, and the
// control-rate tick that latches one value per LFO.
#include "modulation/lfo_bank.h"

#include <bit>
#include <cmath>

#include "modulation/lfo_soa.h"
#include "modulation/periodic_lfos.h"
#include "modulation/random_lfos.h"
#include "modulation/sample_hold_lfo.h"
#include "modulation/static_lfo.h"
#include "modulation/sync_divisions.h"

namespace modulation {

namespace {

constexpr std::uint32_t kFullMask = 0xFu;
// The normalised position of a rate, as the Rate parameters normalise it.
double NormalisedRate(double hz) {
  return std::pow((hz - kLfoRateMin) / (kLfoRateMax - kLfoRateMin), 1.0 / kLfoRateExponent);
}

}  // namespace

const LfoSoa& SharedDefaultSource() {
  // A static object rather than a leaked pointer: never destroyed before the last bank, and
  // never reported as a leak.
  static const StaticLfo source;
  return source;
}

LfoBank::LfoBank() {
  for (int k = 0; k < 2; ++k) {
    objects_[ObjectIndex(kLfoConst, k)] = std::make_unique<StaticLfo>();
    objects_[ObjectIndex(kLfoTriangle, k)] = std::make_unique<TriangleLfo>();
    objects_[ObjectIndex(kLfoSquare, k)] = std::make_unique<SquareLfo>();
    objects_[ObjectIndex(kLfoSine, k)] = std::make_unique<SineLfo>();
    objects_[ObjectIndex(kLfoRandom, k)] = std::make_unique<RandomLfo>();
    objects_[ObjectIndex(kLfoRandomSquare, k)] = std::make_unique<RandomSquareLfo>();
    objects_[ObjectIndex(kLfoSampleHold, k)] = std::make_unique<SampleHoldLfo>();
  }
  const LfoSoa& shared = SharedDefaultSource();
  for (LfoRecord& record : records_) {
    record = LfoRecord{0.0, &shared, -1, 0, &shared.Output(0)};
  }
  SetSampleRate(44100.0);
  for (int lfo = 0; lfo < kLfoCount; ++lfo) AssignShape(lfo, settings_[lfo]);
}

LfoBank::~LfoBank() = default;

void LfoBank::SetSampleRate(double sampleRate) {
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return;
  for (const std::unique_ptr<LfoSoa>& object : objects_) {
    object->StoreSampleRate(static_cast<float>(sampleRate));
    for (int lane = 0; lane < Soa4::kLanes; ++lane) object->Recompute(lane);
  }
}

void LfoBank::AssignShape(int lfo, const LfoSettings& settings) {
  const int shape = settings.shape;
  if (lfo < 0 || lfo >= kLfoCount || shape < 0 || shape >= kLfoShapeCount) return;
  int chosenIndex = -1;
  for (int k = 0; k < 2 && chosenIndex < 0; ++k) {
    const int index = ObjectIndex(shape, k);
    if ((objects_[index]->laneMask_ & kFullMask) != kFullMask) chosenIndex = index;
  }
  if (chosenIndex < 0) return;  // all eight LFOs already use this kind: keep the current lane

  LfoRecord& record = records_[lfo];
  if (record.objectIndex >= 0) {  // the shared default source is never written
    Node* current = objects_[record.objectIndex].get();
    current->laneMask_ &= ~(1u << record.lane);
    if (current->laneMask_ == 0 && active_.Contains(current)) active_.Unlink(current);
  }

  LfoSoa& chosen = *objects_[chosenIndex];
  Node& chosenNode = chosen;
  const int lane = std::countr_zero(~chosenNode.laneMask_ & kFullMask);
  chosenNode.laneMask_ |= 1u << lane;
  chosen.SetRateAndSkew(lane, settings.rate, settings.skew);
  record = LfoRecord{chosen.Output(lane), &chosen, chosenIndex, lane, &chosen.Output(lane)};
  if (shape != kLfoConst && !active_.Contains(&chosenNode)) active_.PushBack(&chosenNode);
}

void LfoBank::ApplyLfoParameter(LfoParam which, int lfo, double value) {
  if (lfo < 0 || lfo >= kLfoCount || !std::isfinite(value)) return;
  LfoSettings& settings = settings_[lfo];
  switch (which) {
    case LfoParam::kShape: {
      // Out-of-range shapes leave the LFO and its settings (which the editor indexes) alone.
      if (value <= -1.0 || value >= static_cast<double>(kLfoShapeCount)) return;
      settings.shape = static_cast<int>(value);
      AssignShape(lfo, settings);
      return;
    }
    case LfoParam::kRate: {
      const double hz = std::fmin(std::fmax(value, kLfoRateMin), kLfoRateMax);
      int division = static_cast<int>(NormalisedRate(hz) * (kSyncDivisionCount - 1));
      if (division > kSyncDivisionCount - 1) division = kSyncDivisionCount - 1;
      settings.divisionIndex = division;
      settings.rateParameter = hz;
      break;
    }
    case LfoParam::kSync:
      settings.sync = value >= 0.5;
      break;
    case LfoParam::kSkew: {
      settings.skew = static_cast<float>(std::fmin(std::fmax(value, 0.0), 1.0));
      const LfoRecord& record = records_[lfo];
      if (record.objectIndex >= 0)
        objects_[record.objectIndex]->SetSkew(record.lane, settings.skew);
      return;
    }
    default:
      return;
  }
  ApplyRate(lfo);
}

void LfoBank::SetTempo(double bpm) {
  const double tempo = bpm > 0.0 && bpm < 1.0e6 ? bpm : 120.0;
  if (tempo == tempo_) return;
  tempo_ = tempo;
  for (int lfo = 0; lfo < kLfoCount; ++lfo) {
    if (settings_[lfo].sync) ApplyRate(lfo);
  }
}

void LfoBank::ApplyRate(int lfo) {
  LfoSettings& settings = settings_[lfo];
  settings.rate = settings.sync
                      ? static_cast<float>(kSyncDivisionFactors[settings.divisionIndex] * tempo_)
                      : static_cast<float>(settings.rateParameter);
  const LfoRecord& record = records_[lfo];
  if (record.objectIndex >= 0) objects_[record.objectIndex]->SetRate(record.lane, settings.rate);
}

void LfoBank::TickBank() {
  for (Node* node = active_.Head(); node != nullptr; node = node->next_) {
    static_cast<LfoSoa*>(node)->Tick();
  }
  for (LfoRecord& record : records_) record.latched = *record.output;
}

}  // namespace modulation
