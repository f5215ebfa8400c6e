// What the host is told of parameter changes, against a host whose automation callback waits for
// its audio thread to finish a process call: the editor's values and gestures reach it in order
// and nothing deadlocks, since no call into the host runs under the instance lock.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
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
  // A drag on "Length" through three values, then a gesture on "Pch Mod" that picks LFO 3 (a
  // new modulation source applies the LFO settings again, but tells the host nothing more).
  const int source = SourceParameter(kParamPitch);
  link.BeginGesture(kParamLength);
  for (double v : {0.2, 0.4, 0.6}) link.SendValue(kParamLength, v);
  link.EndGesture(kParamLength);
  link.BeginGesture(source);
  link.SendValue(source, 2.0 / 7.0);
  link.EndGesture(source);
  EXPECT_EQ(waiting.stuck, 0);
  // What the editor's thread told the host, in order (the audio thread asks for the time too).
  struct Told {
    vst2::int32 opcode;
    vst2::int32 index;
    float value;
    bool operator==(const Told&) const = default;
  };
  std::vector<Told> told;
  for (const qvhost::CallbackRecord& call : f.host->CallsSnapshot())
    if (call.opcode == kHostAutomate || call.opcode == kHostBeginEdit ||
        call.opcode == kHostEndEdit)
      told.push_back({call.opcode, call.index, call.opcode == kHostAutomate ? call.opt : 0.0f});
  const std::vector<Told> expected = {{kHostBeginEdit, kParamLength, 0.0f},
                                      {kHostAutomate, kParamLength, 0.2f},
                                      {kHostAutomate, kParamLength, 0.4f},
                                      {kHostAutomate, kParamLength, 0.6f},
                                      {kHostEndEdit, kParamLength, 0.0f},
                                      {kHostBeginEdit, source, 0.0f},
                                      {kHostAutomate, source, static_cast<float>(2.0 / 7.0)},
                                      {kHostEndEdit, source, 0.0f}};
  EXPECT_TRUE(told == expected);
  EXPECT_EQ(f.Value(source), 2.0);
  EXPECT_EQ(f.Instance().InstanceLock().Dropped(), 0);
}

TEST(HostNotifications, AHostThatAnswersAnAutomationBySettingAValueIsTakenAfterIt) {
  // Hosts that link parameters answer an automation message by setting another parameter, on the
  // same thread: with the lock released before the message, that call takes it afresh.
  EffectFixture f;
  f.host->Open();
  int answered = 0;
  f.host->Script().afterCallback = [&](const qvhost::CallbackRecord& call) {
    if (call.opcode != kHostAutomate || call.index != kParamDry) return;
    ++answered;
    f.host->SetParameter(kParamWet, 1.0f - call.opt);
  };
  f.Instance().EditorLink().SendValue(kParamDry, 0.25);
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(f.Value(kParamDry), 0.25);
  EXPECT_NEAR(f.Value(kParamWet), 1.5, 1e-6);  // Wet runs 0 .. 2
  EXPECT_EQ(f.Calls(kHostAutomate), 1);        // the host's own change is not told back
  EXPECT_EQ(f.Instance().InstanceLock().Dropped(), 0);
}

}  // namespace
