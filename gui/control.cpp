// The control base behaviour: observers, value flow to and from the plug-in, redraw flags.
#include "gui/control.h"

#include <algorithm>
#include <cmath>

#include "gui/editor_surface.h"

namespace gui {

void ISubject::AttachObserver(IObserverInterface* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void ISubject::DetachObserver(IObserverInterface* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ISubject::Notify() {
  if (observers_.empty() || !changed_) return;
  changed_ = false;
  for (IObserverInterface* observer : observers_) observer->Update();
}

IControl::IControl(const Rect& rect, int parameter, BlendMethod blend)
    : rect_(rect), targetRect_(rect), parameter_(parameter), blend_{blend, 1.0f} {}

void IControl::MouseDown(int, int, const MouseMod& mod) {
  if (mod.right) PromptForValue();
}

void IControl::MouseUp(int, int, const MouseMod&) {}

void IControl::MouseDrag(int, int, int, int, const MouseMod&) {}

void IControl::MouseDoubleClick(int, int, const MouseMod&) {
  if (defaultValue_ < 0.0) return;
  value_ = defaultValue_;
  MarkDirty(true);
}

void IControl::MouseWheel(int, int, const MouseMod& mod, int steps) {
  value_ += steps * (mod.ctrl || mod.shift ? 0.001 : 0.01);
  MarkDirty(true);
}

void IControl::KeyDown(int, int, int) {}

void IControl::SetValueFromPlugin(double value) {
  if (defaultValue_ < 0.0)
    defaultValue_ = value;
  else if (value == value_)
    return;
  value_ = value;
  MarkDirty(false);
  redrawRequest_ = true;
}

void IControl::SetHidden(bool hidden) {
  hidden_ = hidden;
  redrawRequest_ = true;
  MarkDirty(false);
}

void IControl::SetGrayed(bool grayed) {
  grayed_ = grayed;
  blend_.weight = grayed ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const {
  return !targetRect_.IsEmpty() && targetRect_.Contains(x, y);
}

void IControl::MarkDirty(bool push) {
  value_ = std::isnan(value_) ? clampLow_ : std::clamp(value_, clampLow_, clampHigh_);
  dirty_ = true;
  SetChanged();
  if (push && parameter_ >= 0 && surface_ != nullptr)
    surface_->SendParameterToPlugin(parameter_, value_);
}

void IControl::MarkClean() {
  dirty_ = redrawRequest_;
  redrawRequest_ = false;
}

void IControl::RestoreDefault() {
  value_ = defaultValue_;
  MarkDirty(true);
  redrawRequest_ = true;
}

void IControl::PromptForValue() {
  if (parameter_ < 0 || promptDisabled_ || surface_ == nullptr) return;
  surface_->OpenValueEntry(this, surface_->Definition(parameter_));
  redrawRequest_ = true;
}

void IControl::SetValueFromUser(double value) {
  if (value == value_) return;
  value_ = value;
  MarkDirty(true);
  redrawRequest_ = true;
}

}  // namespace gui
