// Runs the host threads and the editor's thread against one in-process instance for a while and
// prints what they did.
// Exit 1 on a fault, a stalled thread or, with --memory, resident memory that still grows after
// the first minute.
// Usage: instance_stress [--seconds N] [--memory] [--seed N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "tests/stress/instance_stress.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

using namespace quorvantel;

namespace {

constexpr double kSettleSeconds = 60.0;         // memory may grow until then
constexpr long kAllowedGrowthBytes = 1L << 20;  // allocator noise after that

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 5.0;
  bool memory = false;
  std::uint64_t seed = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--memory") == 0) {
      memory = true;
    } else {
      std::fprintf(stderr, "usage: %s [--seconds N] [--memory] [--seed N]\n", argv[0]);
      return 2;
    }
  }

  // A playing transport with a tempo, so tempo-synchronised LFOs follow it.
  qvhost::HostScript script;
  vst2::VstTimeInfo time{};
  time.sampleRate = 44100.0;
  time.tempo = 128.0;
  time.flags = vst2::kTransportPlaying | vst2::kTempoValid;
  script.timeInfo = time;
  std::string error;
  auto host =
      qvhost::PluginHost::Start(&CreateQuorvantelEffect, "Quorvantel", &error, std::move(script));
  if (!host) {
    std::fprintf(stderr, "instance_stress: %s\n", error.c_str());
    return 1;
  }
  host->Open();
  stress::InstanceStress run(*host, seed);
  // The editor's thread, as its window's timer and a user drive it: clicks, drags and the wheel
  // anywhere on the editor, then a tick that takes over what the other threads handed it.
  gui::IEditorSurface* surface = &FromEffect(host->Effect())->EditorSurface();
  run.AddThread("editor", [surface, &run](stress::Random& rng) {
    const int x = rng.Below(800), y = rng.Below(600);
    gui::MouseMod mod{true};
    mod.ctrl = rng.Below(4) == 0;
    switch (rng.Below(4)) {
      case 0:
        run.UserEditBegins();
        surface->OnMouseDown(x, y, mod);
        surface->OnMouseDrag(x + rng.Between(-40, 40), y + rng.Between(-40, 40), mod);
        surface->OnMouseUp(x, y, mod);
        run.UserEditEnds();
        break;
      case 1:
        run.UserEditBegins();
        surface->OnMouseWheel(x, y, gui::MouseMod{}, rng.Between(-3, 3));
        run.UserEditEnds();
        break;
      case 2:
        surface->MarkAllControlsDirty();
        break;
      default:
        break;
    }
    surface->Tick();
  });

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const long startBytes = ResidentBytes();
  long settledBytes = -1, peakAfterSettle = 0;
  auto sample = [&] {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const long bytes = ResidentBytes();
    if (elapsed < kSettleSeconds) return;
    if (settledBytes < 0) settledBytes = bytes;
    peakAfterSettle = std::max(peakAfterSettle, bytes);
  };
  const stress::StressReport report = run.Run(seconds, 60.0, sample);
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  std::printf("instance_stress: %.1f s, seed %llu\n", elapsed,
              static_cast<unsigned long long>(seed));
  for (std::size_t t = 0; t < report.threadNames.size(); ++t) {
    std::printf("  thread %-10s %12lld steps\n", report.threadNames[t].c_str(),
                static_cast<long long>(report.steps[t]));
  }
  std::printf("  blocks %lld, %.1f s of audio at 44.1 kHz, %lld chunk round trips\n",
              static_cast<long long>(report.blocks), static_cast<double>(report.frames) / 44100.0,
              static_cast<long long>(report.chunkRoundTrips));
  const long endBytes = ResidentBytes();
  std::printf("  resident memory: start %.1f MiB, end %.1f MiB", startBytes / 1048576.0,
              endBytes / 1048576.0);
  if (settledBytes >= 0) {
    std::printf(", after %.0f s %.1f MiB, peak after that %.1f MiB", kSettleSeconds,
                settledBytes / 1048576.0, peakAfterSettle / 1048576.0);
  }
  std::printf("\n");
  std::fflush(stdout);

  if (!report.stalledThread.empty()) {
    std::fprintf(stderr, "instance_stress: thread %s made no progress for 60 s (deadlock?)\n",
                 report.stalledThread.c_str());
    std::_Exit(1);  // its threads are still inside the instance
  }
  bool ok = true;
  if (report.faults > 0) {
    std::fprintf(stderr, "instance_stress: %lld faults, the first: %s\n",
                 static_cast<long long>(report.faults), report.firstFault.c_str());
    ok = false;
  }
  if (memory && settledBytes >= 0 && peakAfterSettle - settledBytes > kAllowedGrowthBytes) {
    std::fprintf(stderr, "instance_stress: resident memory grew by %ld bytes after %.0f s\n",
                 peakAfterSettle - settledBytes, kSettleSeconds);
    ok = false;
  }
  for (std::size_t t = 0; t < report.steps.size(); ++t) {
    if (report.steps[t] == 0) {
      std::fprintf(stderr, "instance_stress: thread %s never finished a step\n",
                   report.threadNames[t].c_str());
      ok = false;
    }
  }
  host->Close();
  return ok ? 0 : 1;
}
