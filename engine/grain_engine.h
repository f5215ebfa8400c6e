// The grain engine: captures the input, runs the control-rate loop that ticks the LFOs and starts
// grains, renders the grains into the wet signal and mixes it with the dry one.
#pragma once

#include <cstdint>

#include "engine/capture_buffer.h"
#include "engine/envelope_window.h"
#include "engine/grain_pool.h"
#include "engine/grain_settings.h"
#include "engine/linear_ramp.h"
#include "engine/mod_slot.h"
#include "modulation/lfo_bank.h"
#include "modulation/lfo_soa.h"
#include "modulation/xorshift128.h"

namespace engine {

constexpr int kWetCapacity = 4096;  // samples per processed piece at most
// Blocks are processed in pieces that end on every 512th sample of audio: a grain that reads
// ahead of the write position hears input captured at most that far ahead, and hosts whose blocks
// are multiples of 512 samples all get the same pieces.
constexpr int kPieceLength = 512;
// Grains that keep their envelope while its slot changes: each slot hands out copies of its table,
// and a copy is rewritten only once no grain holds it.
constexpr int kEnvelopeCopies = 4;
constexpr double kMixRampMs = 10.0;    // Dry, Wet and the mid/side switch move over this time
constexpr double kFeedbackDcHz = 5.0;  // corner of the high-pass in the feedback write
constexpr int kEnvelopeStride = kWindowSize + 2;  // a table and its two guard entries

// The per-sample coefficient of the feedback DC blocker's one-pole low-pass.
double FeedbackDcCoefficient(double sampleRate);

class GrainEngine {
 public:
  // Allocates everything the audio path uses: capture buffer, pool, envelope slots, mod slots,
  // LFO bank; sets 44100 Hz.
  GrainEngine();
  GrainEngine(const GrainEngine&) = delete;
  GrainEngine& operator=(const GrainEngine&) = delete;

  // Audio thread, under the instance lock. inputs/outputs: two channels each, distinct arrays of
  // count doubles. Any count >= 0 (run in pieces that end on every kPieceLength-th sample).
  // hostTempo in beats per minute; <= 0 (or not a number) means none, and 120 is used.
  // Allocates nothing, flushes denormals while it runs.
  void ProcessBlock(const double* const* inputs, double* const* outputs, int count,
                    double hostTempo);
  // Audio thread, under the instance lock: a block while the host's transport stands still. The
  // engine stays as it is (buffer, positions, grains, LFOs); the outputs get the dry signal at the
  // Dry gain, so what is played through the effect stays audible.
  void ProcessDryOnly(const double* const* inputs, double* const* outputs, int count);

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
  void SetLfoParameter(int lfo, modulation::LfoParam which, double value);
  // The mix: the tempo-synced delay flag (stored only: the grain delay is always "Delay" in ms),
  // mid/side coding, the dry gain 0 .. 1 and the wet gain 0 .. 2. Once audio has been processed,
  // a change moves there over kMixRampMs, sample by sample, from wherever the last one got to.
  void SetDelaySync(bool on) { delaySync_ = on; }
  void SetMidSide(bool on);
  void SetDryGain(double gain);
  void SetWetGain(double gain);
  // Under the instance lock: the mix settings jump to their values (a state or program was
  // loaded), and so does every change until the next block.
  void SkipRamps();

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
  const modulation::LfoBank& Lfos() const { return lfos_; }

  // Under the instance lock: sets the SIMD path grains render with (every path gives the same output
  // to the bit). A new engine takes DefaultRenderPath(); false (unchanged) for a path the
  // processor lacks.
  bool SetRenderPath(RenderPath path) { return pool_.SetRenderPath(path); }

 private:
  friend struct GrainEngineTestAccess;

  // One block of at most kWetCapacity samples, the whole block sequence of steps.
  void ProcessPiece(const double* const* inputs, double* const* outputs, int count);
  // Stores block samples from .. to - 1 at WritePos + n, unless frozen; mid/side encoded.
  void CaptureUpTo(const double* const* inputs, int to);
  void RunControlLoop(const double* const* inputs, int count);
  void TakeGrainSettings();
  void ApplyBufLen(float bufLen, int at);
  // The scan position moves by ScanRate per sample; held in 1/2^32 samples so that where it
  // stands at a sample is the same whatever block layout brought it there.
  void AdvanceScanTo(int at);
  std::int64_t ScanAt(int at) const;
  // Audio thread: starts one grain at `offset` samples from the block's first sample.
  void SpawnGrain(int offset);
  void MixWet(double* const* outputs, int count);
  void AdvanceRamps(int count);
  void AdvancePositions(int count);
  void UpdateStatistics(int count);
  // Makes slot `slot`'s table the one new grains get, in a copy no grain holds; when every
  // copy is held, the slot waits and tries again at the next block.
  void PublishEnvelope(int slot);
  const double* EnvelopeCopy(int copy) const {
    return envelopeCopies_.data() + copy * kEnvelopeStride;
  }
  int RampLength() const;

  CaptureBuffer capture_;
  AlignedDoubles wet_{2 * kWetCapacity};  // WetAccumulator pair, interleaved left, right
  AlignedDoubles silence_{4};             // what lanes without a buffer read
  EnvelopeSlot envelopes_[kEnvelopeSlotCount];
  AlignedDoubles envelopeCopies_{kEnvelopeSlotCount * kEnvelopeCopies * kEnvelopeStride};
  int envelopeUsers_[kEnvelopeSlotCount * kEnvelopeCopies] = {};  // lanes holding each copy
  int currentCopy_[kEnvelopeSlotCount] = {};
  bool envelopeWaiting_[kEnvelopeSlotCount] = {};
  GrainPool pool_;
  ModSlotBank modSlots_;
  modulation::LfoBank lfos_;
  modulation::Xorshift128 random_;
  GrainSettings settings_;
  float previousBufLen_ = 0.0f;
  bool hasPreviousBufLen_ = false;  // the first spawn tick always computes the buffer length

  LinearRamp dryGain_;
  LinearRamp wetGain_;
  LinearRamp midSide_;  // 0 plain stereo, 1 mid/side; between the two while switching
  bool rampsArmed_ = false;  // changes jump until a block has been processed
  bool delaySync_ = false;
  double feedbackDc_[2] = {};  // the feedback DC blocker's low-pass state per channel
  double feedbackDcCoefficient_ = 0.0;
  int envelopeShape_[kEnvelopeSlotCount] = {};
  float envelopeSkew_[kEnvelopeSlotCount] = {};

  double tempo_ = 120.0;
  double sampleRate_ = 44100.0;
  int sampleRateInt_ = 44100;
  double samplesPerMs_ = 44.1;

  int nextTick_ = 0;  // a control tick falls every 16 samples of audio, whatever the blocks
  int pieceUsed_ = 0;  // samples of audio since the last piece boundary, 0 .. kPieceLength - 1
  int spawnCountdown_ = 0;
  int captured_ = 0;  // block samples stored so far
  std::int64_t scanFixed_ = 0;  // ScanPos in 1/2^32 samples, at block sample scanTime_
  std::int64_t scanStep_ = std::int64_t{1} << 32;  // ScanRate in 1/2^32 samples per sample
  int scanTime_ = 0;

  int grainsStarted_ = 0;
  std::int64_t densitySum_ = 0;
  int densityBlocks_ = 0;
  int statisticsCountdown_ = 0;
  bool statisticsReady_ = false;
  int readyGrainsPerSecond_ = 0;
  int readyDensity_ = 0;
};

}  // namespace engine
