// The hand-over of parameter values from the plug-in's threads to the editor thread: per
// parameter the latest normalised and plain value and a pending flag, all atomic.
#pragma once

#include <atomic>
#include <memory>

namespace gui {

// Writers post under the instance lock (so one at a time) from any thread, the audio thread
// included: a post never waits and never allocates. The editor thread takes what is pending at
// the start of each tick. Only the latest value of a parameter is kept.
class ParameterMailbox {
 public:
  explicit ParameterMailbox(int count);

  int Count() const { return count_; }
  // Any thread, instance lock held.
  void Post(int index, double normalized, double plain);
  // Editor thread: true with the latest values when index had a post since the last Take.
  bool Take(int index, double* normalized, double* plain);
  // Editor thread, instance lock held: forgets a post that a newer value from the editor
  // replaces.
  void Discard(int index);

 private:
  struct Slot {
    std::atomic<double> normalized{0.0};
    std::atomic<double> plain{0.0};
    std::atomic<bool> pending{false};
  };
  int count_;
  std::unique_ptr<Slot[]> slots_;
};

}  // namespace gui
