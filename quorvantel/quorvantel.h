// The effect itself: its identity, its parameters and the override points where the grain
// engine, the modulation bank and the editor join the framework.
#pragma once

#include <cstdint>

#include "engine/grain_engine.h"
#include "framework/vst2/effect_vst2.h"
#include "quorvantel/editor/editor_feed.h"
#include "quorvantel/parameters/parameter_table.h"

namespace quorvantel {

class QuorvantelEditor;

constexpr std::int32_t kQuorvantelUniqueId = vst2::FourCC('q', 'Z', 'v', 'x');
constexpr std::int32_t kQuorvantelMakerCode = vst2::FourCC('h', 'b', 'k', 'n');
constexpr std::int32_t kQuorvantelVersion = 0x00010000;  // 1.0.0, 0xVVVVRRMM
constexpr int kQuorvantelPrograms = 6;

class Quorvantel : public framework::IEffectVst2 {
 public:
  explicit Quorvantel(vst2::HostCallback host);
  ~Quorvantel() override;

  // The instance behind an effect record that CreateQuorvantelEffect made; null for null.
  static Quorvantel* FromEffect(vst2::AEffect* effect);

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

  // Under the instance lock: the engine, for read-outs and tests.
  const GrainEngine& Engine() const { return engine_; }
  // What the editor reads besides parameter values; see quorvantel/editor/editor_feed.h.
  const EditorFeed& Feed() const { return feed_; }
  // The editor, built with the instance and attached for its life. Its own thread's, or a
  // headless driver's, while no window is open.
  QuorvantelEditor& EditorSurface() const { return *editor_; }
  // Bit n set: no modulation source selects LFO n. Lock held.
  std::uint32_t UnusedLfos() const;

 private:
  void PublishEnvelope(int slot);
  void PublishLfo(int lfo);
  void UpdateLfoGreying();

  GrainEngine engine_;
  EditorFeed feed_;
  QuorvantelEditor* editor_ = nullptr;  // owned by the framework once attached
};

// Builds one instance under the process-wide CreationLock and returns its effect record, or null
// when it cannot be created (allocation failure). Any thread; what the entry points call.
vst2::AEffect* CreateQuorvantelEffect(vst2::HostCallback host);

}  // namespace quorvantel
