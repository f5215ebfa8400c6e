// The instance lock's queue of host notifications: what a thread queued goes out when its
// outermost hold ends, in order, with the lock already free; nothing is lost or sent twice, and
// a full queue drops and counts instead of waiting.
#include "framework/instance_lock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace framework;

namespace {

// Records what arrives and whether the lock was free when it did.
class RecordingSink : public INotificationSink {
 public:
  void SendToHost(const HostNotification& n) noexcept override {
    {
      std::lock_guard guard(sentLock);
      sent.push_back(n);
    }
    if (lock != nullptr) {
      lockFree.push_back(std::async(std::launch::async, [this] {
                           if (!lock->try_lock()) return false;
                           lock->unlock();
                           return true;
                         }).get());
    }
    if (onSend) onSend(n);
  }
  std::mutex sentLock;  // several threads may send at once
  std::vector<HostNotification> sent;
  std::vector<bool> lockFree;
  InstanceMutex* lock = nullptr;
  std::function<void(const HostNotification&)> onSend;
};

HostNotification Automate(int index, double value) {
  return {HostNotification::kAutomate, index, value};
}

TEST(NotificationQueue, SentInOrderWhenTheOutermostHoldEndsWithTheLockFree) {
  RecordingSink sink;
  InstanceMutex lock(sink);
  sink.lock = &lock;
  {
    std::lock_guard outer(lock);
    lock.Queue({HostNotification::kBeginEdit, 3, 0.0});
    {
      std::lock_guard inner(lock);
      lock.Queue(Automate(3, 0.25));
    }
    EXPECT_TRUE(sink.sent.empty());  // the inner hold ending sends nothing
    lock.Queue({HostNotification::kEndEdit, 3, 0.0});
  }
  ASSERT_EQ(sink.sent.size(), 3u);
  EXPECT_EQ(sink.sent[0].kind, HostNotification::kBeginEdit);
  EXPECT_EQ(sink.sent[1].kind, HostNotification::kAutomate);
  EXPECT_EQ(sink.sent[1].value, 0.25);
  EXPECT_EQ(sink.sent[2].kind, HostNotification::kEndEdit);
  EXPECT_EQ(sink.lockFree, (std::vector<bool>{true, true, true}));
  // Sent once: another hold with nothing queued sends nothing.
  { std::lock_guard again(lock); }
  EXPECT_EQ(sink.sent.size(), 3u);
}

TEST(NotificationQueue, AHostThatCallsBackQueuesAnewAndIsAnsweredAfterward) {
  RecordingSink sink;
  InstanceMutex lock(sink);
  // The host answers the first automation by changing another parameter, which is announced too.
  sink.onSend = [&](const HostNotification& n) {
    if (n.index != 1) return;
    std::lock_guard reentered(lock);
    lock.Queue(Automate(7, 0.5));
  };
  {
    std::lock_guard hold(lock);
    lock.Queue(Automate(1, 0.1));
    lock.Queue(Automate(2, 0.2));
  }
  ASSERT_EQ(sink.sent.size(), 3u);
  EXPECT_EQ(sink.sent[0].index, 1);
  EXPECT_EQ(sink.sent[1].index, 7);  // sent when the host's own call into the lock ended
  EXPECT_EQ(sink.sent[2].index, 2);
  EXPECT_EQ(lock.Dropped(), 0);
}

TEST(NotificationQueue, AFullQueueDropsAndCountsAndTheNextHoldHasRoomAgain) {
  RecordingSink sink;
  InstanceMutex lock(sink);
  {
    std::lock_guard hold(lock);
    for (int i = 0; i < kNotificationCapacity + 5; ++i)
      EXPECT_EQ(lock.Queue(Automate(i % 89, 0.0)), i < kNotificationCapacity) << i;
  }
  EXPECT_EQ(static_cast<int>(sink.sent.size()), kNotificationCapacity);
  EXPECT_EQ(lock.Dropped(), 5);
  {
    std::lock_guard hold(lock);
    EXPECT_TRUE(lock.Queue(Automate(0, 1.0)));
  }
  EXPECT_EQ(static_cast<int>(sink.sent.size()), kNotificationCapacity + 1);
}

TEST(NotificationQueue, ThreadsSendingAtOnceEachUseAnOutboxOfTheirOwn) {
  // Every sender stays inside the host until all have queued: each needs its own outbox, and one
  // more than there are outboxes finds none and drops rather than waits.
  RecordingSink sink;
  InstanceMutex lock(sink);
  std::mutex m;
  std::condition_variable cv;
  int waiting = 0;
  bool release = false;
  sink.onSend = [&](const HostNotification&) {
    std::unique_lock guard(m);
    ++waiting;
    cv.notify_all();
    cv.wait(guard, [&] { return release; });
  };
  std::vector<std::thread> senders;
  for (int t = 0; t < kNotificationOutboxes; ++t) {
    senders.emplace_back([&lock, t] {
      std::lock_guard hold(lock);
      lock.Queue(Automate(t, 0.0));
    });
  }
  {
    std::unique_lock guard(m);
    ASSERT_TRUE(cv.wait_for(guard, std::chrono::seconds(10),
                            [&] { return waiting == kNotificationOutboxes; }));
  }
  {
    std::lock_guard hold(lock);  // free although every sender is still in the host
    EXPECT_FALSE(lock.Queue(Automate(88, 0.0)));
  }
  EXPECT_EQ(lock.Dropped(), 1);
  {
    std::lock_guard guard(m);
    release = true;
  }
  cv.notify_all();
  for (std::thread& t : senders) t.join();
  EXPECT_EQ(static_cast<int>(sink.sent.size()), kNotificationOutboxes);
}

}  // namespace
