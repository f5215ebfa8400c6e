// The host library against the fake module: loading and its failures, the host callback's answers,
// bounded texts, chunks and the process paths.
#include "host/lib/plugin_host.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/host/fake_plugin.h"

namespace {

using qvhost::PluginHost;

std::unique_ptr<PluginHost> LoadFake(qvhost::HostScript script = {}) {
  std::string error;
  auto host = PluginHost::Load(FAKE_PLUGIN_PATH, &error, std::move(script));
  EXPECT_NE(host, nullptr) << error;
  EXPECT_EQ(error, "");
  return host;
}

fakeplug::State& StateOf(PluginHost& host) {
  return *static_cast<fakeplug::State*>(host.Effect()->object);
}

// ---- Loading and its failures ----

TEST(HostLoading, FindsEntryPointAndChecksIdentity) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->Effect()->magic, vst2::kEffectMagic);
  EXPECT_EQ(host->Effect()->uniqueID, fakeplug::kUniqueId);
  EXPECT_EQ(host->EffectName(), "Fake Effect");
  EXPECT_EQ(host->VendorString(), "Test Vendor");
  EXPECT_EQ(host->ProductString(), "");
}

TEST(HostLoading, FallsBackToMainWhenVstPluginMainIsMissing) {
  std::string error;
  auto host = PluginHost::Load(FAKE_PLUGIN_MAIN_PATH, &error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(host->Effect()->uniqueID, fakeplug::kUniqueId);
}

TEST(HostLoading, MissingFileGivesOneLineReason) {
  std::string error;
  auto host = PluginHost::Load("/nonexistent/nothing.so", &error);
  EXPECT_EQ(host, nullptr);
  EXPECT_EQ(error.rfind("cannot load /nonexistent/nothing.so: ", 0), 0u) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(HostLoading, ModuleWithoutEntryPointIsRefused) {
  std::string error;
  EXPECT_EQ(PluginHost::Load(FAKE_PLUGIN_NO_ENTRY_PATH, &error), nullptr);
  EXPECT_EQ(error, std::string(FAKE_PLUGIN_NO_ENTRY_PATH) +
                       " is not a VST 2 plug-in: no VSTPluginMain or main");
}

TEST(HostLoading, EntryPointReturningNullIsRefused) {
  std::string error;
  EXPECT_EQ(PluginHost::Load(FAKE_PLUGIN_NULL_PATH, &error), nullptr);
  EXPECT_EQ(error, std::string(FAKE_PLUGIN_NULL_PATH) +
                       " is not a VST 2 plug-in: entry point returned no effect");
}

TEST(HostLoading, RecordWithoutMagicIsRefused) {
  std::string error;
  EXPECT_EQ(PluginHost::Load(FAKE_PLUGIN_BAD_MAGIC_PATH, &error), nullptr);
  EXPECT_EQ(error, std::string(FAKE_PLUGIN_BAD_MAGIC_PATH) + " is not a VST 2 plug-in: bad magic");
}

TEST(HostLoading, FileThatIsNotASharedObjectIsRefused) {
  std::string error;
  EXPECT_EQ(PluginHost::Load(FAKE_PLUGIN_SOURCE_PATH, &error), nullptr);
  EXPECT_EQ(error.rfind("cannot load ", 0), 0u) << error;
}

// ---- Callbacks during creation reach the host being loaded ----

TEST(HostCallbackDuringEntry, AnswersCallsMadeBeforeAndWithTheRecord) {
  qvhost::HostScript script;
  script.productString = "TestHost";
  script.vendorVersion = 4321;
  auto host = LoadFake(script);
  ASSERT_NE(host, nullptr);
  fakeplug::State& s = StateOf(*host);
  EXPECT_EQ(s.hostVersionDuringEntry, 2400);
  EXPECT_EQ(s.productResultDuringEntry, 1);
  EXPECT_STREQ(s.productDuringEntry, "TestHost");
  EXPECT_EQ(s.vendorVersionDuringEntry, 4321);
  ASSERT_EQ(host->Calls().size(), 3u);
  EXPECT_EQ(host->Calls()[0].opcode, 1);
  EXPECT_EQ(host->Calls()[1].opcode, vst2::kHostGetProductString);
  EXPECT_EQ(host->CountCalls(vst2::kHostGetVendorVersion), 1);
}

// ---- The callback's answers ----

class HostCallbackAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    host = LoadFake();
    ASSERT_NE(host, nullptr);
    host->ClearCalls();
  }
  // Makes the fake call the host with this opcode; returns the host's answer.
  vst2::intptr CallBack(vst2::int32 opcode, void* ptr = nullptr, float opt = 0.0f) {
    return host->Dispatch(vst2::kEffectVendorSpecific, fakeplug::kCallHostIndex, opcode, ptr, opt);
  }
  std::unique_ptr<PluginHost> host;
};

TEST_F(HostCallbackAnswers, RecordsOpcodeIndexValueAndOption) {
  CallBack(vst2::kHostAutomate, nullptr, 0.25f);
  ASSERT_EQ(host->Calls().size(), 1u);
  const qvhost::CallbackRecord r = host->Calls()[0];
  EXPECT_EQ(r.opcode, vst2::kHostAutomate);
  EXPECT_EQ(r.value, 0x400);
  EXPECT_FLOAT_EQ(r.opt, 0.25f);
  EXPECT_EQ(CallBack(vst2::kHostAutomate), 0);
}

TEST_F(HostCallbackAnswers, TimeInfoIsNullUntilScriptedThenACopy) {
  EXPECT_EQ(CallBack(vst2::kHostGetTime), 0);
  vst2::VstTimeInfo t{};
  t.tempo = 97.5;
  t.flags = vst2::kTempoValid | vst2::kTransportPlaying;
  host->Script().timeInfo = t;
  EXPECT_NE(CallBack(vst2::kHostGetTime), 0);
  EXPECT_DOUBLE_EQ(StateOf(*host).lastTime.tempo, 97.5);
  EXPECT_EQ(StateOf(*host).lastTime.flags, t.flags);
  host->Script().timeInfo.reset();
  EXPECT_EQ(CallBack(vst2::kHostGetTime), 0);
}

TEST_F(HostCallbackAnswers, AnUnrecordedScriptAnswersTimeFromItsSourceAndKeepsNoRecord) {
  vst2::VstTimeInfo live{};
  live.samplePos = 4096.0;
  live.flags = vst2::kTransportPlaying;
  host->Script().recordCalls = false;
  host->Script().timeSource = [&live] { return &live; };
  host->ClearCalls();
  EXPECT_EQ(CallBack(vst2::kHostGetTime), reinterpret_cast<vst2::intptr>(&live));
  EXPECT_DOUBLE_EQ(StateOf(*host).lastTime.samplePos, 4096.0);
  EXPECT_EQ(CallBack(vst2::kHostProcessEvents), 1);
  EXPECT_TRUE(host->Calls().empty());
  EXPECT_TRUE(host->EventsReceived().empty());
  // Without a source, the script's own record (not a copy: no lock guards one).
  host->Script().timeSource = nullptr;
  host->Script().timeInfo = live;
  EXPECT_EQ(CallBack(vst2::kHostGetTime), reinterpret_cast<vst2::intptr>(&*host->Script().timeInfo));
}

TEST_F(HostCallbackAnswers, ProcessEventsAnswerIsScripted) {
  EXPECT_EQ(CallBack(vst2::kHostProcessEvents), 1);
  host->Script().processEventsResult = 0;
  EXPECT_EQ(CallBack(vst2::kHostProcessEvents), 0);
}

TEST_F(HostCallbackAnswers, ProductStringIsBoundedAndTerminated) {
  std::vector<char> buffer(300, 'q');
  host->Script().productString = std::string(400, 'p');
  EXPECT_EQ(CallBack(vst2::kHostGetProductString, buffer.data()), 1);
  EXPECT_EQ(std::string(buffer.data()), std::string(255, 'p'));
  EXPECT_EQ(buffer[256], 'q');  // nothing past the 256-byte bound

  host->Script().productString = "";
  EXPECT_EQ(CallBack(vst2::kHostGetProductString, buffer.data()), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(CallBack(vst2::kHostGetProductString, nullptr), 0);
}

TEST_F(HostCallbackAnswers, UnknownOpcodesAnswerZero) {
  EXPECT_EQ(CallBack(vst2::kHostBeginEdit), 0);
  EXPECT_EQ(CallBack(12345), 0);
  EXPECT_EQ(host->CountCalls(vst2::kHostBeginEdit), 1);
}

TEST_F(HostCallbackAnswers, CallsFromAnotherThreadAreRecorded) {
  std::thread other([this] {
    for (int i = 0; i < 100; ++i) CallBack(vst2::kHostAutomate);
  });
  for (int i = 0; i < 100; ++i) host->CountCalls(vst2::kHostAutomate);
  other.join();
  EXPECT_EQ(host->CountCalls(vst2::kHostAutomate), 100);
}

// ---- Texts, programs, chunks ----

TEST(HostTexts, ParameterTextsAndOverrunIsBoundedAndCounted) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->ParamName(0), "Gain");
  EXPECT_EQ(host->ParamLabel(0), "dB");
  host->SetParameter(0, 0.25f);
  EXPECT_FLOAT_EQ(host->GetParameter(0), 0.25f);
  EXPECT_EQ(host->ParamDisplay(0), "2.50");
  EXPECT_EQ(host->TextOverruns(), 0);
  EXPECT_EQ(host->ParamName(fakeplug::kOverrunParam), std::string(31, 'x'));
  EXPECT_EQ(host->TextOverruns(), 1);
}

TEST(HostTexts, DisplayOfNormalizedLeavesTheValueAlone) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  bool supported = false;
  EXPECT_EQ(host->DisplayOfNormalized(0, 0.75f, &supported), "7.50");
  EXPECT_TRUE(supported);
  EXPECT_FLOAT_EQ(host->GetParameter(0), 0.5f);
}

TEST(HostPrograms, SelectRenameAndListPrograms) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  host->SetProgram(2);
  EXPECT_EQ(host->GetProgram(), 2);
  host->SetProgramName("Renamed");
  EXPECT_EQ(host->ProgramName(), "Renamed");
  vst2::intptr result = 0;
  EXPECT_EQ(host->ProgramNameIndexed(0, &result), "Program 1");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host->ProgramNameIndexed(5, &result), "");
  EXPECT_EQ(result, 0);
}

TEST(HostChunks, SetThenGetReturnsTheSameBytes) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(host->GetChunk(true).empty());  // the fake answers 0 before any chunk is set
  const std::vector<std::uint8_t> bytes = {1, 2, 3, 250, 0, 7};
  EXPECT_EQ(host->SetChunk(bytes, true), 1);
  EXPECT_EQ(host->GetChunk(false), bytes);
  const fakeplug::State& s = StateOf(*host);
  EXPECT_EQ(s.dispatched[s.numDispatched - 1].index, 0);  // bank request
  EXPECT_EQ(s.dispatched[s.numDispatched - 2].value, 6);  // byte count
}

// ---- Lifecycle and processing ----

TEST(HostLifecycle, CloseSendsOpcodeOneOnceAndForgetsTheRecord) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  fakeplug::State& s = StateOf(*host);
  host->Open();
  host->SetSampleRate(48000.0);
  host->SetBlockSize(256);
  host->SetActive(true);
  EXPECT_DOUBLE_EQ(s.sampleRate, 48000.0);
  EXPECT_EQ(s.blockSize, 256);
  host->Close();
  EXPECT_TRUE(s.closed);
  EXPECT_EQ(host->Effect(), nullptr);
  const int dispatched = s.numDispatched;
  EXPECT_EQ(host->Dispatch(vst2::kEffectGetProgram), 0);
  host->Close();
  host.reset();  // no second close; the module unloads
  EXPECT_EQ(dispatched, 5);
}

TEST(HostProcessing, ThreePathsReachTheRightFunctions) {
  auto host = LoadFake();
  ASSERT_NE(host, nullptr);
  host->SetParameter(0, 1.0f);  // gain 2
  std::vector<float> inL(8, 1.0f), inR(8, -0.5f), outL(8, 3.0f), outR(8, 3.0f);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  host->ProcessReplacing(in, out, 8);
  EXPECT_FLOAT_EQ(outL[7], 2.0f);
  EXPECT_FLOAT_EQ(outR[0], -1.0f);
  host->ProcessAccumulating(in, out, 8);
  EXPECT_FLOAT_EQ(outL[7], 4.0f);
  std::vector<double> dL(4, 0.25), dR(4, 0.5), oL(4), oR(4);
  double* din[2] = {dL.data(), dR.data()};
  double* dout[2] = {oL.data(), oR.data()};
  host->ProcessDouble(din, dout, 4);
  EXPECT_DOUBLE_EQ(oR[3], 1.0);
  const fakeplug::State& s = StateOf(*host);
  EXPECT_EQ(s.processCalls[0], 1);
  EXPECT_EQ(s.processCalls[1], 1);
  EXPECT_EQ(s.processCalls[2], 1);
}

}  // namespace
