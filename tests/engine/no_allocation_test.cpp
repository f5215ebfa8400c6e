// Processing allocates nothing: global operator new is replaced by a counting one, and a few
// thousand blocks with grains spawning, feeding back and retiring run between two readings.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "tests/counting_new.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

TEST(EngineRealTime, ProcessingAllocatesNothing) {
  GrainEngine e;
  enginetest::ApplyDefaults(e);
  e.SetBase(kSetLength, 150.0);
  e.SetBase(kSetOnset, 0.1);
  e.SetBase(kSetFeedback, 0.9);
  e.SetDepth(kSetLength, 1.0);  // Length depth: grains of varied lengths retire at varied times
  const enginetest::Stereo in = enginetest::TestSignal(5000);
  enginetest::Stereo out(5000);
  const double* ip[2] = {in.l.data(), in.r.data()};
  double* op[2] = {out.l.data(), out.r.data()};
  const long before = qvtest::AllocationCount();
  for (int b = 0; b < 3000; ++b) {
    e.ProcessBlock(ip, op, 64 + (b * 37) % 400, 120.0);
    if (b == 1500) e.ProcessBlock(ip, op, 5000, 120.0);  // a block cut into pieces
  }
  const long during = qvtest::AllocationCount() - before;
  EXPECT_EQ(during, 0);
  EXPECT_GT(Inspect(e).ActiveGrainCount(), 100);
}

}  // namespace
