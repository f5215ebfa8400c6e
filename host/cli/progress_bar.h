// A progress bar on stderr for work that takes more than a moment, shown only on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace qvcli {

class ProgressBar {
 public:
  // total: units of work (0: no bar). Shown only when stderr is a terminal; an interrupt clears
  // it.
  ProgressBar(std::string label, std::int64_t total);
  ~ProgressBar() { Finish(); }
  void Update(std::int64_t done);
  // Clears the bar's line if it was drawn.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  std::string label_;
  std::int64_t total_;
  bool enabled_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

}  // namespace qvcli
