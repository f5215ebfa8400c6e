// The editor in a real X window under Xvfb, driven as a user drives it (xdotool) through the
// plug-in's binary interface: drags, wheel, value entry, statistics, several instances, threads
// that close it at awkward moments, and a display that refuses or disappears.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "tests/gui/gui_harness.h"
#include "tests/gui/virtual_display.h"

namespace qvtest {
namespace {

using namespace std::chrono_literals;

// Editor coordinates of the controls the tests use (the host window sits at the screen's
// top-left corner, so they are screen coordinates too).
constexpr int kDryKnobX = 373, kDryKnobY = 273;     // "Dry", parameter 87
constexpr int kLengthFaderY = 35;                   // "Length", parameter 0, x 70..221
constexpr int kLengthModX = 275, kLengthModY = 40;  // "Lng Mod", parameter 1
constexpr int kDry = 87, kLength = 0, kLengthMod = 1;

int CountEntries(const char* folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// A mostly drawn window: the editor's artwork has hardly any pure black.
bool Painted(std::uint32_t window) {
  const raster::Bitmap shot = Capture(window);
  if (shot.Empty()) return false;
  int black = 0;
  for (int i = 0; i < shot.Width() * shot.Height(); ++i) black += shot.Data()[i] == 0xff000000u;
  return black < shot.Width() * shot.Height() / 4;
}

// Processes blocks of noise, and optionally automates parameters, on threads of their own.
class Traffic {
 public:
  Traffic(qvhost::PluginHost& host, bool automate) : host_(host) {
    audio_ = std::thread([this] { Audio(); });
    if (automate) automation_ = std::thread([this] { Automate(); });
  }
  ~Traffic() {
    stop_ = true;
    audio_.join();
    if (automation_.joinable()) automation_.join();
  }

 private:
  void Audio() {
    std::vector<float> in(512), left(512), right(512);
    unsigned seed = 1;
    while (!stop_) {
      for (float& s : in)
        s = float(int((seed = seed * 1103515245u + 12345u) >> 16) % 2001 - 1000) / 2000.0f;
      float* inputs[] = {in.data(), in.data()};
      float* outputs[] = {left.data(), right.data()};
      host_.ProcessReplacing(inputs, outputs, 512);
      std::this_thread::sleep_for(2ms);
    }
  }
  void Automate() {
    for (int step = 0; !stop_; ++step) {
      host_.Effect()->setParameter(host_.Effect(), step % 89, float(step % 11) / 10.0f);
      std::this_thread::sleep_for(1ms);
    }
  }

  qvhost::PluginHost& host_;
  std::atomic<bool> stop_{false};
  std::thread audio_, automation_;
};

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
    plugin_ = std::make_unique<PluginWindow>();
    ASSERT_TRUE(plugin_->OpenEditor());
    editor_ = plugin_->Editor();
    ASSERT_NE(editor_, 0u);
    ASSERT_TRUE(WaitUntil([&] { return Painted(editor_); }));
  }
  int Calls(vst2::int32 opcode) { return plugin_->Host().CountCalls(opcode); }
  bool DisplayBecomes(int index, const std::string& text) {
    return WaitUntil([&] { return plugin_->Display(index) == text; });
  }

  std::unique_ptr<PluginWindow> plugin_;
  std::uint32_t editor_ = 0;
};

TEST_F(EditorWindow, IsANamedChildOfTheHostWindowShowingTheWholeEditor) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, editor_), nullptr);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->x, 0);
  EXPECT_EQ(g->y, 0);
  EXPECT_EQ(g->width, 800);
  EXPECT_EQ(g->height, 600);
  std::free(g);
  auto* name = xcb_get_property_reply(
      c, xcb_get_property(c, 0, editor_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64), nullptr);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(xcb_get_property_value(name)),
                        xcb_get_property_value_length(name)),
            "Quorvantel");
  std::free(name);
  auto* cls = xcb_get_property_reply(
      c, xcb_get_property(c, 0, editor_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr);
  ASSERT_NE(cls, nullptr);
  const std::string classes(static_cast<const char*>(xcb_get_property_value(cls)),
                            xcb_get_property_value_length(cls));
  EXPECT_NE(classes.find("QuorvantelWndClass"), std::string::npos);
  std::free(cls);
  xcb_disconnect(c);
  SaveShot(Capture(editor_), "editor-window");
  // Opcode 19 is harmless.
  EXPECT_EQ(plugin_->Host().Dispatch(vst2::kEffectEditIdle), 0);
}

TEST_F(EditorWindow, KnobAndFaderDragsReachTheHostAsGesturesAndKeepTheMouseOutside) {
  plugin_->Host().ClearCalls();
  // 52 pixels up is half of a knob's sweep.
  ASSERT_TRUE(Xdo("mousemove 373 273 mousedown 1 mousemove 373 250 mousemove 373 221 mouseup 1"));
  ASSERT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(kDry) == 0.5f; }));
  EXPECT_TRUE(WaitUntil([&] { return Calls(vst2::kHostEndEdit) == 1; }))
      << Calls(vst2::kHostBeginEdit) << " " << Calls(vst2::kHostEndEdit);
  EXPECT_EQ(Calls(vst2::kHostBeginEdit), 1);
  EXPECT_GE(Calls(vst2::kHostAutomate), 1);
  // Dragged far below the window (which ends at y 600) and back up a quarter sweep: the knob
  // follows all the way. (Pauses: a press so soon after the last would double-click, and moves
  // read together count as one, which clamps differently.)
  ASSERT_TRUE(
      Xdo("mousemove 373 273 sleep 0.45 mousedown 1 mousemove 373 690 sleep 0.1 "
          "mousemove 373 664 mouseup 1"));
  EXPECT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(kDry) == 0.25f; }));
  // The fader jumps to the pointer and follows it.
  ASSERT_TRUE(Xdo("mousemove 145 35 mousedown 1"));
  EXPECT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(kLength) == 0.5f; }));
  ASSERT_TRUE(Xdo("mousemove 215 35 mouseup 1"));
  EXPECT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(kLength) == 1.0f; }));
  EXPECT_TRUE(WaitUntil([&] { return Calls(vst2::kHostEndEdit) == 3; }));
  EXPECT_EQ(Calls(vst2::kHostBeginEdit), 3);
}

TEST_F(EditorWindow, TheWheelStepsASourceSelectorThroughItsTexts) {
  ASSERT_TRUE(Xdo("mousemove 275 40 click 4"));
  EXPECT_TRUE(DisplayBecomes(kLengthMod, "LFO 2"));
  ASSERT_TRUE(Xdo("click 5 click 5"));
  EXPECT_TRUE(DisplayBecomes(kLengthMod, "LFO 8"));  // below the first it wraps to the last
}

TEST_F(EditorWindow, ATypedValueIsCommittedByReturn) {
  ASSERT_TRUE(Xdo("mousemove 145 35 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  ASSERT_TRUE(Xdo("type 75"));
  std::this_thread::sleep_for(100ms);
  SaveShot(Capture(editor_), "entry-edit-box");
  EXPECT_EQ(plugin_->Display(kLength), "30.0");  // nothing before Return
  ASSERT_TRUE(Xdo("key Return"));
  EXPECT_TRUE(DisplayBecomes(kLength, "75.0"));
  EXPECT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 0; }));
  // Text that stands for no value closes the box and leaves the value alone.
  ASSERT_TRUE(Xdo("mousemove 145 35 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  ASSERT_TRUE(Xdo("type abc"));
  ASSERT_TRUE(Xdo("key Return"));
  EXPECT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 0; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(plugin_->Display(kLength), "75.0");
}

TEST_F(EditorWindow, TheSourceReadOutNamesTheChannelThatPlaysAndMidSide) {
  constexpr int kSource = 6, kPan = 9;
  // The white text's pixels of a read-out, apart from the row's shading behind it.
  auto textOf = [&](int y) {
    std::vector<bool> text;
    for (std::uint32_t p : Region(Capture(editor_), 70, y, 130, y + 18))
      text.push_back(((p >> 16) & 0xff) > 160 && ((p >> 8) & 0xff) > 160 && (p & 0xff) > 160);
    return text;
  };
  auto source = [&] { return textOf(100); };
  auto pan = [&] { return textOf(190); };
  // Source 0 reads the right input: its read-out shows what Pan 1 shows, "100%R".
  plugin_->Host().SetParameter(kPan, 1.0f);
  const bool same = WaitUntil([&] { return source() == pan(); });
  SaveShot(Capture(editor_), "source-reads-right");
  ASSERT_TRUE(same);
  const auto right = source();
  // Typed in the read-out's own form: the fader goes to the other end.
  ASSERT_TRUE(Xdo("mousemove 145 125 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  ASSERT_TRUE(Xdo("type 100%L"));
  ASSERT_TRUE(Xdo("key Return"));
  ASSERT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(kSource) == 1.0f; }));
  ASSERT_TRUE(WaitUntil([&] { return source() != right; }));
  const auto left = source();
  // With Mid/Side on, the same value reads the mid signal: the text changes, the value stays.
  ASSERT_TRUE(Xdo("mousemove 365 325 click 1"));
  ASSERT_TRUE(WaitUntil([&] { return plugin_->Display(86) == "on"; }));
  EXPECT_TRUE(WaitUntil([&] { return source() != left && source() != right; }));
  EXPECT_EQ(plugin_->Host().GetParameter(kSource), 1.0f);
  SaveShot(Capture(editor_), "source-reads-mid");
}

TEST_F(EditorWindow, TypedValuesTakeTheReadOutsFormsAndTextThatIsNoValueChangesNothing) {
  constexpr int kPan = 9, kRate1 = 55, kSync1 = 56;
  auto type = [&](int x, int y, const char* text) {
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3"));
    ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
    ASSERT_TRUE(Xdo(std::string("type ") + text));
    ASSERT_TRUE(Xdo("key Return"));
    ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 0; }));
  };
  type(145, 215, "30%L");
  EXPECT_TRUE(DisplayBecomes(kPan, "0.35"));
  type(145, 215, "abc");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(plugin_->Display(kPan), "0.35");
  // A synced LFO takes the division its read-out shows.
  ASSERT_TRUE(Xdo("mousemove 655 64 click 1"));
  ASSERT_TRUE(DisplayBecomes(kSync1, "on"));
  auto rateText = [&] { return Region(Capture(editor_), 650, 45, 700, 57); };
  const auto before = rateText();
  type(628, 58, "1/4");
  EXPECT_TRUE(WaitUntil(
      [&] { return std::fabs(plugin_->Host().GetParameter(kRate1) - 12.5f / 22.0f) < 1e-6f; }));
  EXPECT_TRUE(WaitUntil([&] { return rateText() != before; }));
  SaveShot(Capture(editor_), "typed-quarter-note");
}

TEST_F(EditorWindow, HoveringOrDraggingAControlShowsItsNameAndValueInAHintBox) {
  // The hint box's amber frame at its top-left corner.
  auto frameAt = [&](int x, int y) {
    return (Capture(editor_).Data()[y * 800 + x] & 0xffffffu) == 0xe0a040u;
  };
  // Below the Length fader (70, 30 .. 221, 41).
  ASSERT_TRUE(Xdo("mousemove 145 35"));
  EXPECT_TRUE(WaitUntil([&] { return frameAt(70, 43); }));
  SaveShot(Capture(editor_), "hint-hover-length");
  // Dragging the Dry knob (360, 260 .. 386, 286) moves the hint there and the value with it.
  ASSERT_TRUE(Xdo("mousemove 373 273 sleep 0.45 mousedown 1 mousemove 373 250 mousemove 373 240"));
  EXPECT_TRUE(WaitUntil([&] { return frameAt(360, 288); }));
  EXPECT_FALSE(frameAt(70, 43));
  ASSERT_TRUE(WaitUntil([&] { return plugin_->Host().GetParameter(87) > 0.0f; }));
  std::this_thread::sleep_for(100ms);
  SaveShot(Capture(editor_), "hint-drag-dry");
  ASSERT_TRUE(Xdo("mouseup 1"));
  // Over the background: no hint, and what it covered is painted again.
  ASSERT_TRUE(Xdo("mousemove 780 590"));
  EXPECT_TRUE(WaitUntil([&] { return !frameAt(360, 288); }));
}

TEST_F(EditorWindow, AChoiceFromTheDropDownListCommits) {
  ASSERT_TRUE(Xdo("mousemove 275 40 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  std::this_thread::sleep_for(100ms);
  SaveShot(Capture(editor_), "entry-drop-down-list");
  // Rows of 18 pixels from the list's top at the selector's centre (y 40): the fourth row.
  ASSERT_TRUE(Xdo("mousemove 280 104 click 1"));
  EXPECT_TRUE(DisplayBecomes(kLengthMod, "LFO 4"));
  EXPECT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 0; }));
}

TEST_F(EditorWindow, RightClicksOnTheBackgroundOpenNothingAndCancelAnOpenEntry) {
  ASSERT_TRUE(Xdo("mousemove 780 590 click 3"));
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(ChildCount(editor_), 0);
  ASSERT_TRUE(Xdo("mousemove 145 35 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  ASSERT_TRUE(Xdo("type 99"));
  ASSERT_TRUE(Xdo("mousemove 780 590 click 3"));
  EXPECT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 0; }));
  EXPECT_EQ(plugin_->Display(kLength), "30.0");
}

TEST_F(EditorWindow, TheStatisticsChangeWhileAudioIsProcessed) {
  auto statistics = [&] { return Region(Capture(editor_), 420, 355, 475, 395); };
  const auto idle = statistics();
  Traffic traffic(plugin_->Host(), false);
  EXPECT_TRUE(WaitUntil([&] { return statistics() != idle; }, 5000));
  SaveShot(Capture(editor_), "editor-with-audio");
}

TEST_F(EditorWindow, TwoInstancesAreOpenAtOnceEachWithItsOwnValues) {
  PluginWindow second(820);
  ASSERT_TRUE(second.OpenEditor());
  ASSERT_TRUE(WaitUntil([&] { return Painted(second.Editor()); }));
  ASSERT_TRUE(Xdo("mousemove 1095 40 click 4"));  // the second one's "Lng Mod"
  EXPECT_TRUE(WaitUntil([&] { return second.Display(kLengthMod) == "LFO 2"; }));
  ASSERT_TRUE(Xdo("mousemove 275 40 click 5"));
  EXPECT_TRUE(DisplayBecomes(kLengthMod, "LFO 8"));
  EXPECT_EQ(second.Display(kLengthMod), "LFO 2");
}

TEST_F(EditorWindow, OpenedAndClosedAHundredTimesLeavesNoThreadNorConnectionBehind) {
  plugin_->CloseEditor();
  const int threads = CountEntries("/proc/self/task"), fds = CountEntries("/proc/self/fd");
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(plugin_->OpenEditor()) << i;
    plugin_->CloseEditor();
  }
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
  EXPECT_EQ(ChildCount(plugin_->Window().Id()), 0);
  // Reopened, it draws everything again, including values changed while it was closed.
  plugin_->Host().SetParameter(kLengthMod, 1.0f);
  ASSERT_TRUE(plugin_->OpenEditor());
  const std::uint32_t editor = plugin_->Editor();
  EXPECT_TRUE(WaitUntil([&] { return Painted(editor); }));
}

TEST_F(EditorWindow, ClosesFromAnyThreadDuringADragOrWithTheEntryOpenWhileAudioAndAutomationRun) {
  Traffic traffic(plugin_->Host(), true);
  auto closeElsewhere = [&] {
    auto closed = std::async(std::launch::async, [&] { plugin_->CloseEditor(); });
    return closed.wait_for(5s) == std::future_status::ready;
  };
  // A drag in progress: the editor thread is sending values and gestures.
  ASSERT_TRUE(Xdo("mousemove 373 273 mousedown 1 mousemove 373 200 mousemove 373 150"));
  EXPECT_TRUE(closeElsewhere());
  ASSERT_TRUE(Xdo("mouseup 1"));
  EXPECT_EQ(Calls(vst2::kHostBeginEdit), Calls(vst2::kHostEndEdit));
  ASSERT_TRUE(plugin_->OpenEditor());
  editor_ = plugin_->Editor();
  ASSERT_TRUE(WaitUntil([&] { return Painted(editor_); }));
  ASSERT_TRUE(Xdo("mousemove 145 35 click 3"));
  ASSERT_TRUE(WaitUntil([&] { return ChildCount(editor_) == 1; }));
  EXPECT_TRUE(closeElsewhere());
  ASSERT_TRUE(plugin_->OpenEditor());
  editor_ = plugin_->Editor();
  EXPECT_EQ(ChildCount(editor_), 0);
  // Dragging and wheeling while both threads run.
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(
        Xdo("mousemove 373 273 mousedown 1 mousemove 373 240 mouseup 1 "
            "mousemove 275 40 click 4"));
  for (int i = 0; i < 89; ++i) EXPECT_TRUE(std::isfinite(plugin_->Host().GetParameter(i)));
}

TEST(EditorWindowDoubleClick, ResetsAKnobWithinTheDesktopsDoubleClickTime) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  // Two clicks on the Dry knob 700 ms apart: two clicks with the usual 400 ms...
  auto clickTwice = [](PluginWindow& plugin) {
    plugin.Host().SetParameter(kDry, 0.5f);
    ASSERT_TRUE(plugin.OpenEditor());
    ASSERT_TRUE(Xdo("mousemove 373 273 sleep 0.5 click 1 sleep 0.7 click 1"));
  };
  {
    PluginWindow plugin;
    clickTwice(plugin);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(plugin.Host().GetParameter(kDry), 0.5f);
  }
  // ...and a double click, which restores the default, where the desktop allows 1.5 s.
  SettingsManager desktop({{"Net/DoubleClickTime", 1500}});
  PluginWindow plugin;
  clickTwice(plugin);
  EXPECT_TRUE(WaitUntil([&] { return plugin.Host().GetParameter(kDry) == 0.0f; }));
}

TEST(EditorWindowFailures, NoDisplayOrAParentThatIsNoWindowAnswersZeroAndThePluginWorks) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  PluginWindow plugin;
  const std::string display = TestDisplay();
  unsetenv("DISPLAY");
  EXPECT_EQ(plugin.Host().Dispatch(vst2::kEffectEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)),
            0);
  setenv("DISPLAY", ":999", 1);  // nobody listens there
  EXPECT_EQ(plugin.Host().Dispatch(vst2::kEffectEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)),
            0);
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(plugin.Host().Dispatch(vst2::kEffectEditOpen, 0, 0, reinterpret_cast<void*>(0x3ffffff)),
            0);
  EXPECT_EQ(plugin.Host().Dispatch(vst2::kEffectEditClose), 1);
  std::vector<float> in(256, 0.25f), left(256), right(256);
  float* inputs[] = {in.data(), in.data()};
  float* outputs[] = {left.data(), right.data()};
  plugin.Host().ProcessReplacing(inputs, outputs, 256);
  EXPECT_TRUE(std::isfinite(left[255]));
  EXPECT_TRUE(plugin.OpenEditor());
}

TEST(EditorWindowFailures, TheServerGoingAwayOrTheHostDestroyingTheParentLeavesAUsablePlugin) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  const std::string main = TestDisplay();
  const int threads = CountEntries("/proc/self/task");
  {
    VirtualDisplay doomed(900, 700);
    ASSERT_FALSE(doomed.Name().empty());
    setenv("DISPLAY", doomed.Name().c_str(), 1);
    PluginWindow plugin;
    ASSERT_TRUE(plugin.OpenEditor());
    doomed.Kill();
    // The editor thread ends by itself; the process goes on.
    EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") == threads; }));
    plugin.CloseEditor();
    setenv("DISPLAY", main.c_str(), 1);
  }
  PluginWindow plugin;
  ASSERT_TRUE(plugin.OpenEditor());
  plugin.DestroyWindow();
  EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") == threads; }));
  plugin.CloseEditor();
}

TEST(EditorWindowPainting, WithoutSharedMemoryTheWindowShowsTheSamePixels) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  const std::string main = TestDisplay();
  raster::Bitmap withShm, withoutShm;
  {
    PluginWindow plugin;
    ASSERT_TRUE(plugin.OpenEditor());
    const std::uint32_t editor = plugin.Editor();
    ASSERT_TRUE(WaitUntil([&] { return Painted(editor); }));
    withShm = Capture(editor);
  }
  VirtualDisplay plain(900, 700, {"-extension", "MIT-SHM"});
  ASSERT_FALSE(plain.Name().empty());
  setenv("DISPLAY", plain.Name().c_str(), 1);
  {
    PluginWindow plugin;
    ASSERT_TRUE(plugin.OpenEditor());
    const std::uint32_t editor = plugin.Editor();
    ASSERT_TRUE(WaitUntil([&] { return Painted(editor); }));
    withoutShm = Capture(editor);
  }
  setenv("DISPLAY", main.c_str(), 1);
  ASSERT_FALSE(withShm.Empty());
  ASSERT_EQ(withoutShm.Width(), withShm.Width());
  EXPECT_TRUE(std::equal(withShm.Data(), withShm.Data() + 800 * 600, withoutShm.Data()));
}

}  // namespace
}  // namespace qvtest
