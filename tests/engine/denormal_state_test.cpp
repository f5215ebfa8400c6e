// Denormals are flushed, shown by the state rather than by timing: a signal that decays through
// the subnormal range, captured with mid/side coding, passed dry at half gain and read back by the
// grains, leaves no subnormal number in the capture buffer or the output. Without flush-to-zero
// it fails; denormals-are-zero alone changes no stored result, only the speed.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Dry;
using enginetest::Engine;
using enginetest::MidSide;
using enginetest::Stereo;

bool Subnormal(double x) { return std::fpclassify(x) == FP_SUBNORMAL; }

TEST(EngineDenormals, ASignalDecayingIntoTheSubnormalRangeLeavesNoSubnormalState) {
  // Every step of the signal path does arithmetic that turns the smallest normal numbers into
  // subnormal ones unless results are flushed: mid/side coding of the capture, the dry gain of
  // 0.5, the grains' envelopes and pan.
  Engine x({MidSide(true), Dry(0.5), Base(kSetBufLen, 0.01)});
  constexpr int kBlock = 64;
  constexpr int kLength = 188 * kBlock;
  // Halves every 8 samples: normal down to about sample 8180, subnormal until about 8590.
  Stereo in(kLength);
  int subnormalInputs = 0;
  for (int t = 0; t < kLength; ++t) {
    in.l[t] = 0.5 * std::exp2(-t / 8.0);
    in.r[t] = (t % 2 ? -0.25 : 0.25) * std::exp2(-t / 8.0);
    subnormalInputs += Subnormal(in.l[t]);
  }
  ASSERT_GT(subnormalInputs, 300);

  Stereo out(kBlock);
  for (int at = 0; at < kLength; at += kBlock) {
    const double* ip[2] = {in.l.data() + at, in.r.data() + at};
    double* op[2] = {out.l.data(), out.r.data()};
    x.e.ProcessBlock(ip, op, kBlock, 120.0);
    for (int i = 0; i < kBlock; ++i) {
      ASSERT_FALSE(Subnormal(out.l[i]) || Subnormal(out.r[i])) << "output at " << at + i;
    }
    const CaptureBuffer& c = Inspect(x.e).Capture();
    for (int i = 0; i < c.BufferLength; ++i) {
      ASSERT_FALSE(Subnormal(c.channel[0][i]) || Subnormal(c.channel[1][i]))
          << "capture buffer position " << i << " after sample " << at + kBlock;
    }
  }
}

}  // namespace
