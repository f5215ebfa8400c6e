// render_dump: renders a stereo input with fixed, busy settings (every parameter at a seeded
// value, the LFOs modulating) through a plug-in module, as a host does, and writes the 32-bit
// float output. The input is read from INPUT.f32, which the first run writes (the demo phrase):
// the phrase is made with the C library's exp and pow, which differ between Linux and Windows in
// the last bit of a few samples, so each platform must not make its own. Given a third file, it
// compares the two renders sample by sample, so the Linux .so and the Windows .dll can be checked
// against each other: they must agree bit for bit. MODULE may be a CLAP file (.clap), rendered
// through the host library's CLAP host with settings of its own, where the grains are heard; a
// VST 2 module renders the busy settings, then those on a new instance.
// Usage: render_dump MODULE INPUT.f32 OUT.f32 [OTHER.f32]; with OTHER, exits 1 when any sample
// differs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/cli/demo_signal.h"
#include "host/lib/plugin.h"
#include "host/lib/plugin_host.h"

namespace {

constexpr int kRate = 44100, kBlock = 512, kSeconds = 6;

std::vector<float> ReadFloats(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  std::vector<float> out(bytes.size() / 4);
  std::memcpy(out.data(), bytes.data(), out.size() * 4);
  return out;
}

void WriteFloats(const std::string& path, const std::vector<float>& samples) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * 4));
}

// The input shared by every run: made once, then read back.
std::vector<float> Input(const std::string& path) {
  if (!std::ifstream(path)) WriteFloats(path, qvcli::DemoPhrase(kSeconds, kRate));
  return ReadFloats(path);
}

// Every parameter at a value from a fixed sequence; Freeze (index 36) stays off so the input
// keeps reaching the grains.
template <typename Host>
void SetBusySettings(Host& host, int count) {
  std::uint32_t seed = 20240607u;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    host.SetParameter(i, i == 36 ? 0.0f : float(seed >> 8) / 16777216.0f);
  }
}

// The busy settings above leave no grain audible; here the grains are heard: the defaults with
// feedback, an octave up and modulated length, some dry signal.
template <typename Host>
void SetAudibleSettings(Host& host) {
  for (auto [index, value] : {std::pair{25, 0.6f}, {15, 0.75f}, {2, 0.5f}, {87, 0.3f}})
    host.SetParameter(index, value);
}

std::vector<float> RenderClap(const std::string& module, const std::vector<float>& phrase) {
  std::string error;
  std::unique_ptr<qvhost::IPlugin> plugin = qvhost::LoadPlugin(module, "", &error);
  if (!plugin) {
    std::fprintf(stderr, "render_dump: %s\n", error.c_str());
    std::exit(2);
  }
  plugin->SetSampleRate(kRate);
  plugin->SetBlockSize(kBlock);
  SetAudibleSettings(*plugin);
  plugin->SetActive(true);
  qvhost::Transport transport;
  transport.sampleRate = kRate;
  std::vector<float> left(kBlock), right(kBlock), out;
  for (std::size_t pos = 0; pos + kBlock <= phrase.size(); pos += kBlock) {
    std::vector<float> in(phrase.begin() + pos, phrase.begin() + pos + kBlock);
    std::vector<float> other(in.rbegin(), in.rend());
    float* inputs[] = {in.data(), other.data()};
    float* outputs[] = {left.data(), right.data()};
    transport.samplePos = static_cast<std::int64_t>(pos);
    plugin->Process(inputs, outputs, kBlock, {}, &transport);
    for (int i = 0; i < kBlock; ++i) out.insert(out.end(), {left[i], right[i]});
  }
  plugin->SetActive(false);
  return out;
}

// The busy settings, then on a new instance the audible ones, one render after the other.
std::vector<float> RenderVst2(const std::string& module, const std::vector<float>& phrase,
                              bool busy) {
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
  if (busy)
    SetBusySettings(*host, host->Effect()->numParams);
  else
    SetAudibleSettings(*host);
  host->SetActive(true);
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

std::vector<float> Render(const std::string& module, const std::vector<float>& phrase) {
  if (qvhost::IsClapPath(module)) return RenderClap(module, phrase);
  std::vector<float> out = RenderVst2(module, phrase, true);
  const std::vector<float> audible = RenderVst2(module, phrase, false);
  out.insert(out.end(), audible.begin(), audible.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: render_dump MODULE INPUT.f32 OUT.f32 [OTHER.f32]\n", stderr);
    return 2;
  }
  const std::vector<float> out = Render(argv[1], Input(argv[2]));
  WriteFloats(argv[3], out);
  if (argc < 5) return 0;
  const std::vector<float> other = ReadFloats(argv[4]);
  if (other.size() != out.size()) {
    std::fprintf(stderr, "render_dump: %s holds %zu samples, expected %zu\n", argv[4], other.size(),
                 out.size());
    return 1;
  }
  std::size_t differing = 0, firstDifference = 0;
  double largest = 0.0, peak = 0.0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    peak = std::fmax(peak, std::fabs(out[i]));
    if (std::memcmp(&other[i], &out[i], 4) == 0) continue;
    if (differing++ == 0) firstDifference = i / 2;
    largest = std::fmax(largest, std::fabs(double(other[i]) - out[i]));
  }
  std::printf("%zu of %zu samples differ (peak %.3f)", differing, out.size(), peak);
  if (differing > 0)
    std::printf("; first at frame %zu, largest difference %.3g (%.1f dBFS)", firstDifference,
                largest, 20.0 * std::log10(largest));
  std::printf("\n");
  return differing > 0 ? 1 : 0;
}
