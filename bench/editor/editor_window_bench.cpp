// The editor in a real X window: time from opcode 14 to the first complete paint (the window's
// pixels read back equal the editor's drawing), open/close cycles per second, and the CPU an
// open, idle editor takes. Uses $DISPLAY, else starts Xvfb. Prints the figures.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/lib/plugin_host.h"
#include "host/window/host_window.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "tests/gui/gui_harness.h"
#include "tests/gui/virtual_display.h"

using namespace quorvantel;

namespace {

using Clock = std::chrono::steady_clock;

vst2::AEffect* Entry(vst2::HostCallback callback) { return CreateQuorvantelEffect(callback); }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool SamePixels(const raster::Bitmap& a, const raster::Bitmap& b) {
  return !a.Empty() && a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Data(), a.Data() + a.Width() * a.Height(), b.Data(),
                    [](std::uint32_t x, std::uint32_t y) {
                      return (x | 0xff000000u) == (y | 0xff000000u);
                    });
}

}  // namespace

int main() {
  std::unique_ptr<qvtest::VirtualDisplay> xvfb;
  if (std::getenv("DISPLAY") == nullptr) {
    xvfb = std::make_unique<qvtest::VirtualDisplay>(1024, 768);
    if (xvfb->Name().empty()) {
      std::fprintf(stderr, "no DISPLAY and no Xvfb\n");
      return 1;
    }
    setenv("DISPLAY", xvfb->Name().c_str(), 1);
  }
  std::string error;
  auto host = qvhost::PluginHost::Start(Entry, "Quorvantel", &error);
  auto window = qvhost::HostWindow::Create(0, 0, 800, 600, "bench", &error);
  if (!host || !window) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  host->Open();
  gui::IEditorSurface* surface = &FromEffect(host->Effect())->EditorSurface();
  void* parent = reinterpret_cast<void*>(std::uintptr_t(window->Id()));
  auto open = [&] { return host->Dispatch(vst2::kEffectEditOpen, 0, 0, parent) == 1; };
  auto close = [&] { host->Dispatch(vst2::kEffectEditClose); };

  // The complete editor as drawn, to recognise a complete paint by.
  if (!open()) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  close();
  const raster::Bitmap reference = surface->Pixels();

  std::vector<double> firstPaint;
  for (int run = 0; run < 20; ++run) {
    const auto start = Clock::now();
    if (!open()) return 1;
    const std::uint32_t editor = qvtest::FirstChild(window->Id());
    while (!SamePixels(qvtest::Capture(editor), reference) &&
           Clock::now() - start < std::chrono::seconds(2)) {
    }
    firstPaint.push_back(Seconds(Clock::now() - start) * 1000.0);
    close();
  }
  std::sort(firstPaint.begin(), firstPaint.end());

  constexpr int kCycles = 200;
  const auto cyclesStart = Clock::now();
  for (int i = 0; i < kCycles; ++i) {
    if (!open()) return 1;
    close();
  }
  const double cyclesPerSecond = kCycles / Seconds(Clock::now() - cyclesStart);

  if (!open()) return 1;
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double cpu0 = CpuSeconds();
  const auto idleStart = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const double idleCpu = (CpuSeconds() - cpu0) / Seconds(Clock::now() - idleStart) * 100.0;
  close();

  std::printf(
      "opcode 14 to first complete paint: median %.1f ms, slowest %.1f ms (20 runs; read back "
      "through the server every few ms)\n",
      firstPaint[firstPaint.size() / 2], firstPaint.back());
  std::printf("open/close cycles: %.0f per second (%d cycles)\n", cyclesPerSecond, kCycles);
  std::printf("open, idle editor: %.2f %% of one core (10 s)\n", idleCpu);
  return 0;
}
