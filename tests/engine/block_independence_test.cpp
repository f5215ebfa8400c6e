// The same settings sound the same whatever block sizes the host sends: the default scene, the
// densest one and one with feedback, rendered at block sizes from 1 to 4096 samples and compared
// sample by sample with the render in single samples.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Changes;
using enginetest::Engine;
using enginetest::Stereo;

struct Scene {
  std::string name;
  Changes changes;
  double toleranceDb;  // the largest difference allowed, in dB below full scale
};

// The pairs grains land in depend on where blocks end (a pair whose grain ended inside a block
// is free again only after the block), so the order in which grains are summed can differ, and
// with it the last bits of a sum: the densest scenes stay within about -180 dB. Where few grains
// overlap the samples are the same to the bit.
const std::vector<Scene>& Scenes() {
  static const std::vector<Scene> scenes = {
      {"default", {}, -400.0},
      {"densest", {Base(kSetLength, 150.0), Base(kSetOnset, 0.1)}, -200.0},
      // Every grain reads right behind the write position, where all grains' feedback of the
      // sample before has landed.
      {"densest with feedback",
       {Base(kSetLength, 150.0), Base(kSetOnset, 0.1), Base(kSetFeedback, 0.5)},
       -150.0},
      {"shimmer",
       {Base(kSetLength, 80.0), Base(kSetOnset, 15.0), Base(kSetPitch, 12.0), Base(kSetDelay, 60.0),
        Base(kSetBufLen, 0.06), Base(kSetFeedback, 0.5), Base(kSetFBApply, 1.0)},
       -200.0},
  };
  return scenes;
}

// Renders the scene on a plucked, panned test phrase in blocks of `block` samples.
Stereo Render(const Scene& s, int block, int samples) {
  Engine x(s.changes);
  Stereo in(samples);
  for (int i = 0; i < samples; ++i) {
    const double decay = std::exp(-(i % 11025) / 2000.0);
    in.l[i] = 0.6 * decay * std::sin(0.0627 * i);
    in.r[i] = 0.5 * decay * std::sin(0.0941 * i + 0.3);
  }
  return enginetest::Process(x.e, in, block);
}

double LargestDifferenceDb(const Stereo& a, const Stereo& b) {
  double worst = 0.0;
  for (int i = 0; i < a.size(); ++i) {
    worst = std::max({worst, std::fabs(a.l[i] - b.l[i]), std::fabs(a.r[i] - b.r[i])});
  }
  return worst > 0.0 ? 20.0 * std::log10(worst) : -400.0;
}

TEST(EngineBlockIndependence, EveryBlockSizeRendersWhatSingleSamplesRender) {
  constexpr int kSamples = 44100;
  for (const Scene& s : Scenes()) {
    const Stereo reference = Render(s, 1, kSamples);
    double level = 0.0;
    for (int i = 0; i < kSamples; ++i) level = std::max(level, std::fabs(reference.l[i]));
    EXPECT_GT(level, 0.05) << s.name << ": the scene must sound";
    for (int block : {7, 16, 64, 512, 4096}) {
      const double db = LargestDifferenceDb(Render(s, block, kSamples), reference);
      std::printf("%-21s block %4d: largest difference %6.1f dB\n", s.name.c_str(), block, db);
      EXPECT_LE(db, s.toleranceDb) << s.name << ", block " << block;
    }
  }
}

}  // namespace
