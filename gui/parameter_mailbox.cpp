// Posting and taking parameter values across threads.
#include "gui/parameter_mailbox.h"

#include <algorithm>

namespace gui {

ParameterMailbox::ParameterMailbox(int count)
    : count_(std::max(count, 0)), slots_(std::make_unique<Slot[]>(count_)) {}

void ParameterMailbox::Post(int index, double normalized, double plain) {
  if (index < 0 || index >= count_) return;
  Slot& slot = slots_[index];
  slot.normalized.store(normalized, std::memory_order_relaxed);
  slot.plain.store(plain, std::memory_order_relaxed);
  slot.pending.store(true, std::memory_order_release);
}

bool ParameterMailbox::Take(int index, double* normalized, double* plain) {
  if (index < 0 || index >= count_) return false;
  Slot& slot = slots_[index];
  if (!slot.pending.load(std::memory_order_relaxed)) return false;
  // A post racing with this read sets the flag again, so its pair is taken on the next tick.
  slot.pending.exchange(false, std::memory_order_acquire);
  *normalized = slot.normalized.load(std::memory_order_relaxed);
  *plain = slot.plain.load(std::memory_order_relaxed);
  return true;
}

void ParameterMailbox::Discard(int index) {
  if (index >= 0 && index < count_) slots_[index].pending.store(false, std::memory_order_relaxed);
}

}  // namespace gui
