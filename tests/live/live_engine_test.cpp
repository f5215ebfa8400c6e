// The live engine without an audio system: periods through fake plug-ins loaded as a host loads
// them, the time it answers with (JACK's transport or the free-running one), the hand-over when
// the server changes its period size while periods run, and nothing allocated on the audio
// thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "host/cli/live_engine.h"
#include "host/cli/render.h"
#include "tests/counting_new.h"
#include "tests/host/fake_plugin.h"

namespace {

using qvcli::LiveEngine;
using qvcli::LiveTransport;
using qvcli::TransportReading;

constexpr double kRate = 48000.0;

std::unique_ptr<qvhost::PluginHost> Load(const char* path) {
  std::string error;
  auto host = qvhost::PluginHost::Load(path, &error);
  EXPECT_TRUE(host) << error;
  if (host) host->Open();
  return host;
}

fakeplug::State& StateOf(qvhost::PluginHost& host) {
  return *static_cast<fakeplug::State*>(host.Effect()->object);
}

// Two port buffers each way, `frames` long, the inputs a ramp and its negation.
struct Ports {
  explicit Ports(int frames) : a(frames), b(frames), l(frames, 9.0f), r(frames, 9.0f) {
    for (int i = 0; i < frames; ++i) a[i] = static_cast<float>(i + 1) / frames, b[i] = -a[i];
  }
  std::vector<float> a, b, l, r;
  const float* ins[2] = {a.data(), b.data()};
  float* outs[2] = {l.data(), r.data()};
};

TEST(LiveTransport, FreeRunningPlaysAtItsTempoFromZeroWithoutAMaster) {
  LiveTransport transport(100.0);
  transport.SetSampleRate(kRate);
  qvcli::RenderSettings offline;
  offline.tempo = 100.0;
  for (int period = 0; period < 4; ++period) {
    const vst2::VstTimeInfo t = transport.Next(TransportReading{}, 0, 256);
    const vst2::VstTimeInfo expected = qvcli::TimeRecord(offline, kRate, period * 256, period == 0);
    EXPECT_EQ(std::memcmp(&t, &expected, sizeof t), 0) << "period " << period;
  }
}

TEST(LiveTransport, FollowsATimebaseMasterThroughStopStartAndJumpsAndFallsBackWhenItGoes) {
  LiveTransport transport(120.0);
  transport.SetSampleRate(kRate);
  TransportReading master;
  master.bars = true;
  master.beatsPerMinute = 90.0;
  master.bar = 3, master.beat = 2, master.tick = 960;
  master.beatsPerBar = 6.0, master.beatType = 8.0;
  vst2::VstTimeInfo t = transport.Next(master, 0, 256);
  // Bar 3, beat 2.5 of 6/8: 13.5 eighths, 6.75 quarters; the bar started at 6 quarters.
  EXPECT_DOUBLE_EQ(t.ppqPos, 6.75);
  EXPECT_DOUBLE_EQ(t.barStartPos, 6.0);
  EXPECT_DOUBLE_EQ(t.tempo, 90.0);
  EXPECT_EQ(t.timeSigNumerator, 6);
  EXPECT_EQ(t.timeSigDenominator, 8);
  EXPECT_EQ(t.flags & vst2::kTransportPlaying, 0);
  EXPECT_NE(t.flags & vst2::kTransportChanged, 0);
  EXPECT_EQ(transport.Next(master, 0, 256).flags & vst2::kTransportChanged, 0);  // still stopped

  master.rolling = true;
  t = transport.Next(master, 0, 128);
  EXPECT_NE(t.flags & vst2::kTransportPlaying, 0);
  EXPECT_NE(t.flags & vst2::kTransportChanged, 0);
  // The second half of a period split in two: 128 frames further on.
  t = transport.Next(master, 128, 128);
  EXPECT_DOUBLE_EQ(t.samplePos, 128.0);
  EXPECT_DOUBLE_EQ(t.ppqPos, 6.75 + 128.0 / kRate * 90.0 / 60.0 * 0.5);
  EXPECT_EQ(t.flags & vst2::kTransportChanged, 0);
  master.frame = 256;
  EXPECT_EQ(transport.Next(master, 0, 256).flags & vst2::kTransportChanged, 0);
  master.frame = 96000;  // relocated while rolling
  EXPECT_NE(transport.Next(master, 0, 256).flags & vst2::kTransportChanged, 0);

  t = transport.Next(TransportReading{}, 0, 256);  // the master went away
  EXPECT_NE(t.flags & vst2::kTransportPlaying, 0);
  EXPECT_NE(t.flags & vst2::kTransportChanged, 0);
  EXPECT_DOUBLE_EQ(t.tempo, 120.0);
}

TEST(LiveEngine, PassesBothChannelsThroughInPiecesNoLongerThanAnnounced) {
  auto host = Load(FAKE_PLUGIN_PATH);
  ASSERT_TRUE(host);
  LiveEngine engine(*host, 120.0);
  engine.Configure(kRate, 64);
  Ports ports(200);  // a period longer than announced: 64 + 64 + 64 + 8
  engine.Process(ports.ins, ports.outs, 200, TransportReading{});
  EXPECT_EQ(ports.l, ports.a);
  EXPECT_EQ(ports.r, ports.b);
  EXPECT_EQ(StateOf(*host).processCalls[0], 4);
  EXPECT_EQ(StateOf(*host).processBeyondBlockSize, 0);
  EXPECT_EQ(StateOf(*host).blockSize, 64);
  EXPECT_DOUBLE_EQ(StateOf(*host).sampleRate, kRate);
  EXPECT_EQ(engine.Stats().periods, 1u);
  EXPECT_EQ(engine.Stats().frames, 200u);
}

TEST(LiveEngine, AMonoPlugInFeedsBothOutputsAndNonFiniteOutputIsSilenced) {
  auto host = Load(FAKE_PLUGIN_MONO_PATH);
  ASSERT_TRUE(host);
  LiveEngine engine(*host, 120.0);
  engine.Configure(kRate, 256);
  Ports ports(256);
  engine.Process(ports.ins, ports.outs, 256, TransportReading{});
  EXPECT_EQ(ports.l, ports.a);  // the first input, on both outputs
  EXPECT_EQ(ports.r, ports.a);
  host->SetParameter(0, std::numeric_limits<float>::infinity());  // gain: inf, and 0 * inf
  const float* silent[2] = {nullptr, nullptr};
  engine.Process(silent, ports.outs, 256, TransportReading{});
  EXPECT_EQ(ports.l, std::vector<float>(256, 0.0f));
  EXPECT_EQ(ports.r, std::vector<float>(256, 0.0f));
  EXPECT_EQ(engine.Stats().nonFinite, 512u);
}

TEST(LiveEngine, AnswersTimeWithoutAllocatingOnTheAudioThreadAndWithACopyElsewhere) {
  auto host = Load(FAKE_PLUGIN_TIMED_PATH);
  ASSERT_TRUE(host);
  LiveEngine engine(*host, 120.0);
  engine.Configure(kRate, 256);
  Ports ports(256);
  TransportReading reading;
  const long before = qvtest::AllocationCount();
  for (int period = 0; period < 100; ++period)
    engine.Process(ports.ins, ports.outs, 256, reading);
  EXPECT_EQ(qvtest::AllocationCount() - before, 0);
  EXPECT_DOUBLE_EQ(StateOf(*host).processTimePos, 99 * 256.0);
  // Asked from outside a period, as an editor would: the last period's record.
  host->Dispatch(vst2::kEffectVendorSpecific, fakeplug::kCallHostIndex, vst2::kHostGetTime);
  EXPECT_DOUBLE_EQ(StateOf(*host).lastTime.samplePos, 99 * 256.0);
  EXPECT_TRUE(host->Calls().empty());
}

TEST(LiveEngine, PeriodSizeChangesWhilePeriodsRunSuspendAndResumeAroundThem) {
  auto host = Load(FAKE_PLUGIN_PATH);
  ASSERT_TRUE(host);
  auto engine = std::make_unique<LiveEngine>(*host, 120.0);
  engine->Configure(kRate, 256);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    Ports ports(256);
    while (!stop.load()) engine->Process(ports.ins, ports.outs, 256, TransportReading{});
  });
  // Each change lands while periods run: the next one waits until the audio thread got through.
  const int sizes[] = {64, 128, 256, 32};
  for (int change = 0; change < 40; ++change) {
    engine->Configure(kRate, sizes[change % 4]);
    const std::uint64_t periods = engine->Stats().periods;
    for (int spin = 0; spin < 100000 && engine->Stats().periods < periods + 2; ++spin)
      std::this_thread::yield();
  }
  stop = true;
  audio.join();
  const fakeplug::State& s = StateOf(*host);
  EXPECT_EQ(s.processWhileSuspended, 0);
  EXPECT_EQ(s.processBeyondBlockSize, 0);
  EXPECT_GT(engine->Stats().periods, 0u);
  // The last change as a DAW makes it: suspend, rate, size, resume.
  ASSERT_GE(s.numDispatched, 4);
  const fakeplug::Dispatched* last = s.dispatched + s.numDispatched - 4;
  EXPECT_EQ(last[0].opcode, vst2::kEffectMainsChanged);
  EXPECT_EQ(last[0].value, 0);
  EXPECT_EQ(last[1].opcode, vst2::kEffectSetSampleRate);
  EXPECT_EQ(last[2].opcode, vst2::kEffectSetBlockSize);
  EXPECT_EQ(last[2].value, 32);
  EXPECT_EQ(last[3].opcode, vst2::kEffectMainsChanged);
  EXPECT_EQ(last[3].value, 1);

  engine->Stop();
  EXPECT_FALSE(s.resumed);
  Ports ports(256);
  engine->Process(ports.ins, ports.outs, 256, TransportReading{});
  EXPECT_EQ(ports.l, std::vector<float>(256, 0.0f));
  EXPECT_GE(engine->Stats().silent, 1u);
  // The host records its callbacks again once the engine is gone.
  engine.reset();
  EXPECT_TRUE(host->Script().recordCalls);
  EXPECT_FALSE(host->Script().timeSource);
}

}  // namespace
