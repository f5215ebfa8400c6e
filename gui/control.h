// The control base: the observable subject every control is, the observer interface, and
// IControl with its value, rectangles, redraw flags and default input behaviour.
#pragma once

#include <vector>

#include "gui/records.h"

namespace gui {

class IEditorSurface;

// Something that follows a control's changes. Update runs on the editor thread, from the
// subject's Notify during the timer tick.
class IObserverInterface {
 public:
  virtual void Update() = 0;
  virtual ~IObserverInterface() = default;
};

// The observable part of a control: its observers (not owned) and a changed flag that every
// MarkDirty sets and Notify clears. Editor thread only.
class ISubject {
 public:
  // Appends the observer unless it is already attached.
  void AttachObserver(IObserverInterface* observer);
  void DetachObserver(IObserverInterface* observer);
  // When changed: clears the flag and updates every observer in attachment order.
  void Notify();

 protected:
  void SetChanged() { changed_ = true; }

 private:
  std::vector<IObserverInterface*> observers_;
  bool changed_ = false;
};

// A visible element with a drawing rectangle, an optional parameter binding and a normalised
// value in 0..1. Every operation runs on the editor thread (values from the plug-in's threads
// reach controls through the surface's hand-over, never directly).
class IControl : public ISubject {
 public:
  // parameter -1 means none; the target rectangle starts equal to the drawing rectangle.
  IControl(const Rect& rect, int parameter, BlendMethod blend);
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Right button: PromptForValue. Otherwise nothing.
  virtual void MouseDown(int x, int y, const MouseMod& mod);
  virtual void MouseUp(int x, int y, const MouseMod& mod);
  virtual void MouseDrag(int x, int y, int dx, int dy, const MouseMod& mod);
  // Back to the default value, once one has arrived from the plug-in.
  virtual void MouseDoubleClick(int x, int y, const MouseMod& mod);
  // 0.01 per step, 0.001 with ctrl or shift.
  virtual void MouseWheel(int x, int y, const MouseMod& mod, int steps);
  virtual void KeyDown(int x, int y, int key);
  // Draws into the surface's draw bitmap (clipped to its draw rectangle).
  virtual bool Draw(IEditorSurface& surface) = 0;
  // The plug-in's value: shown, never sent back. The first one becomes the default.
  virtual void SetValueFromPlugin(double value);
  virtual void SetHidden(bool hidden);
  // Grayed controls ignore the mouse and draw at a quarter of their weight.
  virtual void SetGrayed(bool grayed);
  virtual bool HitTest(int x, int y) const;
  // Clamps the value, marks the control for drawing and its observers for updating; with push,
  // sends the value to the plug-in (controls bound to a parameter only).
  virtual void MarkDirty(bool push);
  // dirty = redraw request; the request is used up.
  virtual void MarkClean();
  virtual bool IsDirty() const { return dirty_; }
  virtual void RestoreDefault();

  // Asks the surface for the value entry over this control (bound controls, prompting enabled).
  void PromptForValue();
  // A value the user chose (value entry): sent when it differs from the current one.
  void SetValueFromUser(double value);

  // The surface sets itself when the control is attached.
  void SetSurface(IEditorSurface* surface) { surface_ = surface; }

  const Rect& DrawRect() const { return rect_; }
  const Rect& TargetRect() const { return targetRect_; }
  void SetTargetRect(const Rect& r) { targetRect_ = r; }
  int ParamIdx() const { return parameter_; }
  double Value() const { return value_; }
  void SetValue(double value) { value_ = value; }
  double DefaultValue() const { return defaultValue_; }
  void SetClamp(double low, double high) {
    clampLow_ = low;
    clampHigh_ = high;
  }
  bool IsHidden() const { return hidden_; }
  bool IsGrayed() const { return grayed_; }
  void SetRedrawRequest() { redrawRequest_ = true; }
  void DisablePrompt(bool disabled) { promptDisabled_ = disabled; }
  bool DoubleClickAsSingle() const { return doubleClickAsSingle_; }
  void SetDoubleClickAsSingle(bool on) { doubleClickAsSingle_ = on; }
  const Blend& GetBlend() const { return blend_; }

 protected:
  IEditorSurface* Surface() const { return surface_; }

 private:
  IEditorSurface* surface_ = nullptr;
  Rect rect_;
  Rect targetRect_;
  int parameter_;
  double value_ = 0.0;
  double defaultValue_ = -1.0;  // -1 until the first value arrives from the plug-in
  double clampLow_ = 0.0, clampHigh_ = 1.0;
  bool dirty_ = true;
  bool hidden_ = false;
  bool grayed_ = false;
  bool redrawRequest_ = false;  // survives one MarkClean
  bool promptDisabled_ = false;
  bool doubleClickAsSingle_ = false;
  Blend blend_;
};

}  // namespace gui
