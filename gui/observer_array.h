// The fixed array that owns the editor's observers: 100 slots of which 99 are used.
#pragma once

#include <array>
#include <memory>

#include "gui/control.h"

namespace gui {

class ObserverArray {
 public:
  static constexpr int kSlots = 100;
  static constexpr int kMaxObservers = kSlots - 1;

  // Takes ownership and returns the observer; when the array is full the observer is destroyed
  // at once (it detaches itself from what it watches) and null is returned.
  template <typename O>
  O* Adopt(std::unique_ptr<O> observer) {
    if (count_ >= kMaxObservers) return nullptr;
    O* raw = observer.get();
    slots_[count_++] = std::move(observer);
    return raw;
  }
  int Count() const { return count_; }

 private:
  std::array<std::unique_ptr<IObserverInterface>, kSlots> slots_;
  int count_ = 0;
};

}  // namespace gui
