// The three process paths: conversion, accumulation, unconnected channels, long blocks, bad sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "tests/plugin/effect_fixture.h"

using namespace framework;
using namespace quorvantel;

namespace {

using namespace vst2;

// Stereo test signal: channel 0 counts up, channel 1 counts down, both exact in float.
struct Block {
  explicit Block(int frames) : in0(frames), in1(frames), out0(frames, 0.5f), out1(frames, 0.5f) {
    for (int i = 0; i < frames; ++i) {
      in0[i] = static_cast<float>(i) * 0.25f;
      in1[i] = -static_cast<float>(i) * 0.125f;
    }
  }
  std::vector<float> in0, in1, out0, out1;
  float* ins[2] = {in0.data(), in1.data()};
  float* outs[2] = {out0.data(), out1.data()};
};

// Marks the piece sizes ProcessDouble receives and doubles the signal.
class PieceRecorder : public QuorvantelVst2 {
 public:
  PieceRecorder() : QuorvantelVst2(nullptr) {}
  void ProcessDouble(double** inputs, double** outputs, int frames) override {
    pieces.push_back(frames);
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < frames; ++i) outputs[c][i] = 2.0 * inputs[c][i];
    }
  }
  std::vector<int> pieces;
};

TEST(ReplacingProcess, PassThroughOverwritesOutputs) {
  EffectFixture f;
  f.OpenDryOnly();
  Block b(64);
  f.effect->processReplacing(f.effect, b.ins, b.outs, 64);
  EXPECT_EQ(b.out0, b.in0);
  EXPECT_EQ(b.out1, b.in1);
}

TEST(AccumulatingProcess, AddsToWhatTheHostHolds) {
  EffectFixture f;
  f.OpenDryOnly();
  Block b(64);
  f.effect->process(f.effect, b.ins, b.outs, 64);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(b.out0[i], 0.5f + b.in0[i]);
    EXPECT_EQ(b.out1[i], 0.5f + b.in1[i]);
  }
}

TEST(DoubleProcess, PassThroughWithoutCopiesIntoScratch) {
  EffectFixture f;
  f.OpenDryOnly();
  std::vector<double> in0(100, 0.3), in1(100, -0.6), out0(100, 9), out1(100, 9);
  double* ins[2] = {in0.data(), in1.data()};
  double* outs[2] = {out0.data(), out1.data()};
  f.effect->processDoubleReplacing(f.effect, ins, outs, 100);
  EXPECT_EQ(out0, in0);
  EXPECT_EQ(out1, in1);
  // In place, as hosts often do.
  f.effect->processDoubleReplacing(f.effect, ins, ins, 100);
  EXPECT_EQ(in0[99], 0.3);
}

TEST(ProcessSizes, ZeroOrNegativeFramesDoNothing) {
  EffectFixture f;
  Block b(8);
  f.effect->processReplacing(f.effect, b.ins, b.outs, 0);
  f.effect->processReplacing(f.effect, b.ins, b.outs, -8);
  f.effect->process(f.effect, b.ins, b.outs, -1);
  double* none[2] = {nullptr, nullptr};
  f.effect->processDoubleReplacing(f.effect, none, none, -1);
  for (float v : b.out0) EXPECT_EQ(v, 0.5f);
}

TEST(ProcessSizes, LongFloatBlocksAreCutIntoPieces) {
  PieceRecorder q;
  q.Effect()->dispatcher(q.Effect(), kEffectSetBlockSize, 0, 100, nullptr, 0);
  Block b(250);
  q.Effect()->processReplacing(q.Effect(), b.ins, b.outs, 250);
  EXPECT_EQ(q.pieces, (std::vector<int>{100, 100, 50}));
  for (int i = 0; i < 250; ++i) {
    ASSERT_EQ(b.out0[i], 2.0f * b.in0[i]) << i;
    ASSERT_EQ(b.out1[i], 2.0f * b.in1[i]) << i;
  }
}

TEST(ProcessSizes, PiecesGiveTheSameOutputAsOneBlock) {
  EffectFixture whole;
  EffectFixture cut;
  whole.OpenDryOnly();
  cut.OpenDryOnly();
  cut.Dispatch(kEffectSetBlockSize, 0, 7);
  Block a(300);
  Block b(300);
  whole.effect->processReplacing(whole.effect, a.ins, a.outs, 300);
  cut.effect->processReplacing(cut.effect, b.ins, b.outs, 300);
  EXPECT_EQ(a.out0, b.out0);
  EXPECT_EQ(a.out1, b.out1);
}

TEST(ProcessSizes, AbsurdBlockSizesAreCappedAndStillProcessWhole) {
  PieceRecorder q;
  q.Effect()->dispatcher(q.Effect(), kEffectSetBlockSize, 0, intptr{1} << 30, nullptr, 0);
  EXPECT_EQ(q.MaxBlockSize(), IEffectBase::kMaxScratchFrames);
  Block b(IEffectBase::kMaxScratchFrames + 10);
  q.Effect()->processReplacing(q.Effect(), b.ins, b.outs, IEffectBase::kMaxScratchFrames + 10);
  EXPECT_EQ(q.pieces, (std::vector<int>{IEffectBase::kMaxScratchFrames, 10}));
  EXPECT_EQ(b.out0.back(), 2.0f * b.in0.back());
}

TEST(ProcessSizes, LongDoubleBlocksWithAnUnconnectedChannelStayInBounds) {
  PieceRecorder q;
  q.Effect()->dispatcher(q.Effect(), kEffectSetBlockSize, 0, 64, nullptr, 0);
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  q.Effect()->dispatcher(q.Effect(), kEffectSetSpeakerArrangement, 0,
                         reinterpret_cast<intptr>(&mono), &mono, 0);
  std::vector<double> in(200, 1.5), out(200, 0.0);
  double* ins[1] = {in.data()};
  double* outs[1] = {out.data()};
  q.Effect()->processDoubleReplacing(q.Effect(), ins, outs, 200);
  EXPECT_EQ(q.pieces, (std::vector<int>{64, 64, 64, 8}));
  for (double v : out) ASSERT_EQ(v, 3.0);
}

// Counts what reaches ProcessDouble without touching any buffer.
class PieceCounter : public QuorvantelVst2 {
 public:
  PieceCounter() : QuorvantelVst2(nullptr) {}
  void ProcessDouble(double**, double**, int frames) override {
    ++pieces;
    total += frames;
    smallest = std::min(smallest, frames);
  }
  long long pieces = 0;
  long long total = 0;
  int smallest = std::numeric_limits<int>::max();
};

TEST(ProcessSizes, TheLargestBlockEndsAfterItsLastPiece) {
  // No channel connected, so no host buffer of 2^31 samples is needed: only the piece
  // arithmetic runs, and the position after the last piece lies beyond what an int holds.
  for (int path = 0; path < 2; ++path) {
    PieceCounter q;
    q.Effect()->dispatcher(q.Effect(), kEffectSetBlockSize, 0, 1 << 16, nullptr, 0);
    q.SetInputConnections(0, 2, false);
    q.SetOutputConnections(0, 2, false);
    const int frames = std::numeric_limits<int>::max();
    if (path == 0) {
      q.Effect()->processReplacing(q.Effect(), nullptr, nullptr, frames);
    } else {
      q.Effect()->processDoubleReplacing(q.Effect(), nullptr, nullptr, frames);
    }
    EXPECT_EQ(q.total, frames);
    EXPECT_EQ(q.pieces, 1 << 15);
    EXPECT_EQ(q.smallest, (1 << 16) - 1);
  }
}

TEST(UnconnectedChannels, MonoInputTakesOneHostPointer) {
  EffectFixture f;
  f.OpenDryOnly();
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  f.Dispatch(kEffectSetSpeakerArrangement, 0, reinterpret_cast<intptr>(&mono), nullptr);
  Block b(32);
  float* ins[1] = {b.in0.data()};  // a host with one input gives one pointer
  f.effect->processReplacing(f.effect, ins, b.outs, 32);
  EXPECT_EQ(b.out0, b.in0);
  for (float v : b.out1) EXPECT_EQ(v, 0.0f);  // input 1 reads its zeroed scratch
}

TEST(UnconnectedChannels, DisconnectedInputNeverReplaysTheLastBlock) {
  EffectFixture f;
  Block first(32);
  f.effect->processReplacing(f.effect, first.ins, first.outs, 32);
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  f.Dispatch(kEffectSetSpeakerArrangement, 0, reinterpret_cast<intptr>(&mono), nullptr);
  Block second(32);
  float* ins[1] = {second.in0.data()};
  f.effect->processReplacing(f.effect, ins, second.outs, 32);
  for (float v : second.out1) EXPECT_EQ(v, 0.0f);
}

TEST(UnconnectedChannels, UnconnectedOutputIsNotWritten) {
  EffectFixture f;
  f.OpenDryOnly();
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  f.Dispatch(kEffectSetSpeakerArrangement, 0, 0, &mono);
  Block b(16);
  float* outs[1] = {b.out0.data()};
  f.effect->processReplacing(f.effect, b.ins, outs, 16);
  EXPECT_EQ(b.out0, b.in0);
  for (float v : b.out1) EXPECT_EQ(v, 0.5f);
}

TEST(UnconnectedChannels, NullHostPointersReadSilenceAndWriteNowhere) {
  EffectFixture f;
  Block b(16);
  float* ins[2] = {nullptr, b.in1.data()};
  float* outs[2] = {b.out0.data(), nullptr};
  f.effect->processReplacing(f.effect, ins, outs, 16);
  for (float v : b.out0) EXPECT_EQ(v, 0.0f);
  f.effect->processReplacing(f.effect, nullptr, nullptr, 16);
  double* dnull[2] = {nullptr, nullptr};
  f.effect->processDoubleReplacing(f.effect, dnull, dnull, 16);
}

}  // namespace
