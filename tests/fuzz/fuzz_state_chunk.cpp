// State chunks from outside, loaded into a fresh instance as a program and then as a bank: audio
// processed after each load stays finite, and the state then saved loads again to the same bytes.
#include <cmath>
#include <cstdint>
#include <vector>

#include "host/lib/plugin_host.h"
#include "quorvantel/quorvantel.h"
#include "tests/fuzz/fuzz_finding.h"

using namespace framework;
using namespace quorvantel;

namespace {

// Two odd-sized blocks: the first grain starts at once and sounds in both.
void ProcessAndCheck(qvhost::PluginHost& host) {
  constexpr int kFrames = 555;
  std::vector<float> in[2], out[2];
  for (int c = 0; c < 2; ++c) {
    in[c].resize(kFrames);
    out[c].assign(kFrames, 0.0f);
    for (int i = 0; i < kFrames; ++i) in[c][i] = std::sin(0.01f * static_cast<float>(i + 7 * c));
  }
  float* inPtr[2] = {in[0].data(), in[1].data()};
  float* outPtr[2] = {out[0].data(), out[1].data()};
  for (int block = 0; block < 2; ++block) {
    host.ProcessReplacing(inPtr, outPtr, kFrames);
    for (int c = 0; c < 2; ++c) {
      for (float v : out[c]) {
        if (!std::isfinite(v)) fuzz::Finding("output not finite after loading the chunk");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> chunk(data, data + size);
  std::string error;
  auto host = qvhost::PluginHost::Start(&CreateQuorvantelEffect, "Quorvantel", &error);
  if (!host) fuzz::Finding(error);
  host->Open();
  for (bool program : {true, false}) {
    host->SetChunk(chunk, program);
    ProcessAndCheck(*host);
    const std::vector<std::uint8_t> saved = host->GetChunk(program);
    if (saved.size() != 720) fuzz::Finding("saved chunk of " + std::to_string(saved.size()));
    if (host->SetChunk(saved, program) != 1) fuzz::Finding("the saved chunk was refused");
    if (host->GetChunk(program) != saved) fuzz::Finding("the saved chunk changed on reloading");
  }
  return 0;
}
