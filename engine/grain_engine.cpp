// The block loop: capture, dry path, control ticks with grain spawns, render, wet mix, position
// advance and statistics, for one host block cut into pieces at every kPieceLength-th sample.
#include "engine/grain_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "common/denormal_guard.h"

namespace engine {

namespace {

// Host input that is not a finite number enters the engine as silence.
inline double Finite(double x) { return std::isfinite(x) ? x : 0.0; }

constexpr double kScanUnit = 4294967296.0;  // 2^32: the scan position's fraction

}  // namespace

double FeedbackDcCoefficient(double sampleRate) {
  return 1.0 - std::exp(-2.0 * std::numbers::pi * kFeedbackDcHz / sampleRate);
}

// The settings start at the slots' construction bases, so Freeze and ScanRate are defined before
// the first grain; the window index starts at 0.
GrainEngine::GrainEngine() : pool_(silence_.data(), envelopes_[0].table.data(), envelopeUsers_) {
  TakeGrainSettings();
  settings_.windowIndex = 0;
  for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) {
    currentCopy_[slot] = slot * kEnvelopeCopies;
    PublishEnvelope(slot);
  }
  feedbackDcCoefficient_ = FeedbackDcCoefficient(sampleRate_);
}

void GrainEngine::ProcessBlock(const double* const* inputs, double* const* outputs, int count,
                               double hostTempo) {
  if (count < 0 || inputs == nullptr || outputs == nullptr) return;
  common::DenormalGuard guard;
  int done = 0;
  do {
    const int n = std::min(count - done, kPieceLength - pieceUsed_);
    pieceUsed_ = (pieceUsed_ + n) % kPieceLength;
    const double* in[2] = {inputs[0] + done, inputs[1] + done};
    double* out[2] = {outputs[0] + done, outputs[1] + done};
    const double tempo = hostTempo > 0.0 && std::isfinite(hostTempo) ? hostTempo : 120.0;
    if (tempo != tempo_) {
      tempo_ = tempo;
      lfos_.SetTempo(tempo);
    }
    ProcessPiece(in, out, n);
    done += n;
  } while (done < count);
  rampsArmed_ = true;
}

void GrainEngine::ProcessDryOnly(const double* const* inputs, double* const* outputs, int count) {
  if (count <= 0 || inputs == nullptr || outputs == nullptr) return;
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < count; ++i) outputs[c][i] = Finite(inputs[c][i]) * dryGain_.At(i);
  }
  AdvanceRamps(count);
  rampsArmed_ = true;
}

void GrainEngine::ProcessPiece(const double* const* inputs, double* const* outputs, int count) {
  double* wet = wet_.data();
  std::fill_n(wet, 2 * count, 0.0);
  for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) {
    if (envelopeWaiting_[slot]) PublishEnvelope(slot);
  }

  // Plan the capture write: positions beyond the current length restart at 0.
  CaptureBuffer& c = capture_;
  if (c.WritePos >= c.BufferLength) {
    c.WritePos = 0;
    scanFixed_ = 0;
    scanTime_ = 0;
  }
  captured_ = 0;

  if (dryGain_.Moving()) {
    for (int ch = 0; ch < 2; ++ch) {
      for (int i = 0; i < count; ++i) outputs[ch][i] = Finite(inputs[ch][i]) * dryGain_.At(i);
    }
  } else if (dryGain_.current <= 0.0) {
    std::fill_n(outputs[0], count, 0.0);
    std::fill_n(outputs[1], count, 0.0);
  } else {
    const double g = dryGain_.current;
    for (int i = 0; i < count; ++i) outputs[0][i] = Finite(inputs[0][i]) * g;
    for (int i = 0; i < count; ++i) outputs[1][i] = Finite(inputs[1][i]) * g;
  }

  RunControlLoop(inputs, count);
  CaptureUpTo(inputs, count);

  if (pool_.ActiveGrainCount() > 0 || feedbackDc_[0] != 0.0 || feedbackDc_[1] != 0.0) {
    RenderTarget target;
    target.wet = wet;
    target.feedback0 = c.channel[0].data();
    target.feedback1 = c.channel[1].data();
    target.feedbackDc = feedbackDc_;
    target.feedbackDcCoefficient = feedbackDcCoefficient_;
    target.writePos = c.WritePos;
    target.bufferLength = c.BufferLength;
    target.count = count;
    pool_.RenderGrains(target);
  }

  MixWet(outputs, count);
  AdvanceRamps(count);
  AdvancePositions(count);
  UpdateStatistics(count);
}

// Block samples captured_ .. to - 1 go to (WritePos + n) wrapped into the length, each in turn, so
// a block longer than the buffer keeps its last BufferLength samples as a circular buffer does.
void GrainEngine::CaptureUpTo(const double* const* inputs, int to) {
  CaptureBuffer& c = capture_;
  const int from = captured_;
  captured_ = std::max(captured_, to);
  const int length = c.BufferLength;
  if (settings_.freeze > 0.5f || length <= 0 || from >= to) return;

  double* b0 = c.channel[0].data();
  double* b1 = c.channel[1].data();
  int at = WrapIndex(std::int64_t{c.WritePos} + from, length);
  for (int j = from; j < to; ++j) {
    const double a = Finite(inputs[0][j]);
    const double b = Finite(inputs[1][j]);
    if (midSide_.Moving()) {
      // Between the two codings while the switch fades.
      const double x = midSide_.At(j);
      b0[at] = (1.0 - x) * a + x * (0.5 * (a + b));
      b1[at] = (1.0 - x) * b + x * (0.5 * (a - b));
    } else if (midSide_.current > 0.5) {
      b0[at] = 0.5 * (a + b);
      b1[at] = 0.5 * (a - b);
    } else {
      b0[at] = a;
      b1[at] = b;
    }
    if (++at == length) at = 0;
  }
}

// A control tick falls on every 16th sample of audio, counted across blocks, and runs when the
// block reaches it. A grain that is due starts at the tick plus what is left of the spawn
// countdown, never before the tick, so a grain never starts in a block that has already gone:
// its first sample is in this block or a later one, whatever the block layout. The settings the
// tick takes (Freeze and ScanRate among them) apply from the tick on.
void GrainEngine::RunControlLoop(const double* const* inputs, int count) {
  while (nextTick_ < count) {
    const int tick = nextTick_;
    lfos_.TickBank();
    spawnCountdown_ -= modulation::kControlPeriod;
    if (spawnCountdown_ <= modulation::kControlPeriod) {
      CaptureUpTo(inputs, tick);
      AdvanceScanTo(tick);
      modulation::RouteModulation(modSlots_.Groups(), modSlots_.Selectors(), lfos_);
      TakeGrainSettings();
      ApplyBufLen(settings_.bufLen, tick);
      scanStep_ = std::llround(static_cast<double>(settings_.scanRate) * kScanUnit);
      settings_.lengthSamples = settings_.length * samplesPerMs_;
      settings_.onsetSamples = settings_.onset * samplesPerMs_;
      settings_.delaySamples = settings_.delay * samplesPerMs_;
      SpawnGrain(tick + std::max(spawnCountdown_, 0));
    }
    nextTick_ += modulation::kControlPeriod;
  }
  nextTick_ -= count;
}

void GrainEngine::TakeGrainSettings() {
  GrainSettings& s = settings_;
  s.length = modSlots_.Current(kSetLength);
  s.onset = modSlots_.Current(kSetOnset);
  s.source = modSlots_.Current(kSetSource);
  s.windowIndex = static_cast<int>(modSlots_.Current(kSetEnvelope));
  s.pan = modSlots_.Current(kSetPan);
  s.dir = modSlots_.Current(kSetDir);
  s.pitch = modSlots_.Current(kSetPitch);
  s.speed = modSlots_.Current(kSetSpeed);
  s.delay = modSlots_.Current(kSetDelay);
  s.feedback = modSlots_.Current(kSetFeedback);
  s.fbApply = modSlots_.Current(kSetFBApply);
  s.ampl = modSlots_.Current(kSetAmpl);
  s.freeze = modSlots_.Current(kSetFreeze);
  s.bufLen = modSlots_.Current(kSetBufLen);
  s.scanRate = modSlots_.Current(kSetScanRate);
}

// The usable length leaves room for the longest grain. A position that lies beyond a shorter
// length restarts at 0: the scan position and the write position of block sample `at` (WritePos
// stays the position of the block's first sample, so the samples from `at` on follow from 0).
void GrainEngine::ApplyBufLen(float bufLen, int at) {
  if (hasPreviousBufLen_ && bufLen == previousBufLen_) return;
  const double usable = kCaptureCapacity - kMaxGrainMs * samplesPerMs_;
  const double length = std::clamp(std::trunc(bufLen * usable), 0.0, double{kCaptureCapacity});
  CaptureBuffer& c = capture_;
  int writeAt = WrapIndex(std::int64_t{c.WritePos} + at, c.BufferLength);
  c.BufferLength = static_cast<int>(length);
  if (writeAt >= c.BufferLength) writeAt = 0;
  c.WritePos = WrapIndex(std::int64_t{writeAt} - at, c.BufferLength);
  if ((scanFixed_ >> 32) >= c.BufferLength) scanFixed_ = 0;
  c.ScanPos = static_cast<int>(scanFixed_ >> 32);
  previousBufLen_ = bufLen;
  hasPreviousBufLen_ = true;
}

std::int64_t GrainEngine::ScanAt(int at) const {
  const std::int64_t length = std::int64_t{capture_.BufferLength} << 32;
  if (length <= 0) return 0;
  std::int64_t p = (scanFixed_ + scanStep_ * (at - scanTime_)) % length;
  if (p < 0) p += length;
  return p;
}

void GrainEngine::AdvanceScanTo(int at) {
  scanFixed_ = ScanAt(at);
  scanTime_ = at;
  capture_.ScanPos = static_cast<int>(scanFixed_ >> 32);
}

// With mid/side coding the wet signal is decoded: the dry path was never encoded.
void GrainEngine::MixWet(double* const* outputs, int count) {
  const double* wet = wet_.data();
  if (wetGain_.Moving() || midSide_.Moving()) {
    for (int i = 0; i < count; ++i) {
      const double g = wetGain_.At(i);
      const double x = midSide_.At(i);
      const double l = wet[2 * i], r = wet[2 * i + 1];
      outputs[0][i] += ((1.0 - x) * l + x * (l + r)) * g;
      outputs[1][i] += ((1.0 - x) * r + x * (l - r)) * g;
    }
    return;
  }
  const double g = wetGain_.current;
  if (midSide_.current > 0.5) {
    for (int i = 0; i < count; ++i) {
      outputs[0][i] += (wet[2 * i] + wet[2 * i + 1]) * g;
      outputs[1][i] += (wet[2 * i] - wet[2 * i + 1]) * g;
    }
  } else {
    for (int i = 0; i < count; ++i) {
      outputs[0][i] += wet[2 * i] * g;
      outputs[1][i] += wet[2 * i + 1] * g;
    }
  }
}

void GrainEngine::AdvanceRamps(int count) {
  dryGain_.Advance(count);
  wetGain_.Advance(count);
  midSide_.Advance(count);
}

void GrainEngine::AdvancePositions(int count) {
  CaptureBuffer& c = capture_;
  AdvanceScanTo(count);
  scanTime_ = 0;
  c.WritePos = WrapIndex(std::int64_t{c.WritePos} + count, c.BufferLength);
}

void GrainEngine::UpdateStatistics(int count) {
  densitySum_ += pool_.ActiveGrainCount();
  ++densityBlocks_;
  statisticsCountdown_ -= count;
  if (statisticsCountdown_ < 0) {
    statisticsCountdown_ = sampleRateInt_;
    readyGrainsPerSecond_ = grainsStarted_;
    readyDensity_ = static_cast<int>(densitySum_ / densityBlocks_);
    statisticsReady_ = true;
    grainsStarted_ = 0;
    densitySum_ = 0;
    densityBlocks_ = 0;
  }
}

bool GrainEngine::TakeStatistics(int* grainsPerSecond, int* density) {
  if (!statisticsReady_) return false;
  if (grainsPerSecond) *grainsPerSecond = readyGrainsPerSecond_;
  if (density) *density = readyDensity_;
  statisticsReady_ = false;
  return true;
}

void GrainEngine::PublishEnvelope(int slot) {
  const int first = slot * kEnvelopeCopies;
  for (int copy = first; copy < first + kEnvelopeCopies; ++copy) {
    if (copy == currentCopy_[slot] || envelopeUsers_[copy] != 0) continue;
    std::memcpy(envelopeCopies_.data() + copy * kEnvelopeStride, envelopes_[slot].table.data(),
                sizeof(double) * kEnvelopeStride);
    currentCopy_[slot] = copy;
    envelopeWaiting_[slot] = false;
    return;
  }
  envelopeWaiting_[slot] = true;
}

int GrainEngine::RampLength() const {
  return static_cast<int>(std::lround(kMixRampMs * samplesPerMs_));
}

}  // namespace engine
