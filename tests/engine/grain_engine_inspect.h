// What tests read of a GrainEngine's inner state, through the friend the engine declares: the
// product reads none of it.
#pragma once

#include "engine/grain_engine.h"

namespace engine {

struct GrainEngineTestAccess {
  const GrainEngine& e;

  const GrainSettings& Settings() const { return e.settings_; }
  const CaptureBuffer& Capture() const { return e.capture_; }
  const GrainPool& Pool() const { return e.pool_; }
  const ModSlotBank& ModSlots() const { return e.modSlots_; }
  const modulation::LfoBank& Lfos() const { return e.lfos_; }
  const EnvelopeSlot& Envelope(int slot) const { return e.envelopes_[slot]; }
  // The envelope copy that grains starting now get for slot 0 .. 3.
  const double* GrainEnvelope(int slot) const { return e.EnvelopeCopy(e.currentCopy_[slot]); }
  int ActiveGrainCount() const { return e.pool_.ActiveGrainCount(); }
  int SpawnCountdown() const { return e.spawnCountdown_; }
  // Samples from the start of the next block to the next control tick, 0 .. 15.
  int NextTick() const { return e.nextTick_; }
  double SampleRate() const { return e.sampleRate_; }
  double SamplesPerMs() const { return e.samplesPerMs_; }
  double Tempo() const { return e.tempo_; }
  double DryGain() const { return e.dryGain_.target; }
  double WetGain() const { return e.wetGain_.target; }
  bool MidSide() const { return e.midSide_.target > 0.5; }
  bool DelaySync() const { return e.delaySync_; }
  RenderPath GetRenderPath() const { return e.pool_.GetRenderPath(); }
};

inline GrainEngineTestAccess Inspect(const GrainEngine& e) { return {e}; }

}  // namespace engine
