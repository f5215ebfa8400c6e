// The grain engine: captures the input, runs the control-rate loop that ticks the LFOs and starts
// grains, renders the grains into the wet signal and mixes it with the dry one.
#pragma once

#include <cstdint>

#include "engine/capture_buffer.h"
#include "engine/envelope_window.h"
#include "engine/grain_pool.h"
#include "engine/grain_settings.h"
#include "engine/mod_slot.h"
#include "modulation/lfo_bank.h"
#include "modulation/lfo_soa.h"
#include "modulation/xorshift128.h"

constexpr int kWetCapacity = 4096;  // samples per processed piece

class GrainEngine {
 public:
  // Allocates everything the audio path uses: capture buffer, pool, envelope slots, mod slots,
  // LFO bank; sets 44100 Hz.
  GrainEngine();
  GrainEngine(const GrainEngine&) = delete;
  GrainEngine& operator=(const GrainEngine&) = delete;

  // Audio thread, under the instance lock. inputs/outputs: two channels each, distinct arrays of
  // count doubles. Any count >= 0 (longer blocks run as pieces of at most kWetCapacity samples).
  // hostTempo in beats per minute; <= 0 (or not a number) means none, and 120 is used.
  // Allocates nothing, flushes denormals while it runs.
  void ProcessBlock(const double* const* inputs, double* const* outputs, int count,
                    double hostTempo);

  // The engine's inputs. Any thread, under the instance lock. Values that are not finite are
  // ignored, the others kept inside their ranges; a setting, slot or LFO out of range is ignored.
  // Modulated setting: its base value (in the setting's unit, limits in kModSlotLimits), the LFO
  // 0 .. 7 that modulates it and the depth 0 .. 1; each refreshes the setting's window.
  void SetBase(ModulatedSetting setting, double value);
  void SetSource(ModulatedSetting setting, int lfo);
  void SetDepth(ModulatedSetting setting, double depth);
  // Envelope slot 0 .. 3: a new WindowShape starts from skew 0.5 (a shape outside 0 .. 9 is
  // stored and leaves the table alone); a new skew 0 .. 1 keeps the shape. Both rebuild the table.
  void SetEnvelopeShape(int slot, int shape);
  void SetEnvelopeSkew(int slot, double skew);
  // One of LFO 0 .. 7's four settings, as LfoBank::ApplyLfoParameter takes it.
  void SetLfoParameter(int lfo, LfoParam which, double value);
  // The mix: the tempo-synced delay flag (stored only: the grain delay is always "Delay" in ms),
  // mid/side coding, the dry gain 0 .. 1 and the wet gain 0 .. 2.
  void SetDelaySync(bool on) { delaySync_ = on; }
  void SetMidSide(bool on) { midSide_ = on; }
  void SetDryGain(double gain);
  void SetWetGain(double gain);

  // Any thread, under the instance lock: processing (re)starts at sampleRate Hz. Only the
  // sample-rate fields and the LFO rates change; a rate outside 1 .. 10 MHz is ignored.
  void ResetProcessing(double sampleRate);

  // Audio thread after ProcessBlock (or any thread), under the instance lock: true once a new
  // pair of read-out values (grains started, mean grains alive) is ready, about once per second
  // of audio; the pair is then handed over and cleared.
  bool TakeStatistics(int* grainsPerSecond, int* density);

  // Any thread, under the instance lock: the 200 entries of envelope slot 0 .. 3 (others clamp).
  const double* EnvelopeTable(int slot) const {
    return envelopes_[slot < 0 ? 0 : (slot > 3 ? 3 : slot)].table.data();
  }
  const LfoBank& Lfos() const { return lfos_; }

  // Under the instance lock: the SIMD path grains render with (every path gives the same output
  // to the bit). A new engine takes DefaultRenderPath(); false (unchanged) for a path the
  // processor lacks.
  bool SetRenderPath(RenderPath path) { return pool_.SetRenderPath(path); }
  RenderPath GetRenderPath() const { return pool_.GetRenderPath(); }

  // Read access for tests and the editor, under the instance lock.
  const GrainSettings& Settings() const { return settings_; }
  const CaptureBuffer& Capture() const { return capture_; }
  const GrainPool& Pool() const { return pool_; }
  const ModSlotBank& ModSlots() const { return modSlots_; }
  const EnvelopeSlot& Envelope(int slot) const { return envelopes_[slot]; }
  int ActiveGrainCount() const { return pool_.ActiveGrainCount(); }
  int SpawnCountdown() const { return spawnCountdown_; }
  int ControlCountdown() const { return controlCountdown_; }
  int ControlLeftover() const { return controlLeftover_; }
  double SampleRate() const { return sampleRate_; }
  double SamplesPerMs() const { return samplesPerMs_; }
  double Tempo() const { return tempo_; }
  double DryGain() const { return dryGain_; }
  double WetGain() const { return wetGain_; }
  bool MidSide() const { return midSide_; }
  bool DelaySync() const { return delaySync_; }

 private:
  // Tests replay the loop that dropped each block's leftover samples, as a reference.
  friend struct GrainEngineTestAccess;

  // One block of at most kWetCapacity samples, the whole block sequence of steps.
  void ProcessPiece(const double* const* inputs, double* const* outputs, int count);
  void Capture(const double* const* inputs, int count);
  void RunControlLoop(int count);
  void TakeGrainSettings();
  void ApplyBufLen(float bufLen);
  // Audio thread: starts one grain at `offset` samples from the block's first sample.
  void SpawnGrain(int offset);
  void AdvancePositions(int count);
  void UpdateStatistics(int count);

  CaptureBuffer capture_;
  AlignedDoubles wet_{2 * kWetCapacity};  // WetAccumulator pair, interleaved left, right
  AlignedDoubles silence_{4};             // what lanes without a buffer read
  EnvelopeSlot envelopes_[kEnvelopeSlotCount];
  GrainPool pool_;
  ModSlotBank modSlots_;
  LfoBank lfos_;
  Xorshift128 random_;
  GrainSettings settings_;
  float previousBufLen_ = 0.0f;
  bool hasPreviousBufLen_ = false;  // the first spawn tick always computes the buffer length

  double dryGain_ = 0.0;
  double wetGain_ = 0.0;
  bool midSide_ = false;
  bool delaySync_ = false;
  int envelopeShape_[kEnvelopeSlotCount] = {};
  float envelopeSkew_[kEnvelopeSlotCount] = {};

  double tempo_ = 120.0;
  double sampleRate_ = 44100.0;
  int sampleRateInt_ = 44100;
  double samplesPerMs_ = 44.1;

  int controlCountdown_ = kControlPeriod;
  int controlLeftover_ = 0;  // samples of past blocks not yet counted toward a tick, 0 .. 15
  int spawnCountdown_ = 0;

  int grainsStarted_ = 0;
  std::int64_t densitySum_ = 0;
  int densityBlocks_ = 0;
  int statisticsCountdown_ = 0;
  bool statisticsReady_ = false;
  int readyGrainsPerSecond_ = 0;
  int readyDensity_ = 0;
};
