// The instance lock and the sending of the notifications queued under it.
#include "framework/instance_lock.h"

#include <utility>

namespace framework {

InstanceMutex::InstanceMutex(INotificationSink& sink)
    : sink_(sink), outboxes_(new Outbox[kNotificationOutboxes]) {}

void InstanceMutex::lock() {
  mutex_.lock();
  ++depth_;
}

bool InstanceMutex::try_lock() {
  if (!mutex_.try_lock()) return false;
  ++depth_;
  return true;
}

void InstanceMutex::unlock() {
  if (--depth_ > 0) {
    mutex_.unlock();
    return;
  }
  Outbox* const outbox = std::exchange(active_, nullptr);
  mutex_.unlock();
  if (outbox == nullptr) return;
  // A host that answers by calling the plug-in again takes the lock anew; what that queues goes
  // to another outbox and is sent when that inner hold ends.
  for (int i = 0; i < outbox->count; ++i) sink_.SendToHost(outbox->items[i]);
  outbox->count = 0;
  // The next thread to claim the outbox sees it empty.
  outbox->busy.store(false, std::memory_order_release);
}

bool InstanceMutex::Queue(const HostNotification& notification) {
  if (active_ == nullptr) {
    // Only the lock's holder claims, so no two threads claim at once.
    for (int i = 0; i < kNotificationOutboxes && active_ == nullptr; ++i) {
      Outbox& candidate = outboxes_[i];
      if (!candidate.busy.load(std::memory_order_acquire)) {
        candidate.busy.store(true, std::memory_order_relaxed);
        active_ = &candidate;
      }
    }
  }
  if (active_ == nullptr || active_->count == kNotificationCapacity) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  active_->items[active_->count++] = notification;
  return true;
}

}  // namespace framework
