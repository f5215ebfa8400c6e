// The effect's editor driven headless, as a window layer drives it: an effect made through the
// real creation path (with a recording host), its editor, ticks, clicks, drags and the wheel in
// client pixels, and a window layer that only pretends to be open, for the value entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/window_layer.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "tests/plugin/effect_fixture.h"

namespace editor_test {

using namespace gui;
using namespace quorvantel;

// An open "window" whose entry box is a string the test reads and types into.
class FakeWindow : public IWindowLayer {
 public:
  struct Box : IEntryWidget {
    explicit Box(FakeWindow& owner) : window(owner) {}
    ~Box() override { window.box = nullptr; }
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override { text = t; }
    FakeWindow& window;
    std::string text;
  };

  bool OpenWindow(void*) override { return open = true; }
  void CloseWindow() override { open = false; }
  bool IsWindowOpen() const override { return open; }
  void* GetWindow() const override { return nullptr; }
  void PresentRect(const Rect& r) override { presented.push_back(r); }
  std::unique_ptr<IEntryWidget> OpenEntryWidget(const EntryRequest& r, ValueEntry&) override {
    request = r;
    auto widget = std::make_unique<Box>(*this);
    widget->text = r.list ? (r.selected >= 0 ? r.items[r.selected] : "") : r.text;
    box = widget.get();
    return widget;
  }
  int PopupMenu(const std::vector<std::string>&, int, int) override { return 0; }
  std::string PromptForFile(int, const std::string&) override { return {}; }
  bool PromptForColor(Color&, const char*) override { return false; }
  bool OpenUrl(const char*, const char*, const char*, const char*) override { return false; }
  std::string HostPath() override { return {}; }
  std::string PluginPath() override { return {}; }

  bool open = false;
  std::vector<Rect> presented;
  EntryRequest request;
  Box* box = nullptr;
};

class EditorHarness : public EffectFixture {
 public:
  explicit EditorHarness(qvhost::HostScript script = TestHostScript())
      : EffectFixture(std::move(script)) {
    Dispatch(vst2::kEffectOpen);
    Editor().MarkAllControlsDirty();
    Tick(2);
  }

  QuorvantelEditor& Editor() { return Instance().EditorSurface(); }
  // Replaces the headless window layer by an open fake one.
  FakeWindow& OpenFakeWindow() {
    auto window = std::make_unique<FakeWindow>();
    FakeWindow& raw = *window;
    Editor().SetWindowLayer(std::move(window));
    raw.open = true;
    return raw;
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) Editor().Tick();
  }
  // The index of a control in the list.
  int IndexOf(const IControl* control) {
    for (int i = 0; i < Editor().ControlCount(); ++i)
      if (Editor().GetControl(i) == control) return i;
    return -1;
  }
  // The first control bound to the parameter.
  IControl* Bound(int parameter) {
    for (int i = 0; i < Editor().ControlCount(); ++i)
      if (Editor().GetControl(i)->ParamIdx() == parameter) return Editor().GetControl(i);
    return nullptr;
  }
  static int CentreX(const IControl* c) { return (c->DrawRect().left + c->DrawRect().right) / 2; }
  static int CentreY(const IControl* c) { return (c->DrawRect().top + c->DrawRect().bottom) / 2; }

  void Click(int x, int y, MouseMod mod = MouseMod{true}) {
    Editor().OnMouseDown(x, y, mod);
    Editor().OnMouseUp(x, y, mod);
  }
  void RightClick(const IControl* c) { Click(CentreX(c), CentreY(c), MouseMod{false, true}); }
  // Presses on c, moves by (dx, dy) in one step, releases there.
  void Drag(const IControl* c, int dx, int dy, MouseMod mod = MouseMod{true}) {
    const int x = CentreX(c), y = CentreY(c);
    Editor().OnMouseDown(x, y, mod);
    Editor().OnMouseDrag(x + dx, y + dy, mod);
    Editor().OnMouseUp(x + dx, y + dy, mod);
  }
  void SetParameter(int index, float normalized) {
    effect->setParameter(effect, index, normalized);
  }
  std::string Display(int index) {
    char text[64] = {};
    Dispatch(vst2::kEffectGetParamDisplay, index, 0, text);
    return text;
  }
};

}  // namespace editor_test
