// The surface: control list, tick, painting, hit testing, input routing and value flow.
#include "gui/editor_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gui/bitmap_cache.h"
#include "gui/bitmap_controls.h"

namespace gui {

namespace {

// The hint box: white text on a near-black box with an amber frame.
constexpr TextStyle kHintStyle{};
constexpr Color kHintBackground{255, 24, 24, 28};
constexpr Color kHintBorder{255, 224, 160, 64};
constexpr int kHintPadding = 4;

}  // namespace

int KeyCodeFromVirtualKey(int key) {
  switch (key) {
    case 32:
      return kKeySpace;
    case 37:
      return kKeyLeft;
    case 38:
      return kKeyUp;
    case 39:
      return kKeyRight;
    case 40:
      return kKeyDown;
    default:
      break;
  }
  if (key >= '0' && key <= '9') return 5 + key - '0';
  if (key >= 'A' && key <= 'Z') return 15 + key - 'A';
  if (key >= 'a' && key <= 'z') return 15 + key - 'a';
  return -1;
}

IEditorSurface::IEditorSurface(framework::IEditorLink& link, ResourceTable images, int width,
                               int height, int fps)
    : link_(link),
      images_(images),
      width_(width),
      height_(height),
      fps_(fps > 0 ? fps : kEditorFps),
      envScale_(ScaleFromText(std::getenv("QUORVANTEL_SCALE"))),
      mailbox_(link.ParameterCount()),
      plainValues_(mailbox_.Count(), 0.0),
      boundTo_(mailbox_.Count()),
      entry_(*this),
      window_(CreateWindowLayer(*this)) {}

IEditorSurface::~IEditorSurface() { CloseWindow(); }

int IEditorSurface::AttachControl(std::unique_ptr<IControl> control) {
  control->SetSurface(this);
  const int index = control->ParamIdx();
  if (index >= 0 && index < int(boundTo_.size())) boundTo_[index].push_back(control.get());
  controls_.push_back(std::move(control));
  return int(controls_.size()) - 1;
}

void IEditorSurface::AttachBackground(int id, const char* name) {
  auto background = std::make_unique<IBitmapControl>(0, 0, -1, LoadBitmap(id, name, 1), BlendCopy);
  background->SetSurface(this);
  controls_.insert(controls_.begin(), std::move(background));
  if (capture_ >= 0) ++capture_;
}

BitmapRef IEditorSurface::LoadBitmap(int id, const char* name, int frames) {
  return gui::LoadBitmap(images_, id, name, frames);
}

void IEditorSurface::SetParameterFromPlugin(int index, double value, bool normalized) {
  const ParameterDefinition* parameter = Definition(index);
  if (parameter == nullptr || !std::isfinite(value)) return;
  if (normalized)
    mailbox_.Post(index, value, parameter->ValueFromNormalized(value));
  else
    mailbox_.Post(index, parameter->NormalizedOf(value), value);
}

void IEditorSurface::DropPendingValue(int index) {
  if (index >= 0 && index < mailbox_.Count()) mailbox_.Discard(index);
}

void IEditorSurface::PrepareDraw() {
  if (draw_ == nullptr) {
    drawScale_ = DeviceScale(Scale());
    draw_ = std::make_unique<DrawContext>(width_, height_, drawScale_, images_);
  }
  TakeParameterValues();
}

double IEditorSurface::Scale() const {
  if (envScale_ > 0.0) return envScale_;
  const double host = hostScale_.load(std::memory_order_relaxed);
  if (host > 0.0) return host;
  const double desktop = desktopScale_.load(std::memory_order_relaxed);
  return desktop > 0.0 ? desktop : 1.0;
}

double IEditorSurface::WindowScale() const {
  if (envScale_ <= 0.0 && hostScale_.load(std::memory_order_relaxed) <= 0.0 &&
      desktopScale_.load(std::memory_order_relaxed) < 0.0) {
    // Two threads asking at once both ask the desktop, which answers both the same.
    const double desktop = window_->DesktopScale();
    desktopScale_.store(desktop > 0.0 ? ClampScale(desktop) : 0.0, std::memory_order_relaxed);
  }
  return Scale();
}

int IEditorSurface::Width() const { return DeviceScale(WindowScale()).ToDevice(width_); }

int IEditorSurface::Height() const { return DeviceScale(WindowScale()).ToDevice(height_); }

void IEditorSurface::SetScale(double factor) {
  hostScale_.store(factor > 0.0 ? ClampScale(factor) : 0.0, std::memory_order_relaxed);
}

void IEditorSurface::SetDesktopScale(double factor) {
  desktopScale_.store(factor > 0.0 ? ClampScale(factor) : 0.0, std::memory_order_relaxed);
}

bool IEditorSurface::ApplyScale() {
  const DeviceScale wanted(Scale());
  if (draw_ == nullptr || wanted == drawScale_) return false;
  // The entry box sits where the old scale put it.
  entry_.Close();
  drawScale_ = wanted;
  draw_ = std::make_unique<DrawContext>(width_, height_, drawScale_, images_);
  MarkAllControlsDirty();
  return true;
}

bool IEditorSurface::OpenWindow(void* parent) {
  // An open window closes first, and with it the entry, the capture and any gesture.
  CloseWindow();
  return window_->OpenWindow(parent);
}

void IEditorSurface::CloseWindow() {
  window_->CloseWindow();
  entry_.Close();
  capture_ = lastX_ = lastY_ = hover_ = -1;
  // A drag cut short by the close still ends its gesture.
  EndGesture();
}

bool IEditorSurface::IsWindowOpen() const { return window_->IsWindowOpen(); }

void* IEditorSurface::GetWindow() const { return window_->GetWindow(); }

void IEditorSurface::TakeParameterValues() {
  for (int i = 0; i < mailbox_.Count(); ++i) {
    double normalized = 0.0, plain = 0.0;
    if (!mailbox_.Take(i, &normalized, &plain)) continue;
    plainValues_[i] = plain;
    for (IControl* control : boundTo_[i]) control->SetValueFromPlugin(normalized);
  }
}

void IEditorSurface::Tick() {
  if (ApplyScale() && IsWindowOpen()) window_->DeviceSizeChanged();
  if (entry_.IsOpen()) {
    // While the box has the focus the editor neither ticks nor repaints.
    if (entry_.State() == EntryFocused) return;
    if (entry_.State() != EntryIdle) {
      entry_.HandleTick();
      return;
    }
  }
  TakeParameterValues();
  TakeHandOvers();
  UpdateHint();
  Rect dirty;
  if (!CollectDirty(&dirty)) return;
  DrawDirty(dirty);
  if (entry_.IsOpen()) entry_.SetState(EntryRefresh);
}

void IEditorSurface::MarkAllControlsDirty() {
  for (auto& control : controls_) control->MarkDirty(false);
}

bool IEditorSurface::CollectDirty(Rect* dirty) {
  Rect area;
  bool any = false;
  for (auto& control : controls_) {
    control->Notify();
    if (control->IsDirty()) {
      area = area.Union(control->DrawRect());
      any = true;
    }
  }
  if (!hintDirty_.IsEmpty()) {
    area = area.Union(hintDirty_);
    any = true;
  }
  if (dirty != nullptr) *dirty = area;
  return any;
}

bool IEditorSurface::DrawDirty(const Rect& r) {
  if (controls_.empty() || r.IsEmpty() || draw_ == nullptr) return false;
  draw_->SetDrawRect(r);
  for (auto& control : controls_) {
    if (!control->IsHidden() && control->DrawRect().Intersects(r)) control->Draw(*this);
    control->MarkClean();
  }
  DrawHint(r);
  window_->PresentRect(drawScale_.ToDevice(r));
  return true;
}

std::string IEditorSurface::HintFor(int index) const {
  const ParameterDefinition* parameter = Definition(index);
  if (parameter == nullptr) return "";
  char text[64] = {};
  parameter->DisplayString(PlainValue(index), false, text, sizeof text);
  std::string hint = std::string(parameter->Name()) + " " + text;
  if (parameter->Label()[0] != '\0') hint += std::string(" ") + parameter->Label();
  return hint;
}

void IEditorSurface::UpdateHint() {
  const int shown = capture_ >= 0 ? capture_ : hover_;
  std::string text;
  Rect box;
  if (shown >= 0 && shown < int(controls_.size()) && !entry_.IsOpen() && draw_ != nullptr) {
    const IControl& control = *controls_[shown];
    if (!control.IsHidden() && !control.IsGrayed() && Definition(control.ParamIdx()) != nullptr)
      text = HintFor(control.ParamIdx());
    if (!text.empty()) {
      // Below the control, or above it at the bottom of the editor, inside the editor.
      const int w = draw_->TextWidth(kHintStyle, text.c_str()) + 2 * kHintPadding;
      const int h = kHintStyle.size + 4;
      const Rect& r = control.DrawRect();
      int top = r.bottom + 2;
      if (top + h > height_) top = r.top - 2 - h;
      const int left = std::clamp(r.left, 0, std::max(0, width_ - w));
      box = Rect{left, std::max(0, top), left + w, std::max(0, top) + h};
    }
  }
  if (text == hintText_ && box == hintRect_) return;
  // The old box is painted over by what lies beneath it, the new one drawn.
  hintDirty_ = hintDirty_.Union(hintRect_).Union(box);
  hintText_ = text;
  hintRect_ = box;
}

void IEditorSurface::DrawHint(const Rect& r) {
  hintDirty_ = Rect{};
  if (hintText_.empty() || !hintRect_.Intersects(r)) return;
  draw_->FillRect(kHintBackground, hintRect_, nullptr);
  draw_->DrawRect(kHintBorder,
                  Rect{hintRect_.left, hintRect_.top, hintRect_.right - 1, hintRect_.bottom - 1});
  draw_->DrawText(kHintStyle, hintText_.c_str(),
                  Rect{hintRect_.left + kHintPadding, hintRect_.top + 1,
                       hintRect_.right - kHintPadding, hintRect_.bottom});
}

int IEditorSurface::ControlAt(int x, int y) const {
  if (capture_ >= 0) return capture_;
  for (int i = int(controls_.size()) - 1; i >= 0; --i) {
    const IControl& control = *controls_[i];
    if (!control.IsHidden() && !control.IsGrayed() && control.HitTest(x, y)) return i;
  }
  return -1;
}

void IEditorSurface::BeginGesture(int index) {
  // A second button pressed during a gesture ends the first one: hosts see pairs only.
  EndGesture();
  if (Definition(index) == nullptr) return;
  gesture_ = index;
  link_.BeginGesture(index);
}

void IEditorSurface::EndGesture() {
  if (gesture_ < 0) return;
  const int index = gesture_;
  gesture_ = -1;
  link_.EndGesture(index);
}

void IEditorSurface::OnMouseDown(int x, int y, const MouseMod& mod) {
  if (entry_.IsOpen()) {
    // A right press only closes the box; a left press commits it and then acts as usual,
    // unless the box has the focus, which ignores the editor's left presses.
    if (mod.right) {
      entry_.SetState(EntryCancel);
      return;
    }
    if (entry_.State() == EntryFocused) return;
    entry_.SetState(EntryCommit);
  }
  capture_ = lastX_ = lastY_ = -1;
  const int c = ControlAt(x, y);
  if (c < 0) return;
  capture_ = c;
  lastX_ = x;
  lastY_ = y;
  IControl& control = *controls_[c];
  control.MouseDown(x, y, mod);
  if (control.ParamIdx() >= 0) BeginGesture(control.ParamIdx());
}

void IEditorSurface::OnMouseUp(int x, int y, const MouseMod& mod) {
  if (EntryHasFocus() && gesture_ < 0) return;
  const int c = ControlAt(x, y);
  capture_ = lastX_ = lastY_ = -1;
  if (c >= 0) controls_[c]->MouseUp(x, y, mod);
  // Only the gesture a press began is ended: the release after a double click ends none.
  EndGesture();
}

void IEditorSurface::OnMouseDrag(int x, int y, const MouseMod& mod) {
  if (capture_ < 0 || EntryHasFocus() || (x == lastX_ && y == lastY_)) return;
  const int dx = x - lastX_, dy = y - lastY_;
  lastX_ = x;
  lastY_ = y;
  controls_[capture_]->MouseDrag(x, y, dx, dy, mod);
}

void IEditorSurface::OnMouseMove(int x, int y) {
  if (capture_ >= 0) return;
  hover_ = ControlAt(x, y);
}

void IEditorSurface::OnMouseLeave() { hover_ = -1; }

void IEditorSurface::OnMouseDoubleClick(int x, int y, const MouseMod& mod) {
  if (EntryHasFocus()) return;
  capture_ = -1;
  const int c = ControlAt(x, y);
  if (c < 0) return;
  IControl& control = *controls_[c];
  if (control.DoubleClickAsSingle()) {
    capture_ = c;
    lastX_ = x;
    lastY_ = y;
    control.MouseDown(x, y, mod);
  } else {
    control.MouseDoubleClick(x, y, mod);
  }
}

void IEditorSurface::OnMouseWheel(int x, int y, const MouseMod& mod, int steps) {
  if (EntryHasFocus()) return;
  const int c = ControlAt(x, y);
  if (c >= 0) controls_[c]->MouseWheel(x, y, mod, steps);
}

void IEditorSurface::OnKeyDown(int x, int y, int key) {
  if (key < 0 || EntryHasFocus()) return;
  const int c = ControlAt(x, y);
  if (c >= 0) controls_[c]->KeyDown(x, y, key);
}

void IEditorSurface::SendParameterToPlugin(int index, double normalized) {
  if (Definition(index) == nullptr) return;
  // The link drops whatever the host sent before this value and the editor has not shown yet.
  plainValues_[index] = link_.SendValue(index, normalized);
}

const ParameterDefinition* IEditorSurface::Definition(int index) const {
  if (index < 0 || index >= int(plainValues_.size())) return nullptr;
  return link_.Definition(index);
}

double IEditorSurface::PlainValue(int index) const {
  return index >= 0 && index < int(plainValues_.size()) ? plainValues_[index] : 0.0;
}

void IEditorSurface::OpenValueEntry(IControl* control, const ParameterDefinition* parameter) {
  if (!IsWindowOpen()) return;
  entry_.Open(control, parameter, *window_);
}

void IEditorSurface::PopupParamMenu(IControl* control, const ParameterDefinition* parameter,
                                    int itemsPerColumn) {
  if (control == nullptr || parameter == nullptr || !IsWindowOpen()) return;
  std::vector<std::string> items;
  for (int i = 0; i < parameter->DisplayTextCount(); ++i)
    items.emplace_back(parameter->DisplayTextAt(i).text);
  const int checked = int(PlainValue(control->ParamIdx()));
  const int chosen = window_->PopupMenu(items, checked, itemsPerColumn);
  if (chosen < 1 || chosen > int(items.size())) return;
  double plain = 0.0;
  if (ParseTypedValue(*parameter, items[chosen - 1], &plain))
    control->SetValueFromUser(parameter->NormalizedOf(plain));
}

bool IEditorSurface::ValueFromText(int index, const std::string& text, double* plain) const {
  const ParameterDefinition* parameter = Definition(index);
  return parameter != nullptr && ParseTypedValue(*parameter, text, plain);
}

}  // namespace gui
