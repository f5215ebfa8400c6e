// Drawing of the stderr progress bar.
#include "host/cli/progress_bar.h"

#include <cstdio>

#include "host/cli/interrupt.h"
#include "host/cli/system.h"

namespace qvcli {
namespace {

constexpr auto kQuietTime = std::chrono::milliseconds(500);  // no bar for shorter work
constexpr auto kRedrawTime = std::chrono::milliseconds(100);
constexpr int kWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::string label, std::int64_t total)
    : label_(std::move(label)),
      total_(total),
      enabled_(total > 0 && StandardErrorIsTerminal()),
      start_(Clock::now()),
      lastDraw_(start_) {
  if (enabled_) WatchInterrupts();
}

void ProgressBar::Update(std::int64_t done) {
  if (!enabled_) return;
  const auto now = Clock::now();
  if (now - start_ < kQuietTime || now - lastDraw_ < kRedrawTime) return;
  lastDraw_ = now;
  const double fraction = done >= total_ ? 1.0 : static_cast<double>(done) / total_;
  const int filled = static_cast<int>(fraction * kWidth);
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  // Marked before it is drawn: an interrupt in between clears an empty line, never leaves a bar.
  SetProgressShown(true);
  drawn_ = true;
  std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, static_cast<int>(fraction * 100));
  std::fflush(stderr);
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
  SetProgressShown(false);
}

}  // namespace qvcli
