// The built module loaded through the host library, as a host loads it: identity, texts, the
// can-do table, programs, chunk bytes and the process paths across the binary interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/module_fixture.h"

namespace {

using namespace vst2;
using qvhost::PluginHost;

double DoubleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= std::uint64_t{bytes[offset + i]} << (8 * i);
  double v;
  std::memcpy(&v, &u, sizeof v);
  return v;
}

void PutDouble(std::vector<std::uint8_t>& bytes, std::size_t offset, double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  for (int i = 0; i < 8; ++i) bytes[offset + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

using ModuleIdentity = Module;

TEST_F(ModuleIdentity, RecordAndNames) {
  AEffect* e = host->Effect();
  EXPECT_EQ(e->numParams, 89);
  EXPECT_EQ(e->numPrograms, 6);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1019);  // has an editor
  EXPECT_EQ(e->version, 10000);
  EXPECT_EQ(e->uniqueID, FourCC('q', 'Z', 'v', 'x'));
  EXPECT_EQ(host->EffectName(), "Quorvantel");
  EXPECT_EQ(host->VendorString(), "Halbrecken");
  EXPECT_EQ(host->ProductString(), "");
  EXPECT_EQ(host->Dispatch(kEffectIdentify), FourCC('N', 'v', 'E', 'f'));
}

TEST_F(ModuleIdentity, OpenAsksTheHostOnce) {
  EXPECT_EQ(host->CountCalls(kHostGetProductString), 1);
  EXPECT_EQ(host->CountCalls(kHostGetVendorVersion), 1);
  host->Open();
  EXPECT_EQ(host->CountCalls(kHostGetProductString), 1);
}

TEST_F(ModuleIdentity, EveryParameterTextFitsItsBuffer) {
  for (int i = 0; i < 89; ++i) {
    EXPECT_FALSE(host->ParamName(i).empty()) << i;
    host->ParamLabel(i);
    EXPECT_FALSE(host->ParamDisplay(i).empty()) << i;
  }
  EXPECT_EQ(host->ParamName(0), "Length");
  EXPECT_EQ(host->ParamLabel(0), "ms");
  EXPECT_EQ(host->ParamDisplay(0), "30.0");
  EXPECT_EQ(host->ParamName(56), "Sync1");
  EXPECT_EQ(host->ParamDisplay(56), "off");
  EXPECT_EQ(host->ParamDisplay(87), "0");
  EXPECT_EQ(host->ParamDisplay(46), "Triangle");
  bool supported = false;
  EXPECT_EQ(host->DisplayOfNormalized(0, 1.0f, &supported), "150.0");
  EXPECT_TRUE(supported);
}

TEST_F(ModuleIdentity, CanDoAnswers) {
  EXPECT_EQ(host->CanDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(host->CanDo("receiveVstMidiEvent"), 0);
  EXPECT_EQ(host->CanDo("receiveVstEvents"), 0);
  EXPECT_EQ(host->CanDo("sendVstEvents"), 0);
  EXPECT_EQ(host->CanDo("sendVstMidiEvent"), 0);
  EXPECT_EQ(host->CanDo("hasCockosExtensions"), intptr{0xBEEF0000});
  EXPECT_EQ(host->CanDo("hasCockosViewAsConfig"), intptr{0xBEEF0000});
  EXPECT_EQ(host->CanDo("bypass"), 0);
  EXPECT_EQ(host->Dispatch(kEffectCanDo), 0);
}

using ModuleParameters = Module;

TEST_F(ModuleParameters, HostValuesRoundTrip) {
  host->ClearCalls();
  host->SetParameter(0, 0.5f);
  EXPECT_EQ(host->ParamDisplay(0), "38.2");
  EXPECT_FLOAT_EQ(host->GetParameter(0), 0.5f);
  host->SetParameter(43, 0.5f);
  EXPECT_EQ(host->ParamDisplay(43), "3");
  EXPECT_EQ(host->CountCalls(kHostAutomate), 0);
  // A new modulation source re-applies the 32 LFO parameters to the engine; the host hears of
  // none of them, since none changed.
  host->SetParameter(4, 3.0f / 7.0f);
  EXPECT_EQ(host->ParamDisplay(4), "LFO 4");
  EXPECT_EQ(host->CountCalls(kHostAutomate), 0);
}

TEST_F(ModuleParameters, BadHostValuesKeepEveryValueInRange) {
  host->SetParameter(0, std::numeric_limits<float>::quiet_NaN());
  host->SetParameter(0, std::numeric_limits<float>::infinity());
  EXPECT_EQ(host->ParamDisplay(0), "30.0");
  host->SetParameter(44, -2.0f);
  EXPECT_EQ(host->ParamDisplay(44), "LFO 1");
  host->SetParameter(44, 5.0f);
  EXPECT_EQ(host->ParamDisplay(44), "LFO 8");
  host->SetParameter(89, 0.5f);
  host->SetParameter(-1, 0.5f);
  EXPECT_EQ(host->GetParameter(89), 0.0f);
}

using ModulePrograms = Module;

TEST_F(ModulePrograms, NamesOnAFreshInstance) {
  intptr answer = 0;
  EXPECT_EQ(host->ProgramNameIndexed(3, &answer), "- 4 -");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(host->ProgramNameIndexed(5, &answer), "- 6 -");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(host->ProgramNameIndexed(6, &answer), "");
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(host->ProgramNameIndexed(-1, &answer), "");
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(host->ProgramName(), "- 1 -");
  EXPECT_EQ(host->GetProgram(), 0);
}

TEST_F(ModulePrograms, SwitchingNamesNewProgramsAsUserPresets) {
  host->SetParameter(0, 1.0f);
  host->SetProgram(2);
  EXPECT_EQ(host->GetProgram(), 2);
  EXPECT_EQ(host->ProgramName(), "user preset 1");
  EXPECT_EQ(host->ParamDisplay(0), "150.0");  // switching to a new program changes no value
  EXPECT_EQ(host->ProgramNameIndexed(0), "- 1 -");
  host->SetProgram(4);
  EXPECT_EQ(host->ProgramName(), "user preset 2");
  host->SetProgram(2);  // already initialised: keeps its name
  EXPECT_EQ(host->ProgramName(), "user preset 1");
}

TEST_F(ModulePrograms, RenamingStoresTheCurrentValues) {
  host->SetProgramName("Wide Cloud");
  EXPECT_EQ(host->ProgramName(), "Wide Cloud");
  host->SetProgramName("");
  EXPECT_EQ(host->ProgramName(), "Wide Cloud");
  host->SetProgramName("A name far longer than twenty-four characters");
  EXPECT_EQ(host->ProgramName(), "A name far longer than ");  // 23 characters and the end
}

TEST_F(ModulePrograms, UnknownProgramChangesNothing) {
  host->SetProgram(6);
  EXPECT_EQ(host->GetProgram(), 0);
  host->SetProgram(-3);
  EXPECT_EQ(host->GetProgram(), 0);
}

using ModuleChunks = Module;

TEST_F(ModuleChunks, ByteLayoutOfTheDefaults) {
  const auto bytes = host->GetChunk(true);
  ASSERT_EQ(bytes.size(), 720u);
  const std::uint8_t head[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], head[i]) << i;
  EXPECT_EQ(DoubleAt(bytes, 8), 30.0);           // Length
  EXPECT_EQ(DoubleAt(bytes, 16), 0.0);           // Lng Mod
  EXPECT_EQ(DoubleAt(bytes, 8 + 8 * 3), 20.0);   // Onset
  EXPECT_EQ(DoubleAt(bytes, 8 + 8 * 12), 1.0);   // Dir
  EXPECT_EQ(DoubleAt(bytes, 8 + 8 * 28), 0.25);  // FB Apply
  EXPECT_EQ(DoubleAt(bytes, 8 + 8 * 43), 1.0);   // Envelope selector
  EXPECT_EQ(DoubleAt(bytes, 8 + 8 * 54), 4.0);   // Shape1
  EXPECT_EQ(DoubleAt(bytes, 712), 1.0);          // Wet
  EXPECT_EQ(host->GetChunk(false), bytes);       // bank and program carry the same data
}

TEST_F(ModuleChunks, ProgramChunkRestoresEveryValue) {
  const auto saved = host->GetChunk(true);
  for (int i = 0; i < 89; ++i) host->SetParameter(i, 0.77f);
  host->ClearCalls();
  EXPECT_EQ(host->SetChunk(saved, true), 1);
  EXPECT_EQ(host->GetChunk(true), saved);
  // Loading a state (which changes every source) is no user gesture: a host that records
  // automation, or marks its session modified on it, hears nothing at all.
  EXPECT_EQ(host->Calls().size(), 0u);
}

TEST_F(ModuleChunks, BareValuesWithoutHeaderAreAProgram) {
  auto bytes = host->GetChunk(true);
  PutDouble(bytes, 8, 99.5);
  std::vector<std::uint8_t> bare(bytes.begin() + 8, bytes.end());
  ASSERT_EQ(bare.size(), 712u);
  EXPECT_EQ(host->SetChunk(bare, false), 1);  // even as a bank request
  EXPECT_EQ(host->ParamDisplay(0), "99.5");
}

TEST_F(ModuleChunks, BankWithHeaderLeavesTheCurrentProgramAlone) {
  host->SetProgram(1);  // program 1 holds the defaults
  auto bytes = host->GetChunk(false);
  PutDouble(bytes, 8, 120.0);
  EXPECT_EQ(host->SetChunk(bytes, false), 1);
  EXPECT_EQ(host->ParamDisplay(0), "120.0");
  host->SetProgram(0);  // leaving stores 120 into program 1 anyway
  host->SetProgram(1);
  EXPECT_EQ(host->ParamDisplay(0), "120.0");
}

TEST_F(ModuleChunks, ProgramRequestStoresIntoTheCurrentProgram) {
  host->SetProgram(1);
  auto bytes = host->GetChunk(true);
  PutDouble(bytes, 8, 42.0);
  EXPECT_EQ(host->SetChunk(bytes, true), 1);
  host->SetParameter(0, 0.0f);
  host->Dispatch(kEffectSetProgram, 0, 1);  // re-select: stores 1 ms first, then recalls it
  EXPECT_EQ(host->ParamDisplay(0), "1.0");
}

TEST_F(ModuleChunks, TruncatedDataKeepsWhatWasRead) {
  auto bytes = host->GetChunk(true);
  for (int i = 0; i < 10; ++i) PutDouble(bytes, 8 + 8 * i, 0.0);
  PutDouble(bytes, 8, 5.0);
  PutDouble(bytes, 8 + 8 * 9, 0.75);  // Pan
  bytes.resize(8 + 10 * 8 + 3);       // runs out inside parameter 10
  host->SetParameter(10, 1.0f);       // Pan Mod = LFO 8
  host->SetParameter(88, 0.0f);       // Wet = 0
  EXPECT_EQ(host->SetChunk(bytes, true), 0);
  EXPECT_EQ(host->ParamDisplay(0), "5.0");
  EXPECT_EQ(host->ParamDisplay(9), "0.75");
  EXPECT_EQ(host->ParamDisplay(10), "LFO 8");  // where the data ran out: unchanged
  EXPECT_EQ(host->ParamDisplay(88), "0");      // after it: unchanged
}

TEST_F(ModuleChunks, ExtraBytesAreIgnoredAndRangesClamped) {
  auto bytes = host->GetChunk(true);
  PutDouble(bytes, 8, 500.0);
  bytes.resize(800, 0xFF);
  EXPECT_EQ(host->SetChunk(bytes, true), 1);
  EXPECT_EQ(host->ParamDisplay(0), "150.0");
}

TEST_F(ModuleChunks, HeaderOnlyAndEmptyAnswerZeroAndChangeNothing) {
  host->SetParameter(0, 1.0f);
  auto bytes = host->GetChunk(true);
  bytes.resize(8);
  EXPECT_EQ(host->SetChunk(bytes, true), 0);
  bytes.resize(5);
  EXPECT_EQ(host->SetChunk(bytes, true), 0);
  EXPECT_EQ(host->ParamDisplay(0), "150.0");
}

TEST_F(ModuleChunks, BadPointersAndSizes) {
  std::uint8_t bytes[16] = {};
  EXPECT_EQ(host->Dispatch(kEffectSetChunk, 1, 16, nullptr), 0);
  EXPECT_EQ(host->Dispatch(kEffectSetChunk, 1, -1, bytes), 0);
  EXPECT_EQ(host->Dispatch(kEffectGetChunk, 1, 0, nullptr), 0);
}

// Dry 1 and Wet 0: the engine then hands its input through unchanged.
class ModuleProcess : public Module {
 protected:
  void SetUp() override {
    Module::SetUp();
    host->SetParameter(87, 1.0f);
    host->SetParameter(88, 0.0f);
  }
};

TEST_F(ModuleProcess, ThreePathsPassAudioThrough) {
  host->SetSampleRate(48000);
  host->SetBlockSize(128);
  host->SetActive(true);
  std::vector<float> l(128), r(128), outL(128, 1.0f), outR(128, 1.0f);
  for (int i = 0; i < 128; ++i) {
    l[i] = std::sin(0.1f * i);
    r[i] = std::cos(0.1f * i);
  }
  float* ins[2] = {l.data(), r.data()};
  float* outs[2] = {outL.data(), outR.data()};
  host->ProcessReplacing(ins, outs, 128);
  EXPECT_EQ(outL, l);
  EXPECT_EQ(outR, r);
  host->ProcessAccumulating(ins, outs, 128);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(outL[i], l[i] + l[i]);
  std::vector<double> dl(l.begin(), l.end()), dr(r.begin(), r.end()), o1(128), o2(128);
  double* dins[2] = {dl.data(), dr.data()};
  double* douts[2] = {o1.data(), o2.data()};
  host->ProcessDouble(dins, douts, 128);
  EXPECT_EQ(o1, dl);
  EXPECT_EQ(o2, dr);
}

TEST_F(ModuleProcess, BlocksLongerThanAnnouncedArePassedWhole) {
  host->SetBlockSize(64);
  const int frames = 1000;
  std::vector<float> l(frames), r(frames), outL(frames), outR(frames + 16, 7.0f);
  for (int i = 0; i < frames; ++i) {
    l[i] = static_cast<float>(i);
    r[i] = -static_cast<float>(i);
  }
  float* ins[2] = {l.data(), r.data()};
  float* outs[2] = {outL.data(), outR.data()};
  host->ProcessReplacing(ins, outs, frames);
  EXPECT_EQ(outL, l);
  for (int i = 0; i < frames; ++i) ASSERT_EQ(outR[i], r[i]) << i;
  for (int i = frames; i < frames + 16; ++i) EXPECT_EQ(outR[i], 7.0f);  // nothing past the end
}

TEST_F(ModuleProcess, MonoArrangementFeedsOneChannel) {
  VstSpeakerArrangement mono{};
  mono.type = kSpeakerArrMono;
  mono.numChannels = 1;
  EXPECT_EQ(host->Dispatch(kEffectSetSpeakerArrangement, 0, reinterpret_cast<intptr>(&mono), &mono),
            1);
  std::vector<float> in(32, 0.5f), out(32, 0.0f);
  float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  host->ProcessReplacing(ins, outs, 32);
  EXPECT_EQ(out, in);
}

TEST(ModuleLifecycle, ManyInstancesLoadAndCloseCleanly) {
  std::vector<std::unique_ptr<PluginHost>> hosts;
  for (int i = 0; i < 4; ++i) {
    hosts.push_back(LoadModule());
    ASSERT_NE(hosts.back(), nullptr);
    hosts.back()->Open();
  }
  hosts[1]->SetParameter(0, 1.0f);
  EXPECT_EQ(hosts[0]->ParamDisplay(0), "30.0");
  EXPECT_EQ(hosts[1]->ParamDisplay(0), "150.0");
  hosts[2]->Close();
  hosts.clear();
}

TEST(ModuleLifecycle, HostWithoutProductString) {
  qvhost::HostScript script;
  script.productString = "";
  auto host = LoadModule(script);
  ASSERT_NE(host, nullptr);
  host->Open();
  EXPECT_EQ(host->CountCalls(kHostGetVendorVersion), 0);
}

}  // namespace

// Loading a state re-greys the LFOs and applies their settings again: that must apply the
// loaded settings, not the ones shown before the load.
class ModuleStateWithEditor : public Module {
 protected:
  std::vector<float> Values() {
    std::vector<float> v;
    for (int i = 0; i < 89; ++i) v.push_back(host->GetParameter(i));
    return v;
  }
  // LFO shapes, rates, syncs and skews, and sources that select other LFOs.
  void Scramble(float shift) {
    for (int i = 54; i <= 85; ++i) host->SetParameter(i, std::fmod(0.37f * i + shift, 1.0f));
    for (int source : {1, 4, 7, 10, 13, 16, 19, 22, 26, 29, 32, 35, 38, 41, 44})
      host->SetParameter(source, std::fmod(0.29f * source + shift, 1.0f));
  }
};

TEST_F(ModuleStateWithEditor, ChunksAndProgramsRestoreEveryValueLfoSettingsIncluded) {
  Scramble(0.1f);
  const std::vector<float> saved = Values();
  for (bool program : {true, false}) {
    const std::vector<std::uint8_t> chunk = host->GetChunk(program);
    Scramble(0.6f);
    ASSERT_NE(Values(), saved);
    EXPECT_EQ(host->SetChunk(chunk, program), 1);
    EXPECT_EQ(Values(), saved) << (program ? "as a program" : "as a bank");
  }
  // A program restores its values once it has been recalled (initialised) before.
  host->SetProgram(1);
  Scramble(0.1f);
  host->SetProgram(2);  // program 1 keeps the values
  Scramble(0.6f);
  host->SetProgram(1);
  EXPECT_EQ(Values(), saved) << "by program recall";
}
