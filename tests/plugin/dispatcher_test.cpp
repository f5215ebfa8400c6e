// Dispatcher opcodes, parameter paths, host queries and MIDI, in-process through the effect record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/plugin/effect_fixture.h"

namespace {

using namespace vst2;

using framework::HostTransport;
using framework::IEffectVst2;
using framework::MidiMessage;
using quorvantel::FromEffect;
using quorvantel::QuorvantelVst2;

// Counts the notifications the framework sends to the effect.
class CountingEffect : public QuorvantelVst2 {
 public:
  explicit CountingEffect(HostCallback host) : Quorvantel(host) {}
  void ResetProcessing() override { ++resets; }
  void OnParameterChanged(int index) override {
    ++changes;
    lastChanged = index;
  }
  void ActivationChanged(bool active) override { activations += active ? 10 : 1; }
  int resets = 0;
  int changes = 0;
  int lastChanged = -1;
  int activations = 0;
};

AEffect* CreateCountingEffect(HostCallback host) { return (new CountingEffect(host))->Effect(); }

class CountingFixture : public ::testing::Test {
 protected:
  intptr Dispatch(int32 opcode, int32 index = 0, intptr value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
    return host->Dispatch(opcode, index, value, ptr, opt);
  }
  // The time record the host answers with from now on.
  VstTimeInfo& Time() { return host->Script().timeInfo.emplace(); }

  std::unique_ptr<qvhost::PluginHost> host =
      qvhost::PluginHost::Start(&CreateCountingEffect, "counting", nullptr, TestHostScript());
  CountingEffect& q = static_cast<CountingEffect&>(*FromEffect(host->Effect()));
};

using OpenAndReset = CountingFixture;

TEST_F(OpenAndReset, OpenIdentifiesHostAndAnnouncesEveryParameter) {
  host->Script().productString = "REAPER";
  EXPECT_EQ(Dispatch(kEffectOpen), 0);
  EXPECT_EQ(q.HostKind(), 1);
  EXPECT_EQ(q.changes, 89);
  EXPECT_EQ(q.lastChanged, 88);
  Dispatch(kEffectOpen);  // the host is identified once
  EXPECT_EQ(host->CountCalls(kHostGetProductString), 1);
}

TEST_F(OpenAndReset, SampleRateAndBlockSizeReset) {
  EXPECT_EQ(Dispatch(kEffectSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(q.SampleRate(), 48000.0);
  EXPECT_EQ(q.resets, 1);
  Dispatch(kEffectSetBlockSize, 0, 256);
  EXPECT_EQ(q.MaxBlockSize(), 256);
  EXPECT_EQ(q.resets, 2);
}

TEST_F(OpenAndReset, BadSampleRatesAndBlockSizesChangeNothing) {
  const float bad[] = {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()};
  for (float rate : bad) Dispatch(kEffectSetSampleRate, 0, 0, nullptr, rate);
  EXPECT_EQ(q.SampleRate(), 44100.0);
  Dispatch(kEffectSetBlockSize, 0, 0);
  Dispatch(kEffectSetBlockSize, 0, -512);
  Dispatch(kEffectSetBlockSize, 0, intptr{1} << 40);
  EXPECT_EQ(q.MaxBlockSize(), 1024);
  EXPECT_EQ(q.resets, 0);
}

TEST_F(OpenAndReset, SwitchingOffResetsSwitchingOnDoesNot) {
  Dispatch(kEffectMainsChanged, 0, 1);
  EXPECT_EQ(q.activations, 10);
  EXPECT_EQ(q.resets, 0);
  Dispatch(kEffectMainsChanged, 0, 0);
  EXPECT_EQ(q.activations, 11);
  EXPECT_EQ(q.resets, 1);
}

using HostParameters = CountingFixture;

TEST_F(HostParameters, SetParameterAppliesWithoutTellingTheHost) {
  q.Effect()->setParameter(q.Effect(), 0, 0.5f);
  EXPECT_EQ(q.Parameters().Value(0), 38.25);
  EXPECT_EQ(q.lastChanged, 0);
  EXPECT_EQ(host->CountCalls(kHostAutomate), 0);
  EXPECT_FLOAT_EQ(q.Effect()->getParameter(q.Effect(), 0), 0.5f);
}

TEST_F(HostParameters, NonFiniteValuesAreIgnored) {
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (float v : bad) q.Effect()->setParameter(q.Effect(), 1, v);
  EXPECT_EQ(q.Parameters().Value(1), 0.0);
  EXPECT_EQ(q.changes, 0);
}

TEST_F(HostParameters, NegativeValuesCountAsZero) {
  q.Effect()->setParameter(q.Effect(), 43, -0.7f);  // envelope slot selector 1..4
  EXPECT_EQ(q.Parameters().Value(43), 1.0);
  q.Effect()->setParameter(q.Effect(), 1, -5.0f);  // source selector 0..7
  EXPECT_EQ(q.Parameters().Value(1), 0.0);
  q.Effect()->setParameter(q.Effect(), 57, -1.0f);  // skew 0..1
  EXPECT_EQ(q.Parameters().Value(57), 0.0);
}

TEST_F(HostParameters, OutOfRangeIndicesAreIgnored) {
  q.Effect()->setParameter(q.Effect(), 89, 0.5f);
  q.Effect()->setParameter(q.Effect(), -1, 0.5f);
  EXPECT_EQ(q.changes, 0);
  EXPECT_EQ(q.Effect()->getParameter(q.Effect(), 89), 0.0f);
  EXPECT_EQ(q.Effect()->getParameter(q.Effect(), -1), 0.0f);
  char text[64];
  std::strcpy(text, "untouched");
  EXPECT_EQ(Dispatch(kEffectGetParamName, 89, 0, text), 0);
  EXPECT_EQ(Dispatch(kEffectGetParamDisplay, -1, 0, text), 0);
  EXPECT_EQ(Dispatch(kEffectGetParamLabel, 1000, 0, text), 0);
  EXPECT_STREQ(text, "untouched");
}

TEST_F(HostParameters, TextsForTheHost) {
  char text[kParamTextSize];
  Dispatch(kEffectGetParamName, 15, 0, text);
  EXPECT_STREQ(text, "Pitch");
  Dispatch(kEffectGetParamLabel, 55, 0, text);
  EXPECT_STREQ(text, "Hz");
  Dispatch(kEffectGetParamDisplay, 0, 0, text);
  EXPECT_STREQ(text, "30.0");
  q.Parameters().SetClamped(4, 3);
  Dispatch(kEffectGetParamDisplay, 4, 0, text);
  EXPECT_STREQ(text, "LFO 4");
  EXPECT_NEAR(q.Effect()->getParameter(q.Effect(), 4), 3.0 / 7.0, 1e-6);
}

TEST_F(HostParameters, EditorChangesAutomateTheHost) {
  q.SetParameterFromGUI(0, 0.5);
  EXPECT_EQ(q.Parameters().Value(0), 38.25);
  ASSERT_EQ(host->CountCalls(kHostAutomate), 1);
  EXPECT_EQ(host->Calls().back().index, 0);
  EXPECT_EQ(host->Calls().back().opt, 0.5f);
  EXPECT_EQ(q.lastChanged, 0);
  q.SetParameterFromGUI(0, std::numeric_limits<double>::quiet_NaN());
  q.SetParameterFromGUI(100, 0.5);
  EXPECT_EQ(host->CountCalls(kHostAutomate), 1);
}

TEST_F(HostParameters, GesturesReachTheHost) {
  q.BeginParamEdit(7);
  q.EndParamEdit(7);
  ASSERT_EQ(host->Calls().size(), 2u);
  EXPECT_EQ(host->Calls()[0].opcode, kHostBeginEdit);
  EXPECT_EQ(host->Calls()[0].index, 7);
  EXPECT_EQ(host->Calls()[1].opcode, kHostEndEdit);
}

using Opcodes = CountingFixture;

TEST_F(Opcodes, FixedAnswers) {
  EXPECT_EQ(Dispatch(kEffectIdentify), FourCC('N', 'v', 'E', 'f'));
  EXPECT_EQ(Dispatch(kEffectCanBeAutomated, 1234), 1);
  EXPECT_EQ(Dispatch(kEffectGetPlugCategory), 1);
  EXPECT_EQ(Dispatch(kEffectGetVstVersion), 2400);
  EXPECT_EQ(Dispatch(kEffectGetVendorVersion), 0);
  EXPECT_EQ(Dispatch(kEffectGetTailSize), 0);
  EXPECT_EQ(Dispatch(kEffectSetBypass, 0, 1), 0);
  EXPECT_EQ(Dispatch(41), 0);
  EXPECT_EQ(Dispatch(kEffectEditIdle), 0);
  EXPECT_EQ(Dispatch(kEffectIdle), 0);
  EXPECT_EQ(Dispatch(70), 0);
  EXPECT_EQ(Dispatch(-1), 0);
  EXPECT_EQ(Dispatch(1 << 30), 0);
}

TEST_F(Opcodes, NamesAreBoundedCopies) {
  char text[64];
  EXPECT_EQ(Dispatch(kEffectGetEffectName, 0, 0, text), 1);
  EXPECT_STREQ(text, "Quorvantel");
  EXPECT_EQ(Dispatch(kEffectGetVendorString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Halbrecken");
  EXPECT_EQ(Dispatch(kEffectGetProductString, 0, 0, text), 1);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Dispatch(kEffectGetEffectName), 0);
  EXPECT_EQ(Dispatch(kEffectGetVendorString), 0);
  EXPECT_EQ(Dispatch(kEffectGetProductString), 0);
}

TEST_F(Opcodes, CanDoTable) {
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("receiveVstTimeInfo")), 1);
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 0);
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("sendVstEvents")), 0);
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("ReceiveVstTimeInfo")), 0);
  EXPECT_EQ(q.HostExtensions(), 0);
  const intptr cockos = Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("hasCockosExtensions"));
  EXPECT_EQ(cockos, intptr{0xBEEF0000});
  EXPECT_GT(cockos, 0);  // not sign-extended from 32 bits
  EXPECT_EQ(q.HostExtensions(), 1);
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("hasCockosViewAsConfig")),
            intptr{0xBEEF0000});
  EXPECT_EQ(q.HostExtensions(), 3);
  EXPECT_EQ(Dispatch(kEffectCanDo, 0, 0, const_cast<char*>("")), 0);
  EXPECT_EQ(Dispatch(kEffectCanDo), 0);
}

TEST_F(Opcodes, DisplayOfNormalisedValue) {
  char text[kParamTextSize] = "";
  EXPECT_EQ(Dispatch(kEffectVendorSpecific, 7, 0, text, 1.0f), 0xBEEF);
  EXPECT_STREQ(text, "150.0");
  EXPECT_EQ(q.Parameters().Value(0), 30.0);  // the parameter is not changed
  std::strcpy(text, "kept");
  EXPECT_EQ(Dispatch(kEffectVendorSpecific, 7, 200, text, 1.0f), 0xBEEF);
  EXPECT_STREQ(text, "kept");
  EXPECT_EQ(Dispatch(kEffectVendorSpecific, 7, -1, text, 1.0f), 0xBEEF);
  EXPECT_EQ(Dispatch(kEffectVendorSpecific, 6, 0, text, 1.0f), 0);
  EXPECT_EQ(Dispatch(kEffectVendorSpecific, 7, 0, nullptr, 1.0f), 0);
  Dispatch(kEffectVendorSpecific, 7, 1, text, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(std::strlen(text), 3u);  // "nan": no overflow, no crash
}

TEST_F(Opcodes, PinProperties) {
  VstPinProperties pin{};
  EXPECT_EQ(Dispatch(kEffectGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(Dispatch(kEffectGetInputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Input 2");
  EXPECT_EQ(Dispatch(kEffectGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 1");
  EXPECT_EQ(Dispatch(kEffectGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(Dispatch(kEffectGetOutputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(Dispatch(kEffectGetInputProperties, 0, 0, nullptr), 0);
}

TEST_F(Opcodes, SpeakerArrangements) {
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(Dispatch(kEffectGetSpeakerArrangement, 0, reinterpret_cast<intptr>(&in), &out), 1);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(in->type, kSpeakerArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);

  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  EXPECT_EQ(Dispatch(kEffectSetSpeakerArrangement, 0, reinterpret_cast<intptr>(&mono), nullptr), 1);
  EXPECT_TRUE(q.Channels().InputConnected(0));
  EXPECT_FALSE(q.Channels().InputConnected(1));
  EXPECT_TRUE(q.Channels().OutputConnected(1));  // no output arrangement given

  VstSpeakerArrangement huge{};
  huge.numChannels = 1 << 30;
  VstSpeakerArrangement negative{};
  negative.numChannels = -8;
  Dispatch(kEffectSetSpeakerArrangement, 0, reinterpret_cast<intptr>(&huge), &negative);
  EXPECT_TRUE(q.Channels().InputConnected(1));
  EXPECT_FALSE(q.Channels().OutputConnected(0));
  EXPECT_FALSE(q.Channels().OutputConnected(1));
}

TEST_F(Opcodes, MidiKeyNameIsEmpty) {
  vst2::MidiKeyName record{};
  std::strcpy(record.keyName, "C4");
  record.thisKeyNumber = 60;
  EXPECT_EQ(Dispatch(kEffectGetMidiKeyName, 0, 0, &record), 0);
  EXPECT_STREQ(record.keyName, "");
  EXPECT_EQ(Dispatch(kEffectGetMidiKeyName), 0);
}

TEST_F(Opcodes, EventsAreEchoedToTheHost) {
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.deltaFrames = 17;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof sysex;
  struct {
    int32 numEvents;
    intptr reserved;
    VstEvent* events[3];
  } list{3, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, &sysex}};
  EXPECT_EQ(Dispatch(kEffectProcessEvents, 0, 0, &list), 1);
  const std::vector<VstMidiEvent> sent = host->EventsReceived();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].type, kVstMidiType);
  EXPECT_EQ(sent[0].byteSize, 32);
  EXPECT_EQ(sent[0].deltaFrames, 17);
  EXPECT_EQ(static_cast<unsigned char>(sent[0].midiData[0]), 0x90);
  EXPECT_EQ(sent[0].midiData[1], 60);
  EXPECT_EQ(sent[0].midiData[2], 100);
  EXPECT_EQ(sent[0].midiData[3], 0);
  EXPECT_EQ(sent[1].type, kVstSysExType);
  EXPECT_EQ(Dispatch(kEffectProcessEvents), 0);
}

TEST_F(Opcodes, MidiListReportsEveryFailure) {
  const MidiMessage messages[2] = {{0, 0x90, 1, 2}, {5, 0x80, 1, 0}};
  EXPECT_TRUE(q.SendMidiListToHost(messages));
  host->Script().processEventsResult = 0;
  EXPECT_FALSE(q.SendMidiListToHost(messages));
  EXPECT_EQ(host->CountCalls(kHostProcessEvents), 4);  // all tried, none retried
}

TEST(DispatcherFrame, RecordWithoutInstanceAnswersZero) {
  AEffect orphan{};
  orphan.object = nullptr;
  EXPECT_EQ(IEffectVst2::VSTDispatcher(&orphan, kEffectIdentify, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(IEffectVst2::VSTDispatcher(nullptr, kEffectIdentify, 0, 0, nullptr, 0), 0);
  IEffectVst2::VSTSetParameter(&orphan, 0, 0.5f);
  EXPECT_EQ(IEffectVst2::VSTGetParameter(&orphan, 0), 0.0f);
  IEffectVst2::VSTProcessReplacing(&orphan, nullptr, nullptr, 16);
}

using HostTime = CountingFixture;

TEST_F(HostTime, NoRecordMeansDefaults) {
  HostTransport t;
  t.playing = true;
  t.cycleActive = true;
  q.HostTimeInfo(t);
  EXPECT_EQ(t.tempo, 120.0);
  EXPECT_EQ(t.numerator, 4);
  EXPECT_EQ(t.denominator, 4);
  EXPECT_EQ(t.samplePos, -1.0);
  EXPECT_EQ(t.ppqPos, -1.0);
  EXPECT_EQ(t.cycleEnd, -1.0);
  EXPECT_TRUE(t.playing);  // flags untouched
  EXPECT_TRUE(t.cycleActive);
  EXPECT_TRUE(q.HostIsPlaying());
  EXPECT_EQ(q.HostTempo(), 0.0);
  EXPECT_EQ(q.HostSamplePos(), 0);
  int n = 9, d = 9;
  q.HostTimeSignature(&n, &d);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(d, 0);
}

TEST_F(HostTime, ValidFieldsAreTaken) {
  VstTimeInfo& time = Time();
  time.samplePos = 4410.7;
  time.tempo = 93.5;
  time.ppqPos = 2.5;
  time.barStartPos = 2.0;
  time.cycleStartPos = 1.0;
  time.cycleEndPos = 9.0;
  time.timeSigNumerator = 7;
  time.timeSigDenominator = 8;
  time.flags =
      kTransportPlaying | kPpqPosValid | kTempoValid | kBarsValid | kCyclePosValid | kTimeSigValid;
  HostTransport t;
  q.HostTimeInfo(t);
  EXPECT_EQ(t.samplePos, 4410.7);
  EXPECT_EQ(t.tempo, 93.5);
  EXPECT_EQ(t.ppqPos, 2.5);
  EXPECT_EQ(t.barStartPos, 2.0);
  EXPECT_EQ(t.cycleStart, 1.0);
  EXPECT_EQ(t.cycleEnd, 9.0);
  EXPECT_EQ(t.numerator, 7);
  EXPECT_EQ(t.denominator, 8);
  EXPECT_TRUE(t.playing);
  EXPECT_FALSE(t.cycleActive);
  EXPECT_EQ(q.HostTempo(), 93.5);
  EXPECT_EQ(q.HostSamplePos(), 4410);
  EXPECT_TRUE(q.HostIsPlaying());
  time.flags = kTempoValid;  // stopped
  EXPECT_FALSE(q.HostIsPlaying());
  time.flags = 0;  // no valid field: nothing known, so playing
  EXPECT_TRUE(q.HostIsPlaying());
  EXPECT_EQ(q.HostTempo(), 0.0);
  time.samplePos = -5;
  EXPECT_EQ(q.HostSamplePos(), 0);
  time.samplePos = 1e12;
  EXPECT_EQ(q.HostSamplePos(), 2147483647);  // saturates instead of overflowing
}

TEST_F(HostTime, InvalidValuesAreSkipped) {
  VstTimeInfo& time = Time();
  time.tempo = -3;
  time.timeSigNumerator = 0;
  time.timeSigDenominator = 4;
  time.flags = kTempoValid | kTimeSigValid;
  HostTransport t;
  q.HostTimeInfo(t);
  EXPECT_EQ(t.tempo, 120.0);
  EXPECT_EQ(t.numerator, 4);
  int n = 9, d = 9;
  q.HostTimeSignature(&n, &d);
  EXPECT_EQ(n, 0);  // 0 is not below 0, so the host's 0/4 is taken
  EXPECT_EQ(d, 4);
}

}  // namespace
