// The three VST 2 process paths and the host's parameter callbacks.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "common/denormal_guard.h"
#include "framework/vst2/effect_vst2.h"

namespace framework {

using namespace vst2;

namespace {

// Host audio thread: runs `body` on the instance under its lock for a block of at least one frame;
// no exception leaves.
template <typename Body>
void ProcessEntry(AEffect* effect, int32 frames, Body&& body) {
  try {
    IEffectVst2* self = IEffectVst2::FromEffect(effect);
    if (self == nullptr || frames <= 0) return;
    std::lock_guard lock(self->InstanceLock());
    body(*self);
  } catch (...) {
  }
}

}  // namespace

void IEffectVst2::VSTProcessAccumulating(AEffect* effect, float** inputs, float** outputs,
                                         int32 frames) {
  ProcessEntry(effect, frames,
               [&](IEffectVst2& self) { self.ProcessFloat(inputs, outputs, frames, true); });
}

void IEffectVst2::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                      int32 frames) {
  ProcessEntry(effect, frames,
               [&](IEffectVst2& self) { self.ProcessFloat(inputs, outputs, frames, false); });
}

void IEffectVst2::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            int32 frames) {
  ProcessEntry(effect, frames,
               [&](IEffectVst2& self) { self.ProcessDoubleHost(inputs, outputs, frames); });
}

// Audio thread, lock held: the part both process paths share. Blocks longer than the scratch
// buffers are cut into pieces of at most the announced maximum block size; `piece` (offset,
// frames) routes the channels and processes one piece.
template <typename Piece>
void IEffectVst2::ProcessInPieces(int frames, Piece&& piece) {
  common::DenormalGuard denormals;
  if (receivesMidi_) CallHost(kHostWantMidi, 0, 1, nullptr, 0);
  const int size = std::max(MaxBlockSize(), 1);
  // Advancing by n keeps offset <= frames, so even a block of INT_MAX frames cannot overflow it.
  for (int offset = 0, n = 0; offset < frames; offset += n) {
    n = std::min(size, frames - offset);
    piece(offset, n);
  }
}

// Audio thread, lock held. Connected channels are converted through their scratch buffers; a
// missing host pointer reads silence and writes nowhere.
void IEffectVst2::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate) {
  ChannelConfig& channels = MutableChannels();
  ProcessInPieces(frames, [&](int offset, int n) {
    channels.RouteFloat(inputs, outputs, offset, n);
    ProcessDouble(channels.InputSlots(), channels.OutputSlots(), n);
    channels.WriteFloatOutputs(offset, n, accumulate);
  });
}

// Audio thread, lock held. The host's buffers are handed on without copying; an unconnected
// channel or a missing host pointer uses the channel's scratch buffer.
void IEffectVst2::ProcessDoubleHost(double** inputs, double** outputs, int frames) {
  ChannelConfig& channels = MutableChannels();
  ProcessInPieces(frames, [&](int offset, int n) {
    channels.RouteDouble(inputs, outputs, offset, n);
    ProcessDouble(channels.InputSlots(), channels.OutputSlots(), n);
  });
}

void IEffectVst2::VSTSetParameter(AEffect* effect, int32 index, float value) {
  try {
    IEffectVst2* self = FromEffect(effect);
    if (self == nullptr) return;
    std::lock_guard lock(self->InstanceLock());
    // NaN and infinities are ignored; values below 0 count as 0, so no value leaves its range.
    if (index < 0 || index >= self->ParameterCount() || !std::isfinite(value)) return;
    const double normalized = value < 0.0f ? 0.0 : static_cast<double>(value);
    if (IEditorView* editor = self->Editor()) {
      editor->SetParameterFromPlugin(index, normalized, true);
    }
    self->Parameters().SetFromNormalized(index, normalized);
    self->OnParameterChanged(index);
  } catch (...) {
  }
}

float IEffectVst2::VSTGetParameter(AEffect* effect, int32 index) {
  try {
    IEffectVst2* self = FromEffect(effect);
    if (self == nullptr) return 0.0f;
    std::lock_guard lock(self->InstanceLock());
    if (index < 0 || index >= self->ParameterCount()) return 0.0f;
    return static_cast<float>(self->Parameters().Normalized(index));
  } catch (...) {
    return 0.0f;
  }
}

}  // namespace framework
