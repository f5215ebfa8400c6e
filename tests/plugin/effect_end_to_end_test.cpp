// The whole effect through the built module, as a host drives it: grains follow their LFOs, a
// stopped transport freezes the engine and passes the dry signal, and the dry path and mid/side
// coding reach the host's buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/module_fixture.h"

namespace {

using qvhost::PluginHost;

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

// Normalised host values of plain settings (the parameters' own mappings).
float Linear(double v, double min, double max) {
  return static_cast<float>((v - min) / (max - min));
}
float Squared(double v, double min, double max) {
  return static_cast<float>(std::sqrt((v - min) / (max - min)));
}
float EnumValue(int k, int count) { return static_cast<float>(k) / static_cast<float>(count - 1); }

struct Stereo {
  std::vector<float> left, right;
};

class Effect : public Module {
 protected:
  void SetUp() override {
    Module::SetUp();
    host->SetSampleRate(kRate);
    host->SetBlockSize(kBlock);
    host->SetActive(true);
  }

  // Renders `frames` of the given constant input pair through the replacing path.
  Stereo Render(int frames, float inLeft, float inRight) {
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    std::vector<float> a(kBlock, inLeft), b(kBlock, inRight);
    for (int offset = 0; offset < frames; offset += kBlock) {
      const int n = std::min(kBlock, frames - offset);
      float* inputs[2] = {a.data(), b.data()};
      float* outputs[2] = {out.left.data() + offset, out.right.data() + offset};
      host->ProcessReplacing(inputs, outputs, n);
    }
    return out;
  }
};

double SumAbs(const std::vector<float>& v, int from, int to) {
  double s = 0.0;
  for (int i = from; i < to; ++i) s += std::fabs(v[i]);
  return s;
}

// Short, dense grains that read the live input, so each window of output shows where grains go.
void DenseShortGrains(PluginHost& host) {
  host.SetParameter(0, Squared(10.0, 1.0, 150.0));  // Length 10 ms
  host.SetParameter(3, Linear(5.0, 0.1, 50.0));     // Onset 5 ms
}

TEST_F(Effect, PanFollowsASquareLfoBetweenTheChannels) {
  DenseShortGrains(*host);
  host->SetParameter(54, EnumValue(2, 7));           // Shape1 = Square
  host->SetParameter(55, Squared(2.0, 0.01, 12.0));  // Rate1 = 2 Hz
  host->SetParameter(10, EnumValue(0, 8));           // Pan Mod = LFO 1
  host->SetParameter(11, 1.0f);                      // Pan Dpth = 1
  const int frames = static_cast<int>(2 * kRate);
  const Stereo out = Render(frames, 0.25f, 0.25f);

  // 100 ms windows: the square wave spends 250 ms on each side, so most windows hold grains of
  // one side only; both sides must occur.
  const int window = static_cast<int>(0.1 * kRate);
  int leftOnly = 0, rightOnly = 0;
  for (int from = 0; from + window <= frames; from += window) {
    const double l = SumAbs(out.left, from, from + window);
    const double r = SumAbs(out.right, from, from + window);
    if (l > 10.0 * r && l > 1.0) ++leftOnly;
    if (r > 10.0 * l && r > 1.0) ++rightOnly;
  }
  EXPECT_GE(leftOnly, 4);
  EXPECT_GE(rightOnly, 4);
}

TEST_F(Effect, WithoutDepthThePanStaysCentred) {
  DenseShortGrains(*host);
  host->SetParameter(54, EnumValue(2, 7));
  host->SetParameter(10, EnumValue(0, 8));
  const int frames = static_cast<int>(kRate);
  const Stereo out = Render(frames, 0.25f, 0.25f);
  const double l = SumAbs(out.left, 0, frames);
  const double r = SumAbs(out.right, 0, frames);
  ASSERT_GT(l, 1.0);
  EXPECT_NEAR(l / r, 1.0, 1e-6);
}

// While the transport stands still the engine stands still too, but what is played through the
// effect stays audible: the host gets the dry signal at the Dry gain. When the transport runs
// again the sound carries on exactly as if the stopped blocks had never come.
TEST_F(Effect, StoppedTransportGivesTheDrySignalAndKeepsState) {
  vst2::VstTimeInfo info{};
  info.sampleRate = kRate;
  info.tempo = 120.0;
  info.flags = vst2::kTempoValid | vst2::kPpqPosValid;  // valid, but not playing
  host->SetParameter(87, 0.5f);  // Dry 0.5
  DenseShortGrains(*host);
  std::unique_ptr<qvhost::PluginHost> fresh = LoadModule();
  ASSERT_NE(fresh, nullptr);
  fresh->Open();
  fresh->SetSampleRate(kRate);
  fresh->SetBlockSize(kBlock);
  fresh->SetActive(true);
  fresh->SetParameter(87, 0.5f);
  DenseShortGrains(*fresh);

  host->Script().timeInfo = info;
  const Stereo stopped = Render(4 * kBlock, 0.5f, -0.25f);
  for (int i = 0; i < 4 * kBlock; ++i) {
    ASSERT_EQ(stopped.left[i], 0.25f) << i;
    ASSERT_EQ(stopped.right[i], -0.125f) << i;
  }
  // The accumulating path adds the dry signal to what the host's buffers hold.
  std::vector<float> a(kBlock, 0.5f), out(kBlock, 0.75f), out2(kBlock, 0.75f);
  float* inputs[2] = {a.data(), a.data()};
  float* outputs[2] = {out.data(), out2.data()};
  host->ProcessAccumulating(inputs, outputs, kBlock);
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out2[kBlock - 1], 1.0f);

  info.flags |= vst2::kTransportPlaying;
  host->Script().timeInfo = info;
  const Stereo playing = Render(4 * kBlock, 0.5f, -0.25f);
  std::vector<float> fa(kBlock, 0.5f), fb(kBlock, -0.25f);
  std::vector<float> left(4 * kBlock), right(4 * kBlock);
  for (int offset = 0; offset < 4 * kBlock; offset += kBlock) {
    float* in[2] = {fa.data(), fb.data()};
    float* o[2] = {left.data() + offset, right.data() + offset};
    fresh->ProcessReplacing(in, o, kBlock);
  }
  EXPECT_EQ(playing.left, left);
  EXPECT_EQ(playing.right, right);
  double wet = 0.0;  // the grains sound on top of the dry signal again
  for (float x : playing.left) wet += std::fabs(x - 0.25f);
  EXPECT_GT(wet, 10.0);
}

TEST_F(Effect, DryOnlyPassesTheInputWithOrWithoutMidSide) {
  host->SetParameter(87, 1.0f);  // Dry 1
  host->SetParameter(88, 0.0f);  // Wet 0
  for (float midSide : {0.0f, 1.0f}) {
    host->SetParameter(86, midSide);
    const Stereo out = Render(2 * kBlock, 0.5f, -0.25f);
    EXPECT_EQ(out.left[kBlock + 7], 0.5f) << "MidSide " << midSide;
    EXPECT_EQ(out.right[kBlock + 7], -0.25f) << "MidSide " << midSide;
  }
}

// A host change of Dry moves over 10 ms; a loaded state or program sounds at once.
TEST_F(Effect, DryRampsOnAChangeButNotOnALoadedStateOrProgram) {
  host->SetParameter(88, 0.0f);  // Wet 0
  host->SetParameter(87, 0.0f);  // Dry 0
  const std::vector<std::uint8_t> silent = host->GetChunk(false);
  host->SetParameter(87, 1.0f);
  const std::vector<std::uint8_t> dry = host->GetChunk(false);
  host->SetParameter(87, 0.0f);
  Render(kBlock, 0.5f, 0.5f);

  host->SetParameter(87, 1.0f);
  const Stereo ramped = Render(kBlock, 0.5f, 0.5f);
  EXPECT_LT(ramped.left[0], 0.01f);
  EXPECT_NEAR(ramped.left[220], 0.25f, 0.01f);  // halfway through 441 samples
  EXPECT_EQ(ramped.left[kBlock - 1], 0.5f);

  host->SetChunk(silent, false);
  EXPECT_EQ(Render(kBlock, 0.5f, 0.5f).left[0], 0.0f);
  host->SetChunk(dry, false);
  EXPECT_EQ(Render(kBlock, 0.5f, 0.5f).left[0], 0.5f);
  host->SetChunk(silent, true);  // the current program's values
  EXPECT_EQ(Render(kBlock, 0.5f, 0.5f).left[0], 0.0f);
  host->SetProgram(0);
  host->SetChunk(dry, true);
  host->SetProgram(1);
  host->SetChunk(silent, true);
  host->SetProgram(0);  // Dry 1 again, from the first sample
  EXPECT_EQ(Render(kBlock, 0.5f, 0.5f).left[0], 0.5f);
}

}  // namespace
