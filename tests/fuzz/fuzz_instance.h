// One instance of the effect for a whole fuzzing run instead of one per input: made through the
// real entry, opened as a host opens it, and put back between inputs through the calls a host
// makes to restore a session (the state it saved, its processing settings, both channels, no
// editor window), so that each input starts from the same parameters and settings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/lib/plugin_host.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "tests/fuzz/fuzz_finding.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace fuzz {

class FuzzInstance {
 public:
  // Made at the first call; fuzzing runs one input at a time on one thread.
  static FuzzInstance& Get() {
    static FuzzInstance instance;
    return instance;
  }

  qvhost::PluginHost& Host() { return *host_; }
  // The instance behind the effect record, in this process.
  quorvantel::QuorvantelVst2& Effect() { return *quorvantel::FromEffect(host_->Effect()); }
  // The state of the freshly opened instance, as a program chunk.
  const std::vector<std::uint8_t>& FreshState() const { return fresh_; }

  // Back to the parameters of the fresh instance only: for inputs that change nothing else.
  void RestoreParameters() {
    host_->ClearCalls();
    if (host_->SetChunk(fresh_, true) != 1) Finding("the fresh state was refused");
  }

  // Back to the fresh instance's parameters, rates, block size, channels and transport.
  void RestoreSession() {
    host_->Dispatch(vst2::kEffectEditClose);
    host_->Script() = qvhost::HostScript{};
    host_->SetSampleRate(44100.0);
    host_->SetBlockSize(1024);
    vst2::VstSpeakerArrangement stereo{};
    stereo.type = vst2::kSpeakerArrStereo;
    stereo.numChannels = 2;
    host_->Dispatch(vst2::kEffectSetSpeakerArrangement, 0, reinterpret_cast<vst2::intptr>(&stereo),
                    &stereo);
    host_->SetActive(true);
    RestoreParameters();
  }

 private:
  FuzzInstance() {
    std::string error;
    host_ = qvhost::PluginHost::Start(&quorvantel::CreateQuorvantelEffect, "Quorvantel", &error);
    if (!host_) Finding(error);
    host_->Open();
    fresh_ = host_->GetChunk(true);
    if (fresh_.size() != 720) Finding("a fresh instance's chunk is not 720 bytes");
  }

  std::unique_ptr<qvhost::PluginHost> host_;
  std::vector<std::uint8_t> fresh_;
};

}  // namespace fuzz
