// The editor at twice the size in a real window, on a virtual screen large enough for it: the
// window is as large as the scale asks, and a real click at the centre of every control lands on
// that control's editor pixel. The desktop's Xft/DPI alone makes the loaded module open scaled.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gui/device_scale.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "tests/gui/gui_harness.h"
#include "tests/gui/virtual_display.h"

namespace qvtest {
namespace {

vst2::AEffect* Entry(vst2::HostCallback callback) {
  return quorvantel::CreateQuorvantelEffect(callback);
}

// A screen of its own for these tests, larger than the 2x editor; DISPLAY points at it.
class LargeScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (screen_.Name().empty()) GTEST_SKIP() << "Xvfb is not installed";
    setenv("DISPLAY", screen_.Name().c_str(), 1);
    unsetenv("QUORVANTEL_SCALE");
    unsetenv("GDK_SCALE");
    unsetenv("QT_SCALE_FACTOR");
  }
  VirtualDisplay screen_{1700, 1300};
};

std::pair<int, int> WindowSize(std::uint32_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  std::pair<int, int> size{-1, -1};
  if (g != nullptr) size = {g->width, g->height};
  std::free(g);
  xcb_disconnect(c);
  return size;
}

std::pair<int, int> ReportedSize(qvhost::PluginHost& host) {
  vst2::ERect* rect = nullptr;
  if (host.Dispatch(vst2::kEffectEditGetRect, 0, 0, &rect) != 1 || rect == nullptr) return {};
  return {rect->right - rect->left, rect->bottom - rect->top};
}

// Lies over the whole editor, above every control, and notes where each release lands.
class Probe : public gui::IControl {
 public:
  Probe() : IControl(gui::Rect{0, 0, 800, 600}, -1, gui::BlendNone) {}
  void MouseUp(int x, int y, const gui::MouseMod&) override {
    std::lock_guard<std::mutex> guard(lock_);
    seen_.emplace_back(x, y);
  }
  bool Draw(gui::IEditorSurface&) override { return true; }
  std::vector<std::pair<int, int>> Seen() {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
  }

 private:
  std::mutex lock_;
  std::vector<std::pair<int, int>> seen_;
};

TEST_F(LargeScreen, AtTwiceTheSizeEveryControlsCentreIsWhereAClickLands) {
  std::string error;
  auto host = qvhost::PluginHost::Start(Entry, "Quorvantel", &error);
  ASSERT_TRUE(host) << error;
  host->Open();
  // A host on a HiDPI screen says its scale before it asks for the size.
  ASSERT_EQ(host->Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest,
                           nullptr, 2.0f),
            1);
  EXPECT_EQ(ReportedSize(*host), std::make_pair(1600, 1200));
  gui::IEditorSurface& surface = quorvantel::FromEffect(host->Effect())->EditorSurface();
  // The centre of every control (in editor pixels) and the control a click there reaches, once
  // the first values have greyed what they grey.
  surface.MarkAllControlsDirty();
  for (int tick = 0; tick < 3; ++tick) surface.Tick();
  std::vector<std::pair<int, int>> centres;
  int reached = 0, usable = 0;
  for (int i = 0; i < surface.ControlCount(); ++i) {
    const gui::IControl& control = *surface.GetControl(i);
    const gui::Rect& r = control.TargetRect();
    centres.emplace_back((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (control.IsHidden() || control.IsGrayed()) continue;
    ++usable;
    reached += surface.ControlAt(centres.back().first, centres.back().second) == i;
  }
  std::printf("%d controls, %d usable, %d reached at their centre\n", surface.ControlCount(),
              usable, reached);
  // Every control that takes the mouse is the topmost one at its centre.
  EXPECT_EQ(reached, usable);
  auto* probe = new Probe;
  surface.AttachControl(std::unique_ptr<gui::IControl>(probe));

  auto window = qvhost::HostWindow::Create(0, 0, 1600, 1200, "HiDPI test", &error);
  ASSERT_TRUE(window) << error;
  ASSERT_EQ(host->Dispatch(vst2::kEffectEditOpen, 0, 0,
                           reinterpret_cast<void*>(std::uintptr_t(window->Id()))),
            1);
  const std::uint32_t editor = FirstChild(window->Id());
  ASSERT_NE(editor, 0u);
  EXPECT_EQ(WindowSize(editor), std::make_pair(1600, 1200));
  // Each click at the device pixel in the middle of its editor pixel's square.
  const gui::DeviceScale scale(2.0);
  std::string clicks;
  for (const auto& [x, y] : centres)
    clicks += "mousemove " + std::to_string(scale.ToDevice(x) + 1) + " " +
              std::to_string(scale.ToDevice(y) + 1) + " mousedown 1 mouseup 1 ";
  ASSERT_TRUE(Xdo(clicks));
  ASSERT_TRUE(WaitUntil([&] { return probe->Seen().size() == centres.size(); }, 10000))
      << probe->Seen().size();
  EXPECT_EQ(probe->Seen(), centres);
  SaveShot(Capture(editor), "editor-window-2x");
  host->Dispatch(vst2::kEffectEditClose);
}

TEST_F(LargeScreen, TheDesktopsXftDpiOf192OpensTheModulesEditorAtTwiceTheSize) {
  SettingsManager desktop({{"Net/DoubleClickTime", 400}, {"Xft/DPI", 192 * 1024}});
  PluginWindow plugin;
  EXPECT_EQ(ReportedSize(plugin.Host()), std::make_pair(1600, 1200));
  ASSERT_TRUE(plugin.OpenEditor());
  const std::uint32_t editor = plugin.Editor();
  ASSERT_NE(editor, 0u);
  EXPECT_TRUE(WaitUntil([&] { return WindowSize(editor) == std::make_pair(1600, 1200); }));
  plugin.CloseEditor();
}

TEST_F(LargeScreen, QuorvantelScaleOutranksTheDesktop) {
  SettingsManager desktop({{"Xft/DPI", 192 * 1024}});
  setenv("QUORVANTEL_SCALE", "1.5", 1);
  PluginWindow plugin;
  unsetenv("QUORVANTEL_SCALE");
  EXPECT_EQ(ReportedSize(plugin.Host()), std::make_pair(1200, 900));
  ASSERT_TRUE(plugin.OpenEditor());
  EXPECT_TRUE(WaitUntil([&] { return WindowSize(plugin.Editor()) == std::make_pair(1200, 900); }));
  plugin.CloseEditor();
}

}  // namespace
}  // namespace qvtest
