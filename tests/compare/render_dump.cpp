// render_dump: renders a fixed stereo input with fixed, busy settings (every parameter at a
// seeded value, the LFOs modulating) through a plug-in module, as a host does, and writes the
// 32-bit float output. Given a second file, it compares the two renders sample by sample, so the
// Linux .so and the Windows .dll can be checked against each other.
// Usage: render_dump MODULE OUT.f32 [OTHER.f32]; with OTHER, exits 1 when any sample differs by
// more than kTolerance (-120 dBFS): last-bit differences of the two C libraries' pow and exp
// are far below it, a real difference in the arithmetic is not.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/cli/demo_signal.h"
#include "host/plugin_host.h"

namespace {

constexpr int kRate = 44100, kBlock = 512, kSeconds = 6;
constexpr double kTolerance = 1e-6;

std::vector<float> Render(const std::string& module) {
  std::string error;
  vst2::VstTimeInfo playing{};
  playing.sampleRate = kRate;
  playing.tempo = 120.0;
  playing.flags = vst2::kTransportPlaying | vst2::kTempoValid | vst2::kPpqPosValid;
  qvhost::HostScript script;
  script.timeInfo = playing;
  auto host = qvhost::PluginHost::Load(module, &error, script);
  if (!host) {
    std::fprintf(stderr, "render_dump: %s\n", error.c_str());
    std::exit(2);
  }
  host->Open();
  host->SetSampleRate(kRate);
  host->SetBlockSize(kBlock);
  // Every parameter at a value from a fixed sequence; Freeze (index 36) stays off so the input
  // keeps reaching the grains.
  std::uint32_t seed = 20240607u;
  for (int i = 0; i < host->Effect()->numParams; ++i) {
    seed = seed * 1664525u + 1013904223u;
    host->SetParameter(i, i == 36 ? 0.0f : float(seed >> 8) / 16777216.0f);
  }
  host->SetActive(true);
  const std::vector<float> phrase = qvcli::DemoPhrase(kSeconds, kRate);
  std::vector<float> left(kBlock), right(kBlock), out;
  for (std::size_t pos = 0; pos + kBlock <= phrase.size(); pos += kBlock) {
    std::vector<float> in(phrase.begin() + pos, phrase.begin() + pos + kBlock);
    std::vector<float> other(in.rbegin(), in.rend());  // the right input differs from the left
    float* inputs[] = {in.data(), other.data()};
    float* outputs[] = {left.data(), right.data()};
    host->ProcessReplacing(inputs, outputs, kBlock);
    for (int i = 0; i < kBlock; ++i) out.insert(out.end(), {left[i], right[i]});
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: render_dump MODULE OUT.f32 [OTHER.f32]\n", stderr);
    return 2;
  }
  const std::vector<float> out = Render(argv[1]);
  std::ofstream(argv[2], std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size() * 4));
  if (argc < 4) return 0;
  std::ifstream file(argv[3], std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  if (bytes.size() != out.size() * 4) {
    std::fprintf(stderr, "render_dump: %s holds %zu bytes, expected %zu\n", argv[3], bytes.size(),
                 out.size() * 4);
    return 1;
  }
  std::size_t differing = 0, firstDifference = 0;
  double largest = 0.0, peak = 0.0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    float other;
    std::memcpy(&other, bytes.data() + i * 4, 4);
    peak = std::fmax(peak, std::fabs(out[i]));
    if (std::memcmp(&other, &out[i], 4) == 0) continue;
    if (differing++ == 0) firstDifference = i / 2;
    largest = std::fmax(largest, std::fabs(double(other) - out[i]));
  }
  std::printf("%zu of %zu samples differ (peak %.3f)", differing, out.size(), peak);
  if (differing > 0)
    std::printf("; first at frame %zu, largest difference %.3g (%.1f dBFS)", firstDifference,
                largest, 20.0 * std::log10(largest));
  std::printf("\n");
  return largest > kTolerance ? 1 : 0;
}
