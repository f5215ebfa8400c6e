// The effect itself: its identity, its parameters and the override points where the grain
// engine, the modulation bank and the editor join the framework.
#pragma once

#include "engine/grain_engine.h"
#include "plugin/effect_vst2.h"
#include "plugin/quorvantel_parameters.h"

constexpr std::int32_t kQuorvantelUniqueId = vst2::FourCC('q', 'Z', 'v', 'x');
constexpr std::int32_t kQuorvantelMakerCode = vst2::FourCC('h', 'b', 'k', 'n');
constexpr std::int32_t kQuorvantelVersion = 0x00010000;  // 1.0.0, 0xVVVVRRMM
constexpr int kQuorvantelPrograms = 6;

class Quorvantel : public IEffectVst2 {
 public:
  explicit Quorvantel(vst2::HostCallback host);
  ~Quorvantel() override;

  // Dispatcher thread (sample rate, block size, processing switched off); takes the lock.
  void ResetProcessing() override;
  // Any thread that changed parameter `index` (host, editor, state loading); takes the lock.
  void OnParameterChanged(int index) override;
  // Audio thread, lock held by the process callback. A stopped transport skips the block and
  // hands the host silence.
  void ProcessDouble(double** inputs, double** outputs, int frames) override;

  // Under the instance lock: the engine, for read-outs and tests.
  const GrainEngine& Engine() const { return engine_; }

 private:
  GrainEngine engine_;
};

// Builds one instance under the process-wide CreationLock and returns its effect record, or null
// when it cannot be created (allocation failure). Any thread; what the entry points call.
vst2::AEffect* CreateQuorvantelEffect(vst2::HostCallback host);
