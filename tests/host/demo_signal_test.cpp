// The demo phrase: centred on zero, so nothing downstream sees a DC offset.
#include "host/cli/demo_signal.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

TEST(DemoPhrase, CarriesNoDcOffset) {
  for (const int rate : {8000, 44100, 384000}) {
    const std::vector<float> phrase = qvcli::DemoPhrase(6.0, rate);
    const double mean = std::accumulate(phrase.begin(), phrase.end(), 0.0) / phrase.size();
    EXPECT_LT(std::abs(mean), 1e-3) << rate;
  }
}

}  // namespace
