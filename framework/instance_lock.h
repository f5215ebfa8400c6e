// The recursive per-instance lock, and the host notifications (automation, gesture begin and end)
// that are queued while it is held and sent to the host once it is released: no call into the
// host ever runs under the lock, so a host whose callback waits for its audio thread cannot
// deadlock against a process call that waits for the lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace framework {

struct HostNotification {
  enum Kind : std::uint8_t { kAutomate, kBeginEdit, kEndEdit };
  Kind kind = kAutomate;
  std::int32_t index = 0;  // the parameter
  double value = 0.0;      // kAutomate: the normalised value
};

// Where queued notifications go: the format adapter, which calls the host.
class INotificationSink {
 public:
  // Any thread, InstanceLock not held. Must not throw.
  virtual void SendToHost(const HostNotification& notification) noexcept = 0;

 protected:
  ~INotificationSink() = default;
};

// Notifications one thread may queue during one outermost hold of the lock: an editor's value
// queues one, a gesture's begin and end one each; room for an effect whose changes announce
// others too.
constexpr int kNotificationCapacity = 256;
// Threads that may be sending their notifications at the same time, each from its own outbox.
constexpr int kNotificationOutboxes = 4;

// A recursive mutex (Lockable, for std::lock_guard and std::unique_lock). Whatever a thread
// queued while it held the lock is sent, in queue order and on that thread, when its outermost
// hold ends, after the mutex itself is released. Real time: queueing and unlocking allocate
// nothing and wait for nobody; a thread that unlocks with nothing queued touches no atomic.
class InstanceMutex {
 public:
  explicit InstanceMutex(INotificationSink& sink);
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  void lock();
  bool try_lock();
  void unlock();

  // Lock held: queues the notification for the end of this thread's outermost hold. When every
  // outbox is busy sending (more threads than kNotificationOutboxes at once) or this thread's is
  // full, the notification is dropped, counted and false returned; waiting instead could
  // deadlock.
  bool Queue(const HostNotification& notification);
  // Notifications dropped so far. Any thread.
  int Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  struct Outbox {
    HostNotification items[kNotificationCapacity];
    int count = 0;                  // written by the owning thread only
    std::atomic<bool> busy{false};  // claimed under the lock, freed by the sender after sending
  };

  std::recursive_mutex mutex_;
  INotificationSink& sink_;
  int depth_ = 0;             // holds of the owning thread; guarded by mutex_
  Outbox* active_ = nullptr;  // the owning thread's outbox in this hold; guarded by mutex_
  std::unique_ptr<Outbox[]> outboxes_;
  std::atomic<int> dropped_{0};
};

}  // namespace framework
