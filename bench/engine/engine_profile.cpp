// Renders a fixed number of blocks of benchmark settings on one render path, for instruction
// counts under a profiler (whose slowness would change the benchmarks' iteration counts), and
// for comparing settings on a busy machine: the settings' blocks take turns, so a change in the
// machine's load falls on all of them alike. Prints each setting's median and mean CPU time per
// block. Usage: engine_profile PATH BLOCKS SETTING [SETTING ...],
// e.g. engine_profile avx2 200 Densest44k Densest44kFeedback
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_scenes.h"

namespace {

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
  engine::RenderPath path = engine::RenderPath::kSse2;
  if (argc < 4 || !engine::ParseRenderPath(argv[1], &path)) {
    std::fprintf(stderr, "usage: engine_profile sse2|avx2|avx512 BLOCKS SETTING [SETTING ...]\n");
    return 2;
  }
  if (!engine::RenderPathSupported(path)) {
    std::fprintf(stderr, "this processor lacks %s\n", argv[1]);
    return 1;
  }
  const int blocks = std::atoi(argv[2]);
  struct Run {
    std::string name;
    std::unique_ptr<benchscene::Scene> scene;
    std::vector<double> seconds;
    double checksum = 0.0;
  };
  std::vector<Run> runs;
  for (int a = 3; a < argc; ++a) {
    const auto& all = benchscene::Settings();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const benchscene::Named& n) { return n.name == argv[a]; });
    if (it == all.end()) {
      std::fprintf(stderr, "no setting called %s\n", argv[a]);
      return 2;
    }
    runs.push_back({it->name, std::make_unique<benchscene::Scene>(it->setting, path), {}, 0.0});
  }
  for (int b = 0; b < blocks; ++b) {
    for (Run& r : runs) {
      const double begin = ThreadSeconds();
      r.scene->Block();
      r.seconds.push_back(ThreadSeconds() - begin);
      r.checksum += r.scene->outL[b % benchscene::kBlock];
    }
  }
  for (Run& r : runs) {
    double mean = 0.0;
    for (double s : r.seconds) mean += s;
    mean = blocks > 0 ? mean / blocks : 0.0;
    std::sort(r.seconds.begin(), r.seconds.end());
    const double median = blocks > 0 ? r.seconds[r.seconds.size() / 2] : 0.0;
    std::printf(
        "%s/%s: %d blocks, %d grains, %.1f us per block (median), %.1f (mean), "
        "checksum %.17g\n",
        r.name.c_str(), argv[1], blocks, engine::Inspect(*r.scene->engine).ActiveGrainCount(), 1e6 * median,
        1e6 * mean, r.checksum);
  }
  return 0;
}
