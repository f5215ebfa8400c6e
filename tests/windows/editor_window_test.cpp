// The editor in a real Win32 window (under Wine in CI), inside a top-level window of the test's
// own as a host makes one, driven with real mouse and keyboard input through SendInput: it
// opens as the host's child and paints the editor, drags and clicks change parameters, a right
// click opens the native EDIT box that Return commits, and a source selector opens the
// drop-down COMBOBOX whose new choice commits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "common/platform/win32/windows_api.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/parameters/parameter_table.h"
#include "raster/png_write.h"
#include "tests/plugin/effect_fixture.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using namespace gui;
using namespace quorvantel;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}

class EditorWindow : public ::testing::Test, public EffectFixture {
 protected:
  void SetUp() override {
    Dispatch(vst2::kEffectOpen);
    WNDCLASSW hostClass{};
    hostClass.lpfnWndProc = &HostProc;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.lpszClassName = L"QvTestHostWindow";
    RegisterClassW(&hostClass);
    RECT frame{0, 0, kEditorWidth, kEditorHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    host_ = CreateWindowW(L"QvTestHostWindow", L"Quorvantel test host",
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, hostClass.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
    SetForegroundWindow(host_);
    ASSERT_EQ(Dispatch(vst2::kEffectEditOpen, 0, 0, host_), 1);
    editor_ = FindWindowExW(host_, nullptr, L"QuorvantelWndClass", L"Quorvantel");
    ASSERT_NE(editor_, nullptr);
    Pump(300);
  }

  void TearDown() override {
    Dispatch(vst2::kEffectEditClose);
    if (host_ != nullptr) DestroyWindow(host_);
  }

  QuorvantelEditor& Editor() { return Instance().EditorSurface(); }

  // Runs the message loop for ms milliseconds, as the host's UI thread does.
  void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Real input: the pointer moved to editor pixel (x, y), buttons, keys.
  void MoveTo(int x, int y) {
    POINT p{x, y};
    ClientToScreen(editor_, &p);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG(p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = LONG(p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    Pump(30);
  }
  void Button(DWORD flag) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof input);
    Pump(30);
  }
  void Key(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    Pump(30);
  }
  void Click(const IControl& c, DWORD down, DWORD up) {
    MoveTo(CentreX(c), CentreY(c));
    Button(down);
    Button(up);
    Pump(150);  // a few ticks
  }
  void Drag(const IControl& c, int dx, int dy) {
    MoveTo(CentreX(c), CentreY(c));
    Button(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 4; ++step)
      MoveTo(CentreX(c) + dx * step / 4, CentreY(c) + dy * step / 4);
    Button(MOUSEEVENTF_LEFTUP);
    Pump(150);
  }

  const IControl* Bound(int parameter) {
    for (int i = 0; i < Editor().ControlCount(); ++i)
      if (Editor().GetControl(i)->ParamIdx() == parameter) return Editor().GetControl(i);
    return nullptr;
  }
  static int CentreX(const IControl& c) { return (c.DrawRect().left + c.DrawRect().right) / 2; }
  static int CentreY(const IControl& c) { return (c.DrawRect().top + c.DrawRect().bottom) / 2; }

  std::string Display(int index) {
    char text[64] = {};
    Dispatch(vst2::kEffectGetParamDisplay, index, 0, text);
    return text;
  }

  // What the window shows, read back from its device context.
  raster::Bitmap Screenshot() {
    raster::Bitmap shot(kEditorWidth, kEditorHeight);
    HDC window = GetDC(editor_);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof info.bmiHeader, kEditorWidth, -kEditorHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, kEditorWidth, kEditorHeight, window, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(shot.Data(), bits, std::size_t(kEditorWidth) * kEditorHeight * 4);
    for (int i = 0; i < kEditorWidth * kEditorHeight; ++i) shot.Data()[i] |= 0xFF000000u;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(editor_, window);
    return shot;
  }

  HWND host_ = nullptr;
  HWND editor_ = nullptr;
};

TEST_F(EditorWindow, OpensAsTheHostsChildAndShowsWhatTheEditorDrew) {
  EXPECT_EQ(GetParent(editor_), host_);
  EXPECT_TRUE(GetWindowLongPtrW(editor_, GWL_STYLE) & WS_CHILD);
  RECT client{};
  GetClientRect(editor_, &client);
  EXPECT_EQ(client.right, kEditorWidth);
  EXPECT_EQ(client.bottom, kEditorHeight);
  EXPECT_EQ(GetFocus(), editor_);

  const raster::Bitmap shot = Screenshot();
  std::string error;
  EXPECT_TRUE(raster::WritePngFile(shot, "editor_window.png", error)) << error;
  // The window shows the draw bitmap pixel for pixel (presented with a plain copy).
  const raster::Bitmap& drawn = Editor().Pixels();
  int same = 0, total = 0;
  for (int y = 0; y < kEditorHeight; y += 7)
    for (int x = 0; x < kEditorWidth; x += 7, ++total)
      same += (shot.At(x, y) & 0xFFFFFF) == (drawn.At(x, y) & 0xFFFFFF);
  EXPECT_GT(same, total * 99 / 100) << same << " of " << total;
}

TEST_F(EditorWindow, AtAHostsScaleOf2ItOpensTwiceAsLargeAndClicksLandOnTheScaledControls) {
  Dispatch(vst2::kEffectEditClose);
  ASSERT_EQ(Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest, nullptr,
                     2.0f),
            1);
  vst2::ERect* rect = nullptr;
  ASSERT_EQ(Dispatch(vst2::kEffectEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, 2 * kEditorWidth);
  EXPECT_EQ(rect->bottom - rect->top, 2 * kEditorHeight);
  ASSERT_EQ(Dispatch(vst2::kEffectEditOpen, 0, 0, host_), 1);
  editor_ = FindWindowExW(host_, nullptr, L"QuorvantelWndClass", L"Quorvantel");
  ASSERT_NE(editor_, nullptr);
  Pump(300);
  RECT client{};
  GetClientRect(editor_, &client);
  EXPECT_EQ(client.right, 2 * kEditorWidth);
  EXPECT_EQ(client.bottom, 2 * kEditorHeight);
  // A click on the Length fader three quarters along, in device pixels, sets it near there.
  const IControl* length = Bound(kParamLength);
  ASSERT_NE(length, nullptr);
  const Rect& r = length->DrawRect();
  MoveTo(2 * (r.left + r.Width() * 3 / 4), 2 * CentreY(*length));
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  Pump(150);
  EXPECT_GT(Instance().Parameters().Normalized(kParamLength), 0.6);
}

TEST_F(EditorWindow, DraggingAFaderAndTheWheelChangeTheParameter) {
  const IControl* length = Bound(kParamLength);
  ASSERT_NE(length, nullptr);
  const double before = Value(kParamLength);
  Drag(*length, 60, 0);
  const double dragged = Value(kParamLength);
  EXPECT_NE(dragged, before);
  // The host heard one gesture around the drag.
  EXPECT_GE(host->CountCalls(vst2::kHostBeginEdit), 1);
  EXPECT_GE(host->CountCalls(vst2::kHostEndEdit), 1);
}

TEST_F(EditorWindow, RightClickOpensTheEditBoxAndReturnCommits) {
  const IControl* length = Bound(kParamLength);
  ASSERT_NE(length, nullptr);
  Click(*length, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  HWND box = FindWindowExW(editor_, nullptr, L"Edit", nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetDlgCtrlID(box), 99);
  EXPECT_EQ(GetFocus(), box);
  for (WORD key : {WORD('1'), WORD('2'), WORD('0')}) Key(key);
  Key(VK_RETURN);
  Pump(150);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(Display(kParamLength), "120.0");
  EXPECT_EQ(GetFocus(), editor_);
}

TEST_F(EditorWindow, SourceSelectorOpensTheDropDownListAndAChoiceCommits) {
  const IControl* source = Bound(kParamLength + 1);  // "Lng Mod"
  ASSERT_NE(source, nullptr);
  Click(*source, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  HWND list = FindWindowExW(editor_, nullptr, L"ComboBox", nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 8);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);  // "LFO 1"
  RECT r{};
  GetWindowRect(list, &r);
  MapWindowPoints(HWND_DESKTOP, editor_, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ((r.left + r.right) / 2, CentreX(*source));
  Key(VK_DOWN);  // the closed list takes the next text and tells the editor
  Pump(150);
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(Display(kParamLength + 1), "LFO 2");
}

// Chooses the third row of the popup menu once its modal loop runs.
VOID CALLBACK ChooseThirdRow(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  INPUT keys[6] = {};
  const WORD sequence[3] = {VK_DOWN, VK_DOWN, VK_RETURN};
  for (int i = 0; i < 6; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = sequence[i / 2];
    keys[i].ki.dwFlags = i % 2 == 1 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(6, keys, sizeof keys[0]);
}

TEST_F(EditorWindow, PopupMenuChoiceSetsTheParameterAndPathsEndInABackslash) {
  IControl* source = const_cast<IControl*>(Bound(kParamLength + 1));
  MoveTo(CentreX(*source), CentreY(*source));
  SetTimer(nullptr, 0, 300, &ChooseThirdRow);
  Editor().PopupParamMenu(source,
                          &Instance().Parameters().Definition(SourceParameter(kParamLength)), 4);
  Pump(100);
  EXPECT_EQ(Display(kParamLength + 1), "LFO 2");

  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder.resize(folder.find_last_of(L'\\') + 1);
  const std::string hostPath = Editor().Window().HostPath();
  EXPECT_EQ(hostPath, std::string(folder.begin(), folder.end()));
  EXPECT_EQ(Editor().Window().PluginPath(), hostPath);  // the editor is linked into this program
}

TEST_F(EditorWindow, ClosingWithTheEntryOpenAndReopeningIsSafe) {
  const IControl* length = Bound(kParamLength);
  Click(*length, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  ASSERT_NE(FindWindowExW(editor_, nullptr, L"Edit", nullptr), nullptr);
  Dispatch(vst2::kEffectEditClose);
  EXPECT_FALSE(IsWindow(editor_));
  EXPECT_FALSE(Editor().Entry().IsOpen());
  ASSERT_EQ(Dispatch(vst2::kEffectEditOpen, 0, 0, host_), 1);
  editor_ = FindWindowExW(host_, nullptr, L"QuorvantelWndClass", L"Quorvantel");
  EXPECT_NE(editor_, nullptr);
  // The host destroying its window under an open editor leaves nothing dangling.
  DestroyWindow(host_);
  host_ = nullptr;
  EXPECT_FALSE(Editor().IsWindowOpen());
  EXPECT_EQ(Dispatch(vst2::kEffectEditOpen, 0, 0, nullptr), 0);  // no parent: refused, still usable
}

}  // namespace
