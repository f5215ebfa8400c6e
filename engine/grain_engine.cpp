// The block loop: capture, dry path, control ticks with grain spawns, render, wet mix, position
// advance and statistics, for one host block cut into pieces of at most kWetCapacity samples.
#include "engine/grain_engine.h"

#include <algorithm>
#include <cmath>

#include "common/denormal_guard.h"

namespace {

// Host input that is not a finite number enters the engine as silence.
inline double Finite(double x) { return std::isfinite(x) ? x : 0.0; }

}  // namespace

// The settings start at the slots' construction bases, so Freeze and ScanRate are defined before
// the first grain; the window index starts at 0.
GrainEngine::GrainEngine() : pool_(silence_.data(), envelopes_[0].table.data()) {
  TakeGrainSettings();
  settings_.windowIndex = 0;
}

void GrainEngine::ProcessBlock(const double* const* inputs, double* const* outputs, int count,
                               double hostTempo) {
  if (count < 0 || inputs == nullptr || outputs == nullptr) return;
  DenormalGuard guard;
  int done = 0;
  do {
    const int n = std::min(count - done, kWetCapacity);
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
}

void GrainEngine::ProcessPiece(const double* const* inputs, double* const* outputs, int count) {
  double* wet = wet_.data();
  std::fill_n(wet, 2 * count, 0.0);

  Capture(inputs, count);

  if (dryGain_ <= 0.0) {
    std::fill_n(outputs[0], count, 0.0);
    std::fill_n(outputs[1], count, 0.0);
  } else {
    for (int i = 0; i < count; ++i) outputs[0][i] = Finite(inputs[0][i]) * dryGain_;
    for (int i = 0; i < count; ++i) outputs[1][i] = Finite(inputs[1][i]) * dryGain_;
  }

  RunControlLoop(count);

  if (pool_.ActiveGrainCount() > 0) {
    RenderTarget target;
    target.wet = wet;
    target.feedback0 = capture_.channel[0].data();
    target.feedback1 = capture_.channel[1].data();
    target.writePos = capture_.WritePos;
    target.bufferLength = capture_.BufferLength;
    target.count = count;
    pool_.RenderGrains(target);
  }

  // With mid/side coding only the wet signal is decoded: the dry path was never encoded.
  const double g = wetGain_;
  if (midSide_) {
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

  AdvancePositions(count);
  UpdateStatistics(count);
}

// Stores the block at WritePos (unless frozen); positions restart at 0 when WritePos lies beyond
// the length. A block longer than the buffer keeps its last BufferLength samples, each at
// (WritePos + j) mod BufferLength, as a circular buffer does.
void GrainEngine::Capture(const double* const* inputs, int count) {
  CaptureBuffer& c = capture_;
  const int length = c.BufferLength;
  int first = std::min(count, length - c.WritePos);
  int firstInput = 0;
  if (first < 0) {
    c.WritePos = c.ScanPos = 0;
    first = std::min(count, length);
  } else if (count > length) {
    firstInput = count - length;
    first = length - WrapIndex(std::int64_t{c.WritePos} + firstInput, length);
  }
  if (settings_.freeze > 0.5f || length <= 0) return;

  const int start = firstInput == 0 ? c.WritePos : WrapIndex(c.WritePos + firstInput, length);
  const int stored = std::min(count - firstInput, length);
  double* b0 = c.channel[0].data();
  double* b1 = c.channel[1].data();
  const double* in0 = inputs[0] + firstInput;
  const double* in1 = inputs[1] + firstInput;
  for (int j = 0; j < stored; ++j) {
    const int at = j < first ? start + j : j - first;
    const double a = Finite(in0[j]);
    const double b = Finite(in1[j]);
    if (midSide_) {
      b0[at] = 0.5 * (a + b);
      b1[at] = 0.5 * (a - b);
    } else {
      b0[at] = a;
      b1[at] = b;
    }
  }
}

// Samples left over at the end of a block count toward the next block's first tick, so ticks fall
// every 16 samples of audio whatever the host's block sizes; a tick's window may therefore begin
// before the block, and so may the grain it starts.
void GrainEngine::RunControlLoop(int count) {
  int remaining = count + controlLeftover_;
  int offset = -controlLeftover_;
  while (controlCountdown_ <= remaining) {
    lfos_.TickBank();
    spawnCountdown_ -= controlCountdown_;
    if (spawnCountdown_ <= kControlPeriod && spawnCountdown_ <= remaining) {
      RouteModulation(modSlots_.Groups(), modSlots_.Selectors(), lfos_);
      TakeGrainSettings();
      ApplyBufLen(settings_.bufLen);
      settings_.lengthSamples = settings_.length * samplesPerMs_;
      settings_.onsetSamples = settings_.onset * samplesPerMs_;
      settings_.delaySamples = settings_.delay * samplesPerMs_;
      SpawnGrain(offset + spawnCountdown_);
    }
    offset += controlCountdown_;
    remaining -= controlCountdown_;
    controlCountdown_ = kControlPeriod;
  }
  controlLeftover_ = remaining;
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

// The usable length leaves room for the longest grain; positions beyond a shorter length restart.
void GrainEngine::ApplyBufLen(float bufLen) {
  if (hasPreviousBufLen_ && bufLen == previousBufLen_) return;
  const double usable = kCaptureCapacity - kMaxGrainMs * samplesPerMs_;
  const double length = std::clamp(std::trunc(bufLen * usable), 0.0, double{kCaptureCapacity});
  CaptureBuffer& c = capture_;
  c.BufferLength = static_cast<int>(length);
  if (c.ScanPos >= c.BufferLength) c.ScanPos = 0;
  if (c.WritePos >= c.BufferLength) c.WritePos = 0;
  previousBufLen_ = bufLen;
  hasPreviousBufLen_ = true;
}

void GrainEngine::AdvancePositions(int count) {
  CaptureBuffer& c = capture_;
  // Float product like the rate itself (|product| <= 8192, count exact in a float): a rate of
  // 0.7 moves 336 samples per 480, where the widened 0.699999988 would give 335.
  const std::int64_t scan =
      static_cast<std::int64_t>(settings_.scanRate * static_cast<float>(count));
  c.WritePos = WrapIndex(std::int64_t{c.WritePos} + count, c.BufferLength);
  c.ScanPos = WrapIndex(c.ScanPos + scan, c.BufferLength);
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
