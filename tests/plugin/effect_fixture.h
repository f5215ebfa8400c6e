// An instance of the effect made in this process through the real creation path, hosted by the
// host library's PluginHost: every callback is recorded, answers come from its HostScript.
#pragma once

#include <memory>
#include <string>

#include "host/lib/plugin_host.h"
#include "quorvantel/vst2/quorvantel_vst2.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

// What the tests' host answers unless a test changes it: a product name no host table knows, a
// decimal version, no time information.
inline qvhost::HostScript TestHostScript() {
  qvhost::HostScript script;
  script.productString = "test host";
  script.vendorVersion = 50102;
  return script;
}

// Closed (opcode 1) at the end of the test unless the test closed it.
class EffectFixture {
 public:
  explicit EffectFixture(qvhost::HostScript script = TestHostScript()) {
    std::string error;
    host = qvhost::PluginHost::Start(&quorvantel::CreateQuorvantelEffect, "Quorvantel", &error,
                                     std::move(script));
    effect = host != nullptr ? host->Effect() : nullptr;
  }
  EffectFixture(const EffectFixture&) = delete;
  EffectFixture& operator=(const EffectFixture&) = delete;

  vst2::intptr Dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                        void* ptr = nullptr, float opt = 0.0f) {
    return host->Dispatch(opcode, index, value, ptr, opt);
  }
  // Opcode 1: the instance is gone afterwards.
  void Close() {
    host->Close();
    effect = nullptr;
  }
  // Opens the effect with Dry 1 and Wet 0: the engine then hands its input through unchanged.
  void OpenDryOnly() {
    host->Open();
    host->SetParameter(quorvantel::kParamDry, 1.0f);
    host->SetParameter(quorvantel::kParamWet, 0.0f);
  }
  quorvantel::QuorvantelVst2& Instance() { return *quorvantel::FromEffect(effect); }
  double Value(int index) { return Instance().Parameters().Value(index); }
  int Calls(vst2::int32 opcode) const { return host->CountCalls(opcode); }

  std::unique_ptr<qvhost::PluginHost> host;
  vst2::AEffect* effect = nullptr;
};
