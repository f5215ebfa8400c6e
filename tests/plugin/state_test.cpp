// State chunks and programs in-process: loading, bad data, notifications and program switching.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "tests/plugin/effect_fixture.h"

using namespace framework;
using namespace quorvantel;

namespace {

using namespace vst2;

class NotifyCounter : public QuorvantelVst2 {
 public:
  NotifyCounter() : QuorvantelVst2(nullptr) {}
  void OnParameterChanged(int) override { ++changes; }
  void ResetProcessing() override { ++resets; }
  int changes = 0;
  int resets = 0;
};

std::vector<std::uint8_t> ChunkOf(QuorvantelVst2& q, bool program) {
  void* data = nullptr;
  const intptr size =
      q.Effect()->dispatcher(q.Effect(), kEffectGetChunk, program ? 1 : 0, 0, &data, 0);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

intptr SetChunk(QuorvantelVst2& q, const std::vector<std::uint8_t>& bytes, bool program) {
  return q.Effect()->dispatcher(q.Effect(), kEffectSetChunk, program ? 1 : 0,
                                static_cast<intptr>(bytes.size()),
                                const_cast<std::uint8_t*>(bytes.data()), 0);
}

void PutDouble(std::vector<std::uint8_t>& bytes, int offset, double v) {
  std::memcpy(bytes.data() + offset, &v, sizeof v);  // the test machine is little-endian
}

TEST(ChunkLoading, EveryParameterIsAnnounced) {
  NotifyCounter q;
  auto bytes = ChunkOf(q, true);
  EXPECT_EQ(SetChunk(q, bytes, true), 1);
  EXPECT_EQ(q.changes, 89);
  EXPECT_EQ(q.resets, 0);
}

TEST(ChunkLoading, NonFiniteStoredValuesKeepTheCurrentValue) {
  NotifyCounter q;
  auto bytes = ChunkOf(q, true);
  PutDouble(bytes, 8 + 8 * 0, std::numeric_limits<double>::quiet_NaN());
  PutDouble(bytes, 8 + 8 * 3, std::numeric_limits<double>::infinity());
  PutDouble(bytes, 8 + 8 * 88, -std::numeric_limits<double>::infinity());
  PutDouble(bytes, 8 + 8 * 9, 0.25);
  EXPECT_EQ(SetChunk(q, bytes, true), 1);
  EXPECT_EQ(q.Parameters().Value(0), 30.0);
  EXPECT_EQ(q.Parameters().Value(3), 20.0);
  EXPECT_EQ(q.Parameters().Value(88), 1.0);
  EXPECT_EQ(q.Parameters().Value(9), 0.25);
}

TEST(ChunkLoading, HeaderOnlyOrEmptyChangesNoValue) {
  NotifyCounter q;
  q.Parameters().SetClamped(0, 77);
  std::vector<std::uint8_t> header = ChunkOf(q, true);
  header.resize(8);
  EXPECT_EQ(SetChunk(q, header, true), 0);
  EXPECT_EQ(q.Parameters().Value(0), 77.0);  // not 1 ms
  EXPECT_EQ(q.changes, 89);
  const std::uint8_t one = 0;
  EXPECT_EQ(
      q.Effect()->dispatcher(q.Effect(), kEffectSetChunk, 1, 0, const_cast<std::uint8_t*>(&one), 0),
      0);
  EXPECT_EQ(q.Parameters().Value(0), 77.0);
}

TEST(ChunkLoading, NullPointerOrNegativeSizeAnswersZero) {
  NotifyCounter q;
  std::uint8_t bytes[720] = {};
  EXPECT_EQ(q.Effect()->dispatcher(q.Effect(), kEffectSetChunk, 1, 720, nullptr, 0), 0);
  EXPECT_EQ(q.Effect()->dispatcher(q.Effect(), kEffectSetChunk, 1, -720, bytes, 0), 0);
  EXPECT_EQ(q.Effect()->dispatcher(q.Effect(), kEffectGetChunk, 1, 0, nullptr, 0), 0);
  EXPECT_EQ(q.changes, 0);
  EXPECT_FALSE(q.Presets().Initialized(0));
}

TEST(ChunkLoading, TheEditorIsRefreshedOnlyOnSuccess) {
  NotifyCounter q;
  struct Editor : IEditorView {
    int* pushes;
    explicit Editor(int* p) : pushes(p) {}
    void SetParameterFromPlugin(int, double, bool normalized) override {
      if (!normalized) ++*pushes;
    }
    void DropPendingValue(int) override {}
    void PrepareDraw() override {}
    int Width() const override { return 800; }
    int Height() const override { return 600; }
    bool OpenWindow(void*) override { return false; }
    void CloseWindow() override {}
  };
  int pushes = 0;
  q.AttachEditor(std::make_unique<Editor>(&pushes));
  auto bytes = ChunkOf(q, true);
  EXPECT_EQ(SetChunk(q, bytes, true), 1);
  EXPECT_EQ(pushes, 89);
  bytes.resize(100);
  EXPECT_EQ(SetChunk(q, bytes, true), 0);
  EXPECT_EQ(pushes, 89);
}

TEST(Programs, RecallOfAStoredProgramRestoresItsValues) {
  NotifyCounter q;
  AEffect* e = q.Effect();
  e->dispatcher(e, kEffectSetProgram, 0, 1, nullptr, 0);  // program 1 captures the defaults
  EXPECT_EQ(q.Presets().Current(), 1);
  e->setParameter(e, 0, 1.0f);  // Length 150 while on program 1
  e->dispatcher(e, kEffectSetProgram, 0, 0, nullptr, 0);
  EXPECT_EQ(q.Parameters().Value(0), 150.0);  // program 0 was never filled: values stay
  e->setParameter(e, 0, 0.0f);
  q.changes = 0;
  e->dispatcher(e, kEffectSetProgram, 0, 1, nullptr, 0);
  EXPECT_EQ(q.Parameters().Value(0), 150.0);  // stored when leaving program 1
  EXPECT_EQ(q.changes, 89);
  EXPECT_EQ(q.resets, 0);
  e->dispatcher(e, kEffectSetProgram, 0, 0, nullptr, 0);
  EXPECT_EQ(q.Parameters().Value(0), 1.0);
}

TEST(Programs, OutOfRangeProgramKeepsTheIndexButStoresFirst) {
  NotifyCounter q;
  AEffect* e = q.Effect();
  e->dispatcher(e, kEffectSetProgram, 0, 6, nullptr, 0);
  e->dispatcher(e, kEffectSetProgram, 0, -1, nullptr, 0);
  e->dispatcher(e, kEffectSetProgram, 0, intptr{1} << 40, nullptr, 0);
  EXPECT_EQ(q.Presets().Current(), 0);
  EXPECT_FALSE(q.Presets().Initialized(0));
  EXPECT_FALSE(q.RecallPreset(6));
}

TEST(Programs, LongNamesAreBounded) {
  NotifyCounter q;
  AEffect* e = q.Effect();
  std::vector<char> name(1000, 'a');
  name.back() = '\0';
  e->dispatcher(e, kEffectSetProgramName, 0, 0, name.data(), 0);
  EXPECT_EQ(std::strlen(q.PresetName(0)), 255u);
  char out[24 + 8];
  std::memset(out, 'z', sizeof out);
  e->dispatcher(e, kEffectGetProgramName, 0, 0, out, 0);
  EXPECT_EQ(std::strlen(out), 23u);
  EXPECT_EQ(out[24], 'z');
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(e->dispatcher(e, kEffectGetProgramNameIndexed, 0, 0, out, 0), 1);
  EXPECT_EQ(out[24], 'z');
}

TEST(Programs, NullPointersAreIgnored) {
  NotifyCounter q;
  AEffect* e = q.Effect();
  EXPECT_EQ(e->dispatcher(e, kEffectSetProgramName, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(e->dispatcher(e, kEffectGetProgramName, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(e->dispatcher(e, kEffectGetProgramNameIndexed, 0, 0, nullptr, 0), 0);
  EXPECT_STREQ(q.PresetName(0), "- 1 -");
}

TEST(Programs, DefaultPresetsFillTheFirstFreeOnes) {
  NotifyCounter q;
  q.MakeDefaultPresets(nullptr, 2);
  EXPECT_STREQ(q.PresetName(0), "Default");
  EXPECT_STREQ(q.PresetName(1), "Default");
  EXPECT_STREQ(q.PresetName(2), "- 3 -");
  q.MakeDefaultPresets("Init", 10);  // only four are left
  EXPECT_STREQ(q.PresetName(5), "Init");
  EXPECT_TRUE(q.Presets().Initialized(5));
}

}  // namespace
