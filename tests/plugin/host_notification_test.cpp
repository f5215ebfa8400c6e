// What the host is told of parameter changes, against a host whose automation callback waits for
// its audio thread to finish a process call: the editor's values and gestures reach it in order
// and nothing deadlocks, since no call into the host runs under the instance lock.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/plugin/effect_fixture.h"

using namespace framework;
using namespace quorvantel;

namespace {

using vst2::kHostAutomate;
using vst2::kHostBeginEdit;
using vst2::kHostEndEdit;

// The host's audio thread: processes a block whenever asked, until stopped.
class AudioThread {
 public:
  explicit AudioThread(qvhost::PluginHost& host) : thread_([this, &host] { Run(host); }) {}
  ~AudioThread() {
    {
      std::lock_guard guard(m_);
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  // Asks for one process call and waits until it has finished; false after 5 s without.
  bool ProcessOnce() {
    std::unique_lock guard(m_);
    const int target = ++asked_;
    cv_.notify_all();
    return cv_.wait_for(guard, std::chrono::seconds(5), [&] { return done_ >= target; });
  }

 private:
  void Run(qvhost::PluginHost& host) {
    std::vector<float> in(64, 0.25f), left(64), right(64);
    float* inputs[] = {in.data(), in.data()};
    float* outputs[] = {left.data(), right.data()};
    std::unique_lock guard(m_);
    for (;;) {
      cv_.wait(guard, [&] { return stop_ || done_ < asked_; });
      if (stop_) return;
      guard.unlock();
      host.ProcessReplacing(inputs, outputs, 64);  // takes the instance lock
      guard.lock();
      ++done_;
      cv_.notify_all();
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  int asked_ = 0, done_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

// A host whose automation, begin and end callbacks from the editor's thread each wait for a
// whole process call on its audio thread, as a host might that records automation in step with
// its audio.
struct WaitingHost {
  explicit WaitingHost(EffectFixture& f) : audio(*f.host) {
    editorThread = std::this_thread::get_id();
    f.host->Script().afterCallback = [this](const qvhost::CallbackRecord& call) {
      if (std::this_thread::get_id() != editorThread) return;
      if (call.opcode != kHostAutomate && call.opcode != kHostBeginEdit &&
          call.opcode != kHostEndEdit)
        return;
      // Once stuck, the host gives up waiting, so a failing run ends in seconds.
      if (stuck == 0 && !audio.ProcessOnce()) ++stuck;
    };
  }
  AudioThread audio;
  std::thread::id editorThread;
  int stuck = 0;  // callbacks whose process call never finished: a deadlock while it lasted
};

TEST(HostNotifications, AHostWaitingForItsAudioThreadGetsEveryEditorValueInOrder) {
  EffectFixture f;
  f.host->Open();
  WaitingHost waiting(f);
  f.host->ClearCalls();
  IEditorLink& link = f.Instance().EditorLink();
  // A gesture on "Pch Mod" that picks LFO 3: the value, then the 32 LFO parameters that a new
  // modulation source applies again, then the gesture's end.
  const int source = SourceParameter(kParamPitch);
  link.BeginGesture(source);
  link.SendValue(source, 2.0 / 7.0);
  link.EndGesture(source);
  EXPECT_EQ(waiting.stuck, 0);
  // What the editor's thread told the host, in order (the audio thread asks for the time too).
  std::vector<qvhost::CallbackRecord> told;
  for (const qvhost::CallbackRecord& call : f.host->CallsSnapshot())
    if (call.opcode == kHostAutomate || call.opcode == kHostBeginEdit ||
        call.opcode == kHostEndEdit)
      told.push_back(call);
  ASSERT_GE(told.size(), 2u);
  EXPECT_EQ(told.front().opcode, kHostBeginEdit);
  EXPECT_EQ(told.front().index, source);
  EXPECT_EQ(told.back().opcode, kHostEndEdit);
  EXPECT_EQ(told.back().index, source);
  std::vector<int> automated;
  for (std::size_t i = 1; i + 1 < told.size(); ++i) {
    EXPECT_EQ(told[i].opcode, kHostAutomate);
    automated.push_back(told[i].index);
  }
  std::vector<int> expected = {source};
  for (int lfo = 0; lfo < kLfoCount; ++lfo)
    for (int which = 0; which < kParametersPerLfo; ++which)
      expected.push_back(LfoParameter(lfo, which));
  EXPECT_EQ(automated, expected);
  EXPECT_EQ(f.Value(source), 2.0);
  EXPECT_EQ(f.Instance().InstanceLock().Dropped(), 0);
}

TEST(HostNotifications, AStateLoadThatChangesEverySourceLosesNoNotification) {
  EffectFixture f;
  f.host->Open();
  std::vector<std::uint8_t> chunk = f.host->GetChunk(true);
  ASSERT_EQ(chunk.size(), 720u);
  // Every modulation source on LFO 8 (the defaults are LFO 1).
  for (int setting = 0; setting < kModulatedSettingCount; ++setting) {
    int base = -1;
    for (int index = 0; index < kParameterCount; ++index)
      if (TargetOf(index).input == EngineInput::kBase && TargetOf(index).which == setting)
        base = index;
    ASSERT_GE(base, 0);
    const double lfo8 = 7.0;
    std::memcpy(chunk.data() + 8 + 8 * SourceParameter(base), &lfo8, 8);
  }
  f.host->ClearCalls();
  ASSERT_EQ(f.host->SetChunk(chunk, true), 1);
  // Each of the 15 sources applied again the 32 LFO parameters, each announced.
  EXPECT_EQ(f.Calls(kHostAutomate), kModulatedSettingCount * kLfoCount * kParametersPerLfo);
  EXPECT_EQ(f.Instance().InstanceLock().Dropped(), 0);
}

}  // namespace
