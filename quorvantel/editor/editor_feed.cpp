// Publishing the effect's editor state across threads.
#include "quorvantel/editor/editor_feed.h"

#include <algorithm>

namespace quorvantel {

void PublishedTable::Publish(const double* table) {
  const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
  sequence_.store(s + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (int i = 0; i < engine::kWindowSize; ++i) values_[i].store(table[i], std::memory_order_relaxed);
  sequence_.store(s + 2, std::memory_order_release);
}

bool PublishedTable::TakeIfChanged(double* out, std::uint32_t* seen) const {
  const std::uint32_t before = sequence_.load(std::memory_order_acquire);
  if (before == *seen || (before & 1u) != 0) return false;
  double copy[engine::kWindowSize];
  for (int i = 0; i < engine::kWindowSize; ++i) copy[i] = values_[i].load(std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  if (sequence_.load(std::memory_order_relaxed) != before) return false;
  std::copy(copy, copy + engine::kWindowSize, out);
  *seen = before;
  return true;
}

void EditorFeed::PublishStatistics(int grains, int meanDensity) {
  grainsPerSecond.store(grains, std::memory_order_relaxed);
  density.store(meanDensity, std::memory_order_relaxed);
  statisticsSerial.fetch_add(1, std::memory_order_release);
}

void EditorFeed::PublishGreying(std::uint32_t unusedMask) {
  unusedLfos.store(unusedMask, std::memory_order_relaxed);
  greyingSerial.fetch_add(1, std::memory_order_release);
}

}  // namespace quorvantel
