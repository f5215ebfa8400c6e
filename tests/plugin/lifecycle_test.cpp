// Instance creation, identity, channels, host identification and the editor link, in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/channel_config.h"
#include "framework/host_kind.h"
#include "tests/engine/grain_engine_inspect.h"
#include "tests/plugin/effect_fixture.h"

using namespace framework;
using namespace quorvantel;

namespace {

using namespace vst2;

TEST(EffectIdentity, RecordAfterCreation) {
  EffectFixture f;
  ASSERT_NE(f.effect, nullptr);
  EXPECT_EQ(f.effect->magic, 0x56737450);
  EXPECT_EQ(f.effect->numParams, 89);
  EXPECT_EQ(f.effect->numPrograms, 6);
  EXPECT_EQ(f.effect->numInputs, 2);
  EXPECT_EQ(f.effect->numOutputs, 2);
  EXPECT_EQ(f.effect->flags, 0x1019);  // the editor is attached at creation
  EXPECT_EQ(f.effect->version, 10000);
  EXPECT_EQ(f.effect->initialDelay, 0);
  EXPECT_EQ(f.effect->ioRatio, 1.0f);
  EXPECT_EQ(f.effect->uniqueID, FourCC('q', 'Z', 'v', 'x'));
  EXPECT_EQ(f.effect->uniqueID, 0x715A7678);
  EXPECT_NE(f.effect->processReplacing, nullptr);
  EXPECT_NE(f.effect->processDoubleReplacing, nullptr);
  EXPECT_NE(f.effect->process, nullptr);
  EXPECT_EQ(f.Instance().MaxBlockSize(), 1024);
  EXPECT_EQ(f.Instance().SampleRate(), 44100.0);
  EXPECT_EQ(f.Instance().Presets().Current(), 0);
  // Creation asks the host nothing; identification waits for the open request.
  EXPECT_TRUE(f.host->Calls().empty());
}

TEST(EffectIdentity, TwoInstancesAreIndependent) {
  EffectFixture a;
  EffectFixture b;
  ASSERT_NE(a.effect, b.effect);
  a.effect->setParameter(a.effect, 0, 1.0f);
  EXPECT_EQ(a.Value(0), 150.0);
  EXPECT_EQ(b.Value(0), 30.0);
}

TEST(ParameterTable, DefaultsNamesAndLabels) {
  EffectFixture f;
  const QuorvantelVst2& q = f.Instance();
  EXPECT_STREQ(q.Parameters().Definition(0).Name(), "Length");
  EXPECT_STREQ(q.Parameters().Definition(0).Label(), "ms");
  EXPECT_EQ(q.Parameters().Definition(0).Exponent(), 2.0);
  EXPECT_STREQ(q.Parameters().Definition(43).Name(), "Envelope");
  EXPECT_EQ(q.Parameters().Definition(43).Type(), ParameterType::kInt);
  EXPECT_STREQ(q.Parameters().Definition(44).Name(), "Dst Mod");
  EXPECT_STREQ(q.Parameters().Definition(28).Label(), "%");
  EXPECT_STREQ(q.Parameters().Definition(54).Name(), "Shape1");
  EXPECT_STREQ(q.Parameters().Definition(83).Name(), "Rate8");
  EXPECT_STREQ(q.Parameters().Definition(83).Label(), "Hz");
  EXPECT_STREQ(q.Parameters().Definition(85).Name(), "Skew8");
  EXPECT_STREQ(q.Parameters().Definition(88).Name(), "Wet");
  EXPECT_EQ(q.Parameters().Definition(88).Max(), 2.0);
  EXPECT_STREQ(q.Parameters().Definition(52).DisplayTextFor(8), "Rev Exponential");
  EXPECT_STREQ(q.Parameters().Definition(82).DisplayTextFor(6), "SampleHold");
  EXPECT_STREQ(q.Parameters().Definition(41).DisplayTextFor(7), "LFO 8");
  EXPECT_STREQ(q.Parameters().Definition(86).DisplayTextFor(1), "on");
}

TEST(ParameterTable, EveryRoleHasItsShape) {
  EffectFixture f;
  const QuorvantelVst2& q = f.Instance();
  int sources = 0, depths = 0;
  for (int i = 0; i < 89; ++i) {
    const ParameterDefinition& p = q.Parameters().Definition(i);
    if (TargetOf(i).input == EngineInput::kSource) {
      ++sources;
      EXPECT_EQ(p.Type(), ParameterType::kEnum) << i;
      EXPECT_EQ(p.Max(), 7.0);
      EXPECT_EQ(p.DisplayTextCount(), 8);
    } else if (TargetOf(i).input == EngineInput::kDepth) {
      ++depths;
      EXPECT_EQ(p.Type(), ParameterType::kDouble) << i;
      EXPECT_EQ(p.Step(), 0.05);
      EXPECT_EQ(q.Parameters().Value(i), 0.0);
    }
  }
  EXPECT_EQ(sources, 15);
  EXPECT_EQ(depths, 15);
  const int bools[] = {24, 56, 60, 64, 68, 72, 76, 80, 84, 86};
  for (int i : bools) {
    EXPECT_EQ(q.Parameters().Definition(i).Type(), ParameterType::kBool) << i;
    EXPECT_STREQ(q.Parameters().Definition(i).Label(), "");
  }
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(q.Parameters().Value(54 + 4 * k), 4.0);
    EXPECT_EQ(q.Parameters().Definition(55 + 4 * k).Exponent(), 2.0);
  }
  for (int i = 0; i < 89; ++i) {
    const ParameterDefinition& p = q.Parameters().Definition(i);
    EXPECT_NE(p.Type(), ParameterType::kNone) << i;
    EXPECT_GE(q.Parameters().Value(i), p.Min()) << i;
    EXPECT_LE(q.Parameters().Value(i), p.Max()) << i;
  }
}

// The plain value v of parameter `index` reaches the engine, as from the host or a loaded state.
GrainEngineTestAccess Change(EffectFixture& f, int index, double v) {
  f.Instance().Parameters().SetClamped(index, v);
  f.Instance().OnParameterChanged(index);
  return Inspect(f.Instance().Engine());
}

TEST(ParameterTable, EveryIndexDrivesItsEngineInput) {
  EffectFixture f;
  // The value parameters of settings 0 .. 14; "Mod" and "Dpth" follow each.
  const int values[] = {0, 3, 6, 43, 9, 12, 15, 18, 21, 25, 28, 31, 34, 37, 40};
  for (int slot = 0; slot < 15; ++slot) {
    const int i = values[slot];
    const ParameterDefinition& p = f.Instance().Parameters().Definition(i);
    const ModSlotBank& slots = Change(f, i, 0.3 * p.Min() + 0.7 * p.Max()).ModSlots();
    EXPECT_FLOAT_EQ(slots.Slot(slot).value, static_cast<float>(f.Value(i))) << i;
    EXPECT_EQ(Change(f, i + 1, 5.7).ModSlots().Slot(slot).selector, 5) << i + 1;
    EXPECT_FLOAT_EQ(Change(f, i + 2, 0.35).ModSlots().Slot(slot).depth, 0.35f) << i + 2;
  }
  EXPECT_TRUE(Change(f, 24, 1.0).DelaySync());
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(Change(f, 46 + 2 * j, 5 + j).Envelope(j).shape, 5 + j);
    EXPECT_EQ(Change(f, 47 + 2 * j, 0.25).Envelope(j).skew, 0.25f);
  }
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(Change(f, 54 + 4 * n, n % 7).Lfos().Settings(n).shape, n % 7);
    EXPECT_EQ(Change(f, 55 + 4 * n, 2.0 + n).Lfos().Settings(n).rateParameter, 2.0 + n);
    EXPECT_TRUE(Change(f, 56 + 4 * n, 1.0).Lfos().Settings(n).sync);
    EXPECT_EQ(Change(f, 57 + 4 * n, 0.25).Lfos().Settings(n).skew, 0.25f);
  }
  EXPECT_TRUE(Change(f, 86, 1.0).MidSide());
  EXPECT_EQ(Change(f, 87, 0.7).DryGain(), 0.7);
  EXPECT_EQ(Change(f, 88, 1.5).WetGain(), 1.5);
}

TEST(ParameterTable, TheDefaultsAppliedToANewEngineSoundAsAnOpenedInstance) {
  EffectFixture f;
  f.host->Open();
  GrainEngine engine;
  ApplyDefaults(engine);
  // The same noise through both, in blocks as a host sends them: the same samples to the bit.
  constexpr int kBlock = 256;
  std::vector<double> in[2], viaEffect[2], viaEngine[2];
  for (int c = 0; c < 2; ++c) {
    in[c].resize(kBlock);
    viaEffect[c].resize(kBlock);
    viaEngine[c].resize(kBlock);
  }
  std::uint32_t noise = 12345;
  for (int block = 0; block < 40; ++block) {
    for (auto& channel : in) {
      for (double& v : channel) {
        noise = noise * 1664525u + 1013904223u;
        v = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
      }
    }
    double* inputs[] = {in[0].data(), in[1].data()};
    double* effectOut[] = {viaEffect[0].data(), viaEffect[1].data()};
    double* engineOut[] = {viaEngine[0].data(), viaEngine[1].data()};
    f.host->ProcessDouble(inputs, effectOut, kBlock);
    engine.ProcessBlock(inputs, engineOut, kBlock, 0.0);
    for (int c = 0; c < 2; ++c) ASSERT_EQ(viaEffect[c], viaEngine[c]) << "block " << block;
  }
}

TEST(ParameterTable, SwitchesTurnOnAboveHalfAndValuesThatAreNotFiniteAreIgnored) {
  GrainEngine e;
  ApplyToEngine(e, TargetOf(86), 0.5);
  EXPECT_FALSE(Inspect(e).MidSide());
  ApplyToEngine(e, TargetOf(86), 0.51);
  EXPECT_TRUE(Inspect(e).MidSide());
  ApplyToEngine(e, TargetOf(24), 0.51);
  EXPECT_TRUE(Inspect(e).DelaySync());
  for (int i = 0; i < 89; ++i) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
      ApplyToEngine(e, TargetOf(i), bad);
    }
  }
  EXPECT_TRUE(Inspect(e).MidSide());
  EXPECT_TRUE(Inspect(e).DelaySync());
  EXPECT_EQ(Inspect(e).ModSlots().Slot(kSetLength).selector, 1);
  EXPECT_EQ(Inspect(e).ModSlots().Slot(kSetLength).value, 30.0f);
  EXPECT_EQ(Inspect(e).Envelope(0).shape, kRectangle);
  EXPECT_EQ(e.Lfos().Settings(0).shape, kLfoRandom);
}

TEST(Channels, LegalIOForOneToOneAndTwoToTwo) {
  EffectFixture f;
  const QuorvantelVst2& q = f.Instance();
  EXPECT_TRUE(q.LegalIO(1, -1));
  EXPECT_TRUE(q.LegalIO(2, 2));
  EXPECT_TRUE(q.LegalIO(-1, 2));
  EXPECT_FALSE(q.LegalIO(1, 2));
  EXPECT_FALSE(q.LegalIO(3, -1));
}

TEST(Channels, ConnectionRangesAreClamped) {
  EffectFixture f;
  QuorvantelVst2& q = f.Instance();
  q.SetInputConnections(-5, 100, false);
  EXPECT_FALSE(q.Channels().InputConnected(0));
  EXPECT_FALSE(q.Channels().InputConnected(1));
  q.SetInputConnections(1, 2147483647, true);  // first + count must not overflow
  EXPECT_FALSE(q.Channels().InputConnected(0));
  EXPECT_TRUE(q.Channels().InputConnected(1));
  q.SetOutputConnections(0, -3, false);
  EXPECT_TRUE(q.Channels().OutputConnected(0));
}

TEST(HostIdentification, SubstringTableInOrder) {
  EXPECT_EQ(HostKindFromName("Cubase Pro 12"), KnownHost::kCubase);
  EXPECT_EQ(HostKindFromName("REAPER"), KnownHost::kReaper);
  EXPECT_EQ(HostKindFromName("reaper cubase"), KnownHost::kCubase);
  EXPECT_EQ(HostKindFromName("Oliver"), KnownHost::kLive);  // "live" inside a longer word
  EXPECT_EQ(HostKindFromName("Digital Performer"), KnownHost::kDigitalPerformer);
  EXPECT_EQ(HostKindFromName("SAWStudio"), KnownHost::kSawStudio);
  EXPECT_EQ(HostKindFromName("Carla"), KnownHost::kNone);
  EXPECT_EQ(HostKindFromName(""), KnownHost::kNone);
}

TEST(HostIdentification, AskedOnceWithVersionConverted) {
  EffectFixture f;
  f.host->Script().productString = "Bitwig Studio";
  f.host->Script().vendorVersion = 50102;
  EXPECT_EQ(f.Instance().HostKind(), 0);
  EXPECT_EQ(f.Instance().HostVersion(), 0x00050102);
  f.host->Script().productString = "Cubase";
  EXPECT_EQ(f.Instance().HostKind(), 0);  // not asked again
  EXPECT_EQ(f.host->CountCalls(kHostGetProductString), 1);
  EXPECT_EQ(f.host->CountCalls(kHostGetVendorVersion), 1);
}

TEST(HostIdentification, VersionIsA32BitNumberInAWiderAnswer) {
  // Only the low 32 bits of the answer carry the version; the rest must neither overflow the
  // conversion nor change it.
  for (const intptr high : {intptr{1} << 62, std::numeric_limits<intptr>::min()}) {
    EffectFixture f;
    f.host->Script().vendorVersion = high + 50102;
    f.Instance().HostKind();
    EXPECT_EQ(f.Instance().HostVersion(), 0x00050102);
  }
}

TEST(HostIdentification, EmptyNameSkipsTheVersion) {
  EffectFixture f;
  f.host->Script().productString = "";
  f.Dispatch(kEffectOpen);
  EXPECT_EQ(f.Instance().HostKind(), 0);
  EXPECT_EQ(f.Instance().HostVersion(), 0);
  EXPECT_EQ(f.host->CountCalls(kHostGetVendorVersion), 0);
}

TEST(HostIdentification, UnterminatedProductStringIsCutAtTheBuffer) {
  EffectFixture f;
  f.host->Script().productUnterminated = true;
  EXPECT_EQ(f.Instance().HostKind(), 0);  // read as 255 'x', not past the buffer
  EXPECT_EQ(f.host->CountCalls(kHostGetVendorVersion), 1);
}

TEST(HostIdentification, NoHostCallbackAtAll) {
  vst2::AEffect* effect = CreateQuorvantelEffect(nullptr);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->dispatcher(effect, kEffectOpen, 0, 0, nullptr, 0), 0);
  auto* q = static_cast<QuorvantelVst2*>(IEffectVst2::FromEffect(effect));
  EXPECT_EQ(q->HostKind(), 0);
  EXPECT_EQ(q->HostTempo(), 0.0);
  EXPECT_TRUE(q->HostIsPlaying());
  q->SetParameterFromGUI(0, 0.5);  // automation goes nowhere, no crash
  EXPECT_EQ(q->Parameters().Value(0), 38.25);
  effect->dispatcher(effect, kEffectClose, 0, 0, nullptr, 0);
}

// An unconnected channel's slot is its scratch buffer, so the tests read and write it there.
TEST(BlockSize, SameSizeKeepsScratchNewSizeZeroes) {
  ChannelConfig channels("1-1 2-2");
  channels.SetScratchFrames(1024);
  std::fill_n(channels.InputSlots()[0], 1024, 7.0);
  channels.SetScratchFrames(1024);
  EXPECT_EQ(channels.InputSlots()[0][1023], 7.0);
  channels.SetScratchFrames(256);
  EXPECT_EQ(channels.ScratchFrames(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(channels.InputSlots()[0][i], 0.0);

  QuorvantelVst2 q(nullptr);
  q.SetMaxBlockSize(256);
  q.SetMaxBlockSize(0);  // ignored: a block holds at least one frame
  q.SetMaxBlockSize(-4);
  EXPECT_EQ(q.MaxBlockSize(), 256);
}

TEST(BlockSize, DisconnectingZeroesTheScratchAndSlotsFollowResizedBuffers) {
  ChannelConfig channels("1-1 2-2");
  channels.SetScratchFrames(1024);
  channels.SetInputConnections(0, 2, true);
  std::vector<float> host(1024, 3.0f);
  float* inputs[] = {host.data(), host.data()};
  channels.RouteFloat(inputs, nullptr, 0, 1024);  // converts into the scratch buffers
  double* scratch = channels.InputSlots()[1];
  ASSERT_EQ(scratch[1023], 3.0);
  channels.SetInputConnections(1, 1, false);
  EXPECT_EQ(channels.InputSlots()[1], scratch);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(scratch[i], 0.0);
  channels.SetScratchFrames(8192);
  EXPECT_NE(channels.InputSlots()[1], scratch);  // the buffer moved and the slot followed it
}

// Records what the framework tells an attached editor.
class RecordingEditor : public IEditorView {
 public:
  struct Push {
    int index;
    double value;
    bool normalized;
  };
  explicit RecordingEditor(std::vector<Push>* pushes, int* closes, bool opens = true)
      : pushes_(pushes), closes_(closes), opens_(opens) {}
  void SetParameterFromPlugin(int index, double value, bool normalized) override {
    pushes_->push_back({index, value, normalized});
  }
  void DropPendingValue(int) override {}
  void PrepareDraw() override { ++prepared; }
  int Width() const override { return 800; }
  int Height() const override { return 600; }
  bool OpenWindow(void*) override {
    windowCallsWithLockFree += LockFree();
    return opens_;
  }
  void CloseWindow() override {
    windowCallsWithLockFree += LockFree();
    ++*closes_;
  }
  // Whether another thread could take the instance lock right now: an editor thread that
  // waits for it must be able to finish while the window closes.
  bool LockFree() const {
    if (lock == nullptr) return true;
    return std::async(std::launch::async,
                      [this] {
                        if (!lock->try_lock()) return false;
                        lock->unlock();
                        return true;
                      })
        .get();
  }
  int prepared = 0;
  InstanceMutex* lock = nullptr;
  int windowCallsWithLockFree = 0;

 private:
  std::vector<Push>* pushes_;
  int* closes_;
  bool opens_;
};

TEST(EditorLink, TheEditorReportsItsSizeAndAWindowThatCannotOpenAnswersZero) {
  EffectFixture f;
  ERect* rect = nullptr;
  EXPECT_EQ(f.Dispatch(kEffectEditGetRect, 0, 0, nullptr), 0);
  ASSERT_EQ(f.Dispatch(kEffectEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 600);
  EXPECT_EQ(rect->right, 800);
  // Not a window: no window opens and the plug-in goes on working.
  EXPECT_EQ(f.Dispatch(kEffectEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 0);
  EXPECT_EQ(f.Dispatch(kEffectEditIdle), 0);
  EXPECT_EQ(f.Dispatch(kEffectEditClose), 1);
}

TEST(EditorLink, AttachShowsEveryValueAndSetsFlagAndRect) {
  EffectFixture f;
  std::vector<RecordingEditor::Push> pushes;
  int closes = 0;
  auto recording = std::make_unique<RecordingEditor>(&pushes, &closes);
  RecordingEditor* editor = recording.get();
  editor->lock = &f.Instance().InstanceLock();
  f.Instance().AttachEditor(std::move(recording));
  EXPECT_EQ(f.effect->flags, 0x1019);
  ASSERT_EQ(pushes.size(), 89u);
  EXPECT_EQ(pushes[0].index, 0);
  EXPECT_TRUE(pushes[0].normalized);
  EXPECT_NEAR(pushes[0].value, 0.44117, 1e-5);
  ERect* rect = nullptr;
  EXPECT_EQ(f.Dispatch(kEffectEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 600);
  EXPECT_EQ(rect->right, 800);
  EXPECT_EQ(f.Dispatch(kEffectEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 1);
  EXPECT_EQ(f.Dispatch(kEffectEditClose), 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(editor->windowCallsWithLockFree, 2);

  // Host automation reaches the editor as a normalised value; the host is not told back.
  pushes.clear();
  f.effect->setParameter(f.effect, 0, 0.5f);
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].value, 0.5);
  EXPECT_TRUE(pushes[0].normalized);
  EXPECT_EQ(f.host->CountCalls(kHostAutomate), 0);

  // A destroyed instance closes the editor's window first.
  f.Close();
  EXPECT_EQ(closes, 2);
}

}  // namespace
