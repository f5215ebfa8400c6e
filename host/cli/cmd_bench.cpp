// "bench": the plug-in's real-time factor through the binary interface.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/render_path.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/render.h"
#include "host/cli/session.h"
#include "host/cli/system.h"

namespace qvcli {
namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

int RunBench(const Args& args) {
  Options options(
      "bench", "bench [options]",
      "Processes generated noise through the plug-in and prints the real-time factor: seconds "
      "of audio per second of CPU time.",
      Concat(Concat(PluginOptions(), SettingOptions()),
             {{"sample-rate", "HZ", "sample rate, 8000 to 384000 (default 44100)"},
              {"block-size", "N", "frames per process call, 1 to 16384 (default 512)"},
              {"seconds", "S", "seconds of audio to process, 0.1 to 3600 (default 20)"},
              {"double", "", "use the double-precision process path"},
              {"simd", "PATH",
               "render path to force: sse2, avx2 or avx512 (default: the widest this processor "
               "runs)"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  const double rate = options.Number("sample-rate", 44100.0, 8000.0, 384000.0);
  const int block = options.Integer("block-size", 512, 1, 16384);
  const double seconds = options.Duration("seconds", 20.0, 0.1, 3600.0, rate);
  const bool useDouble = options.Has("double");
  if (options.Has("simd")) {
    // The plug-in reads the variable when it builds its engine, so it is set before loading.
    const std::string simd = options.Value("simd");
    engine::RenderPath path;
    if (!engine::ParseRenderPath(simd.c_str(), &path)) {
      throw CliError(kExitUsage, "--simd takes sse2, avx2 or avx512, not \"" + simd + "\"");
    }
    if (!engine::RenderPathSupported(path)) {
      throw CliError(kExitUsage, "this processor has no " + simd + " render path");
    }
    SetEnvironment(engine::kRenderPathVariable, simd.c_str());
  }
  auto plugin = LoadConfigured(options);
  const qvhost::PluginInfo& info = plugin->Info();
  if (useDouble && !info.canDouble) {
    throw CliError(kExitUsage, "the plug-in has no double-precision process path");
  }
  const int numIn = info.inputs;
  const int numOut = info.outputs;

  // Noise at about -12 dBFS from a fixed linear congruential sequence; a whole second of it, so
  // the input does not repeat every block.
  const int period = static_cast<int>(rate);
  std::vector<float> noise(static_cast<std::size_t>(period) + block);
  std::uint32_t seed = 12345u;
  for (float& v : noise) {
    seed = seed * 1664525u + 1013904223u;
    v = 0.25f * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
  }
  std::vector<std::vector<float>> fin(numIn, std::vector<float>(block));
  std::vector<std::vector<float>> fout(numOut, std::vector<float>(block));
  std::vector<std::vector<double>> din(numIn, std::vector<double>(block));
  std::vector<std::vector<double>> dout(numOut, std::vector<double>(block));
  std::vector<float*> finP, foutP;
  std::vector<double*> dinP, doutP;
  for (auto& c : fin) finP.push_back(c.data());
  for (auto& c : fout) foutP.push_back(c.data());
  for (auto& c : din) dinP.push_back(c.data());
  for (auto& c : dout) doutP.push_back(c.data());
  finP.push_back(nullptr);
  dinP.push_back(nullptr);
  foutP.push_back(nullptr);
  doutP.push_back(nullptr);

  plugin->SetSampleRate(rate);
  plugin->SetBlockSize(block);
  plugin->SetActive(true);
  RenderSettings timing;
  const auto total = static_cast<std::int64_t>(std::llround(seconds * rate));
  const auto warmup = static_cast<std::int64_t>(rate);  // one second not measured
  double start = 0.0;
  for (std::int64_t pos = -warmup; pos < total; pos += block) {
    if (pos >= 0 && start == 0.0) start = CpuSeconds();
    const int offset = static_cast<int>(((pos % period) + period) % period);
    for (int c = 0; c < numIn; ++c) {
      for (int i = 0; i < block; ++i) {
        fin[c][i] = noise[offset + i];
        din[c][i] = noise[offset + i];
      }
    }
    const qvhost::Transport transport = TransportAt(timing, rate, pos + warmup, pos == -warmup);
    if (useDouble) {
      plugin->ProcessDouble(dinP.data(), doutP.data(), block, {}, &transport);
    } else {
      plugin->Process(finP.data(), foutP.data(), block, {}, &transport);
    }
  }
  const double cpu = CpuSeconds() - start;
  plugin->SetActive(false);
  const double audio = static_cast<double>((total + block - 1) / block * block) / rate;
  const std::string renderPath = QuorvantelRenderPath(*plugin);
  std::printf(
      "real-time factor %.1f: %.2f s of audio in %.4f s of CPU time (%.0f Hz, block %d, "
      "%s path)%s\n",
      cpu > 0 ? audio / cpu : 0.0, audio, cpu, rate, block, useDouble ? "double" : "float",
      renderPath.empty() ? "" : (" on the " + renderPath + " render path").c_str());
  return 0;
}

}  // namespace qvcli
