// State chunks from outside, loaded into the instance as a program or as a bank: audio processed
// after the load stays finite, and the state then saved would load again to the same bytes. One
// instance serves the whole run; the parameters an input leaves as they were are first set to
// their fresh values by the host, so the parameters after a load depend on the input only.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/state_chunk.h"
#include "tests/fuzz/fuzz_finding.h"
#include "tests/fuzz/fuzz_instance.h"

namespace {

framework::StateChunk ChunkOf(const std::vector<std::uint8_t>& bytes) {
  framework::StateChunk chunk;
  chunk.Resize(static_cast<int>(bytes.size()));
  if (!bytes.empty()) std::memcpy(chunk.Data(), bytes.data(), bytes.size());
  return chunk;
}

// Which parameters loading the bytes gives a value of its own, as the framework reads them (a
// header or none, then one value each until the data runs out; non-finite values are skipped).
std::vector<bool> ParametersSetBy(const std::vector<std::uint8_t>& bytes, int count) {
  std::vector<bool> set(count, false);
  const framework::StateChunk chunk = ChunkOf(bytes);
  int pos = 0;
  framework::ReadChunkHeader(chunk, &pos);
  for (int i = 0; i < count && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(&v, pos);
    set[i] = pos >= 0 && std::isfinite(v);
  }
  return set;
}

// Each parameter's value in the fresh instance, as the host reads it.
const std::vector<float>& FreshValues(qvhost::PluginHost& host, int count) {
  static const std::vector<float> values = [&] {
    std::vector<float> v(count);
    for (int i = 0; i < count; ++i) v[i] = host.GetParameter(i);
    return v;
  }();
  return values;
}

// Two odd-sized blocks, each longer than a control period: the loaded settings reach the control
// loop, the grains and the mix.
void ProcessAndCheck(qvhost::PluginHost& host) {
  constexpr int kFrames = 23;
  static float in[2][kFrames], out[2][kFrames];
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i) in[c][i] = std::sin(0.01f * static_cast<float>(i + 7 * c));
  float* inPtr[2] = {in[0], in[1]};
  float* outPtr[2] = {out[0], out[1]};
  for (int block = 0; block < 2; ++block) {
    host.ProcessReplacing(inPtr, outPtr, kFrames);
    for (const auto& channel : out) {
      for (float v : channel) {
        if (!std::isfinite(v)) fuzz::Finding("output not finite after loading the chunk");
      }
    }
  }
}

// The saved state loads again to the same bytes: after the framework's header, every value is
// the parameter's own, finite and inside its range, which loading keeps exactly (reading clamps,
// and skips non-finite values). Checked in place of a second load, which would apply every
// parameter again.
void CheckSaved(const std::vector<std::uint8_t>& saved, const framework::ParameterSet& set) {
  if (saved.size() != 720) fuzz::Finding("saved chunk of " + std::to_string(saved.size()));
  const framework::StateChunk chunk = ChunkOf(saved);
  int pos = 0;
  if (framework::ReadChunkHeader(chunk, &pos) != framework::kFrameworkVersion)
    fuzz::Finding("the saved chunk has no header");
  for (int i = 0; i < set.Count(); ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(&v, pos);
    const double held = set.Value(i);
    const framework::ParameterDefinition& d = set.Definition(i);
    if (pos < 0 || !(v >= d.Min() && v <= d.Max()) || std::memcmp(&v, &held, sizeof v) != 0)
      fuzz::Finding("saved value " + std::to_string(i) + " would not load as it is");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInstance& instance = fuzz::FuzzInstance::Get();
  qvhost::PluginHost& host = instance.Host();
  const framework::ParameterSet& parameters = instance.Effect().Parameters();
  const int count = parameters.Count();
  const std::vector<float>& fresh = FreshValues(host, count);
  host.ClearCalls();
  const std::vector<std::uint8_t> chunk(data, data + size);
  const std::vector<bool> set = ParametersSetBy(chunk, count);
  for (int i = 0; i < count; ++i)
    if (!set[i]) host.SetParameter(i, fresh[i]);
  // A program or a bank, as the input's bytes add up: both kinds read the values alike (a bank
  // only keeps the current program as it was), so each input is loaded once.
  unsigned sum = 0;
  for (std::uint8_t b : chunk) sum += b;
  const bool program = sum % 2 == 0;
  host.SetChunk(chunk, program);
  ProcessAndCheck(host);
  CheckSaved(host.GetChunk(program), parameters);
  return 0;
}
