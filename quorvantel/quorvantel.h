// The effect itself, the same in every plug-in format: its identity, its parameters and the
// override points where the grain engine, the modulation bank and the editor join the framework.
// A format's module instantiates it over that format's adapter (framework/vst2, ...), which
// answers the host side: transport, tempo, notifications.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "engine/grain_engine.h"
#include "framework/effect_base.h"
#include "modulation/lfo_bank.h"
#include "quorvantel/editor/editor_feed.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/editor/value_texts.h"
#include "quorvantel/parameters/parameter_table.h"
#include "vst2/vst2_abi.h"

namespace quorvantel {

constexpr std::int32_t kQuorvantelUniqueId = vst2::FourCC('q', 'Z', 'v', 'x');
constexpr std::int32_t kQuorvantelMakerCode = vst2::FourCC('h', 'b', 'k', 'n');
// The project's version (CMake), 0xVVVVRRMM: 1.0.0 is 0x00010000, which hosts show as 10000.
constexpr std::int32_t kQuorvantelVersion =
    (QV_VERSION_MAJOR << 16) | (QV_VERSION_MINOR << 8) | QV_VERSION_PATCH;
constexpr int kQuorvantelPrograms = 6;

// Name, vendor, version, channels, programs and parameter table, as every format reports them.
framework::EffectIdentity QuorvantelIdentity();

// Serialises instance creation across the process, whatever the format; lives until exit.
std::mutex& CreationLock();

// Format: a framework::IEffectBase adapter whose constructor takes its own arguments followed by
// the EffectIdentity.
template <class Format>
class Quorvantel : public Format {
 public:
  template <class... FormatArguments>
  explicit Quorvantel(FormatArguments&&... arguments)
      : Format(std::forward<FormatArguments>(arguments)..., QuorvantelIdentity()) {
    for (int slot = 0; slot < engine::kEnvelopeSlotCount; ++slot) PublishEnvelope(slot);
    for (int lfo = 0; lfo < modulation::kLfoCount; ++lfo) PublishLfo(lfo);
    auto editor = std::make_unique<QuorvantelEditor>(this->EditorLink(), feed_);
    editor_ = editor.get();
    this->AttachEditor(std::move(editor));
  }
  ~Quorvantel() override { this->DestroyEditor(); }

  // Dispatcher thread (sample rate, block size, processing switched off); takes the lock.
  void ResetProcessing() override;
  // Any thread that changed parameter `index` (host, editor, state loading); takes the lock.
  // Also hands the editor what the change means for it (envelope tables, LFO states) and, after
  // a modulation source changed, greys the LFOs no source selects and applies all 32 LFO
  // parameters to the engine again with their current values (the host is not told: nothing
  // changed).
  void OnParameterChanged(int index) override;
  // Lock held: a loaded state or program sounds at once, without the mix's ramps.
  void OnAllParametersReplaced() override;
  // Audio thread, lock held by the process callback. A stopped transport leaves the engine as it
  // is and hands the host the dry signal.
  void ProcessDouble(double** inputs, double** outputs, int frames) override;
  // Lock held: the texts the editor's read-outs show ("84.8 ms", "30%L", "1/4"), and every form
  // its value entry takes, for a format that shows the host texts.
  bool ValueToText(int index, double plain, char* out, std::size_t size) override;
  bool TextToValue(int index, const char* text, double* plain) override;

  // Under the instance lock: the engine, for read-outs and tests.
  const engine::GrainEngine& Engine() const { return engine_; }
  // What the editor reads besides parameter values; see quorvantel/editor/editor_feed.h.
  const EditorFeed& Feed() const { return feed_; }
  // The editor, built with the instance and attached for its life. Its own thread's, or a
  // headless driver's, while no window is open.
  QuorvantelEditor& EditorSurface() const { return *editor_; }
  // Bit n set: no modulation source selects LFO n. Lock held.
  std::uint32_t UnusedLfos() const {
    std::uint32_t used = 0;
    for (const int base : kBaseParameters) {
      const int lfo = static_cast<int>(this->Parameters().Value(SourceParameter(base)));
      if (lfo >= 0 && lfo < modulation::kLfoCount) used |= 1u << lfo;
    }
    return ~used & ((1u << modulation::kLfoCount) - 1);
  }

 private:
  void PublishEnvelope(int slot);
  void PublishLfo(int lfo);
  void UpdateLfoGreying();

  engine::GrainEngine engine_;
  EditorFeed feed_;
  QuorvantelEditor* editor_ = nullptr;  // owned by the framework once attached
};


template <class Format>
void Quorvantel<Format>::ResetProcessing() {
  std::lock_guard lock(this->InstanceLock());
  engine_.ResetProcessing(this->SampleRate());
}

template <class Format>
void Quorvantel<Format>::OnParameterChanged(int index) {
  std::lock_guard lock(this->InstanceLock());
  if (index < 0 || index >= kParameterCount) return;
  const ParameterTarget target = TargetOf(index);
  ApplyToEngine(engine_, target, this->Parameters().Value(index));
  if (target.input == EngineInput::kEnvelopeShape || target.input == EngineInput::kEnvelopeSkew) {
    PublishEnvelope(target.which);
  } else if (IsLfoInput(target.input)) {
    PublishLfo(target.which);
  } else if (target.input == EngineInput::kSource) {
    UpdateLfoGreying();
  }
}

template <class Format>
void Quorvantel<Format>::PublishEnvelope(int slot) {
  feed_.envelopes[slot].Publish(engine_.EnvelopeTable(slot));
}

template <class Format>
void Quorvantel<Format>::PublishLfo(int lfo) {
  const modulation::LfoSettings& settings = engine_.Lfos().Settings(lfo);
  EditorFeed::Lfo& view = feed_.lfos[lfo];
  view.shape.store(settings.shape, std::memory_order_relaxed);
  view.sync.store(settings.sync ? 1 : 0, std::memory_order_relaxed);
  view.division.store(settings.divisionIndex, std::memory_order_relaxed);
}

template <class Format>
void Quorvantel<Format>::UpdateLfoGreying() {
  if (this->Editor() == nullptr) return;
  feed_.PublishGreying(UnusedLfos());
  // The LFO settings are applied to the engine again, LFO by LFO, with the values the
  // parameters hold now (a source change may move an LFO to another lane). The host hears
  // nothing: no value changed, and an automation message would be recorded as the user's.
  for (int index = LfoParameter(0, 0); index < LfoParameter(modulation::kLfoCount, 0); ++index) {
    OnParameterChanged(index);
  }
}

template <class Format>
void Quorvantel<Format>::OnAllParametersReplaced() {
  std::lock_guard lock(this->InstanceLock());
  engine_.SkipRamps();
}

template <class Format>
bool Quorvantel<Format>::ValueToText(int index, double plain, char* out, std::size_t size) {
  if (index < 0 || index >= kParameterCount || out == nullptr || size == 0) return false;
  const framework::ParameterSet& parameters = this->Parameters();
  const std::string text = quorvantel::ValueText(parameters.Definition(index), index, plain,
                                                 [&](int i) { return parameters.Value(i); });
  framework::CopyBounded(out, text.c_str(), size);
  return true;
}

template <class Format>
bool Quorvantel<Format>::TextToValue(int index, const char* text, double* plain) {
  if (index < 0 || index >= kParameterCount || text == nullptr || plain == nullptr) return false;
  return quorvantel::ValueFromText(this->Parameters().Definition(index), index, text, plain);
}

template <class Format>
void Quorvantel<Format>::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (!this->HostIsPlaying()) {
    engine_.ProcessDryOnly(inputs, outputs, frames);
    return;
  }
  engine_.ProcessBlock(inputs, outputs, frames, this->HostTempo());
  int grains = 0, density = 0;
  if (engine_.TakeStatistics(&grains, &density)) feed_.PublishStatistics(grains, density);
}

}  // namespace quorvantel
