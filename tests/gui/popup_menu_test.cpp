// The parameter popup menu in a real window. No control of this editor opens it, so the test
// adds one that does on a right click, in the editor of a plug-in made in this process.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "tests/gui/gui_harness.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

using namespace quorvantel;

namespace qvtest {
namespace {

constexpr int kShape1 = LfoParameter(0, 0);  // "Shape1": Const, Triangle, Square, Sine, ...

// A right click shows its parameter's texts as a popup menu, four to a column.
class MenuProbe : public gui::IControl {
 public:
  MenuProbe(const gui::Rect& rect, int parameter) : IControl(rect, parameter, gui::BlendNone) {}
  void MouseDown(int, int, const gui::MouseMod& mod) override {
    if (mod.right) Surface()->PopupParamMenu(this, Surface()->Definition(ParamIdx()), 4);
  }
  bool Draw(gui::IEditorSurface&) override { return true; }
};

vst2::AEffect* Entry(vst2::HostCallback callback) { return CreateQuorvantelEffect(callback); }

TEST(PopupMenu, ShowsTheTextsInColumnsAndAChoiceSetsTheParameter) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  std::string error;
  auto host = qvhost::PluginHost::Start(Entry, "Quorvantel", &error);
  ASSERT_TRUE(host) << error;
  host->Open();
  gui::IEditorSurface& surface = FromEffect(host->Effect())->EditorSurface();
  surface.AttachControl(std::make_unique<MenuProbe>(gui::Rect{760, 580, 800, 600}, kShape1));
  auto window = qvhost::HostWindow::Create(0, 0, 800, 600, "popup test", &error);
  ASSERT_TRUE(window) << error;
  ASSERT_EQ(host->Dispatch(vst2::kEffectEditOpen, 0, 0,
                           reinterpret_cast<void*>(std::uintptr_t(window->Id()))),
            1);
  // The menu is a window of its own on the screen, at the pointer: two columns of four rows
  // of 20 pixels.
  const int windows = ChildCount(RootWindow());
  auto menuShown = [&] {
    return WaitUntil([&] { return ChildCount(RootWindow()) == windows + 1; }, 10000);
  };
  auto menuGone = [&] { return ChildCount(RootWindow()) == windows; };
  // The menu takes the pointer a moment after it appears; a click before that lands on the
  // empty screen beside the editor, so each click is repeated until it has its effect.
  auto clickUntil = [&](const char* where, const std::function<bool()>& done) {
    return WaitUntil([&] { return Xdo(std::string("mousemove ") + where + " click 1") && done(); },
                     10000);
  };
  ASSERT_TRUE(Xdo("mousemove 700 400 mousemove 780 590 click 3"));
  ASSERT_TRUE(menuShown());
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  SaveShot(Capture(RootWindow()), "popup-menu");
  // First column, third row: "Square".
  EXPECT_TRUE(clickUntil("790 640", [&] { return host->ParamDisplay(kShape1) == "Square"; }));
  EXPECT_TRUE(WaitUntil(menuGone));
  // A click outside the menu (and outside the editor) dismisses it and changes nothing.
  ASSERT_TRUE(Xdo("mousemove 780 590 click 3"));
  ASSERT_TRUE(menuShown());
  EXPECT_TRUE(clickUntil("1300 100", menuGone));
  EXPECT_EQ(host->ParamDisplay(kShape1), "Square");
  host->Dispatch(vst2::kEffectEditClose);
}

}  // namespace
}  // namespace qvtest
