// What live's period costs besides the plug-in: the real plug-in loaded as live loads it, its
// periods run through the live engine with a timebase master's transport, at 64 and 256 frames.
// host_us is the time per period outside the plug-in (input copies, time records, the output
// check, the gate), plugin_us the time inside it. live itself prints the same figure measured in
// JACK's callback (port buffers and the transport query included) when it ends.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/live_engine.h"
#include "host/lib/plugin_host.h"

namespace {

void LivePeriod(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  std::string error;
  std::unique_ptr<qvhost::PluginHost> host = qvhost::PluginHost::Load(QV_PLUGIN_PATH, &error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  host->Open();
  {
    qvcli::LiveEngine engine(*host, 120.0);
    engine.Configure(48000.0, frames);
    std::vector<float> a(frames), b(frames), l(frames), r(frames);
    for (int i = 0; i < frames; ++i) a[i] = b[i] = 0.25f * std::sin(0.05f * i);
    const float* ins[2] = {a.data(), b.data()};
    float* outs[2] = {l.data(), r.data()};
    qvcli::TransportReading transport;
    transport.bars = true;
    transport.rolling = true;
    for (auto _ : state) {
      engine.Process(ins, outs, frames, transport);
      transport.frame += frames;
      benchmark::DoNotOptimize(l.data());
    }
    const qvcli::LiveStats stats = engine.Stats();
    state.counters["host_us"] = stats.hostMeanUs;
    state.counters["host_max_us"] = stats.hostMaxUs;
    state.counters["plugin_us"] = stats.pluginMeanUs;
  }
  host->Close();
}

BENCHMARK(LivePeriod)->Arg(64)->Arg(256);

}  // namespace
