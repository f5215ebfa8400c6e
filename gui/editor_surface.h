// The editor surface: the ordered control list, the off-screen draw bitmap, the timer tick that
// collects and redraws dirty controls, input routing to the control under the pointer, and the
// value flow between the controls and the plug-in in both directions.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "framework/editor_link.h"
#include "framework/editor_view.h"
#include "gui/control.h"
#include "gui/device_scale.h"
#include "gui/draw_context.h"
#include "gui/parameter_mailbox.h"
#include "gui/records.h"
#include "gui/resources.h"
#include "gui/value_entry.h"
#include "gui/window_layer.h"

namespace gui {

constexpr int kEditorWidth = 800;
constexpr int kEditorHeight = 600;
constexpr int kEditorFps = 24;

// Key codes handed to controls: Space 0, Up 1, Down 2, Left 3, Right 4, digits 5..14, letters
// 15..40. The window layer translates its native keys with KeyCodeFromVirtualKey.
constexpr int kKeySpace = 0, kKeyUp = 1, kKeyDown = 2, kKeyLeft = 3, kKeyRight = 4;
// The key code of a virtual-key number (Space 32, Left 37, Up 38, Right 39, Down 40, '0'..'9',
// 'A'..'Z' and 'a'..'z'); -1 for every other key, which the editor ignores.
int KeyCodeFromVirtualKey(int virtualKey);

// Threads: the plug-in side (SetParameterFromPlugin, DropPendingValue, PrepareDraw) is called by
// the framework under the instance lock, OpenWindow and CloseWindow without it (see
// IEditorView); everything else belongs to the editor thread: the window layer's timer thread
// while a window is open, otherwise the thread that built the editor (headless use and tests
// drive Tick and the input methods directly). The editor thread reaches the effect only through
// its link (values and gestures), never while drawing.
class IEditorSurface : public framework::IEditorView {
 public:
  // link: the effect's, for the surface's life. images: the module's image resources, which
  // LoadBitmap looks up. fps 0 or below takes kEditorFps.
  IEditorSurface(framework::IEditorLink& link, ResourceTable images, int width, int height,
                 int fps);
  ~IEditorSurface() override;

  // Building, before AttachEditor. The surface owns the control from then on; the index in the
  // list is returned.
  int AttachControl(std::unique_ptr<IControl> control);
  // Attaches a control and returns it, for builders that keep a handle.
  template <typename C>
  C* Add(std::unique_ptr<C> control) {
    C* raw = control.get();
    AttachControl(std::move(control));
    return raw;
  }
  // Inserts a one-frame bitmap control without parameter at index 0, copied without blending.
  void AttachBackground(int id, const char* name);
  BitmapRef LoadBitmap(int id, const char* name, int frames);

  // IEditorView. Any thread, instance lock held: the value waits in the mailbox for the next
  // tick, which hands it to every control bound to the index.
  void SetParameterFromPlugin(int index, double value, bool normalized) override;
  // Any thread, instance lock held: forgets a value waiting in the mailbox.
  void DropPendingValue(int index) override;
  // Constructing thread: creates the draw bitmap and gives every control its first value (its
  // default).
  void PrepareDraw() override;
  // The window's size in device pixels at the scale below. Any thread; unless the scale is
  // already decided, the first call asks the window layer for the desktop's scale.
  int Width() const override;
  int Height() const override;
  // The editor's own size in editor pixels (the layout's 800 × 600 at any scale).
  int EditorWidth() const { return width_; }
  int EditorHeight() const { return height_; }

  // Scale: device pixels per editor pixel, 1 to 3. The first of these that says decides:
  // QUORVANTEL_SCALE (read when the surface is made), the host's SetScale, the desktop's or the
  // window's monitor's scale as the window layer learns it (SetDesktopScale), else 1. A headless
  // editor (snapshots, tests) never asks the desktop.
  void SetScale(double factor) override;
  double Scale() const override;
  // The window layer's report of the desktop's scale for the window (0: the desktop says
  // nothing). Any thread; an open window takes it on its next tick.
  void SetDesktopScale(double factor);
  // Editor thread: rebuilds the draw bitmap when the scale changed since it was made and marks
  // everything for redrawing; true when it did (the window layer then follows the new size).
  bool ApplyScale();
  // Editor thread: the scale of the draw bitmap, by which window layers map device pixels (the
  // mouse, exposed areas) to editor pixels and back.
  const DeviceScale& DrawScale() const { return drawScale_; }

  bool OpenWindow(void* parent) override;
  void CloseWindow() override;
  bool IsWindowOpen() const;
  void* GetWindow() const;
  // Timer period in milliseconds: 1000 / frame rate, truncated (41 at 24 frames per second).
  int PeriodMs() const { return 1000 / fps_; }

  // Editor thread: one timer tick. Handles an entry that waits for it, else takes the values
  // handed over since the last tick, collects the dirty controls and redraws them.
  void Tick();
  void MarkAllControlsDirty();
  // Runs the observers and unions the dirty controls' rectangles; true when any was dirty.
  bool CollectDirty(Rect* dirty);
  // Redraws every visible control that intersects r, marks all clean, presents r.
  bool DrawDirty(const Rect& r);
  // The captured control, else the topmost control under (x, y) that is neither hidden nor
  // grayed, else -1.
  int ControlAt(int x, int y) const;

  // Editor thread: input in editor pixels (the window layer maps its device pixels with
  // DrawScale). While an open value entry has the keyboard focus, only a right press reaches the
  // editor (it cancels the entry).
  void OnMouseDown(int x, int y, const MouseMod& mod);
  void OnMouseUp(int x, int y, const MouseMod& mod);
  // A move with a button held; only reaches a control that captured the mouse.
  void OnMouseDrag(int x, int y, const MouseMod& mod);
  // A move with no button held, and the pointer leaving the window: they choose the control
  // whose hint shows.
  void OnMouseMove(int x, int y);
  void OnMouseLeave();
  void OnMouseDoubleClick(int x, int y, const MouseMod& mod);
  // steps: whole wheel notches, positive away from the user.
  void OnMouseWheel(int x, int y, const MouseMod& mod, int steps);
  // key: a code from KeyCodeFromVirtualKey; negative codes are ignored.
  void OnKeyDown(int x, int y, int key);
  bool HasCapture() const { return capture_ >= 0; }
  // The parameter whose gesture (BeginParamEdit) a press began and its release will end; -1.
  int GestureParameter() const { return gesture_; }

  // Editor thread: what controls ask of the surface.
  DrawContext& Graphics() { return *draw_; }
  // Sends a control's value to the effect through the link and keeps what the parameter now
  // holds for display.
  void SendParameterToPlugin(int index, double normalized);
  // The definition of the parameter at index (range, texts), null when out of range; its value
  // as the editor knows it is PlainValue.
  const ParameterDefinition* Definition(int index) const;
  // The parameter's plain value as the editor last learnt it.
  double PlainValue(int index) const;
  void OpenValueEntry(IControl* control, const ParameterDefinition* parameter);
  // The plain value text typed for the parameter at index stands for (ParseTypedValue; an
  // effect adds the forms its own read-outs show); false when it stands for none.
  virtual bool ValueFromText(int index, const std::string& text, double* plain) const;
  ValueEntry& Entry() { return entry_; }
  // The parameter's display texts as a popup menu; a choice is sent like a committed entry.
  void PopupParamMenu(IControl* control, const ParameterDefinition* parameter, int itemsPerColumn);
  IWindowLayer& Window() { return *window_; }
  // Replaces the window layer (tests use a fake one); only while no window is open.
  void SetWindowLayer(std::unique_ptr<IWindowLayer> layer) { window_ = std::move(layer); }

  // The hint box: the parameter's name and value text of the control being dragged, else of
  // the bound control under the pointer, drawn by the editor over everything else; empty text
  // and rectangle while there is none. Updated on every tick.
  const std::string& HintText() const { return hintText_; }
  const Rect& HintRect() const { return hintRect_; }

  int ControlCount() const { return int(controls_.size()); }
  IControl* GetControl(int index) const { return controls_[index].get(); }
  framework::IEditorLink& Link() const { return link_; }
  // The draw bitmap: the editor's device pixels at DrawScale.
  const raster::Bitmap& Pixels() const { return draw_->Target(); }

 protected:
  // Editor thread, at the start of every tick after the parameter values: for effect-specific
  // hand-overs (statistics, greying, envelope tables).
  virtual void TakeHandOvers() {}
  // Editor thread: the hint for the parameter at index at the value the editor knows: its name,
  // display text and unit ("Length 84.8 ms").
  virtual std::string HintFor(int index) const;

 private:
  void TakeParameterValues();
  void UpdateHint();
  void DrawHint(const Rect& r);
  void BeginGesture(int index);
  void EndGesture();
  bool EntryHasFocus() const { return entry_.IsOpen() && entry_.State() == EntryFocused; }

  // The scale the window would open at: Scale(), with the desktop asked first if never yet.
  double WindowScale() const;

  std::vector<std::unique_ptr<IControl>> controls_;
  framework::IEditorLink& link_;
  ResourceTable images_;
  int width_, height_, fps_;
  const double envScale_;                           // QUORVANTEL_SCALE, 0 when not set
  std::atomic<double> hostScale_{0.0};              // 0: the host said nothing
  mutable std::atomic<double> desktopScale_{-1.0};  // 0: nothing said; -1: not asked yet
  DeviceScale drawScale_;                           // of the draw bitmap; editor thread
  int capture_ = -1;
  int lastX_ = -1, lastY_ = -1;
  int gesture_ = -1;
  int hover_ = -1;  // the control under the pointer while no button is held
  std::string hintText_;
  Rect hintRect_;
  Rect hintDirty_;  // where the hint was or now is, to be redrawn
  std::unique_ptr<DrawContext> draw_;
  ParameterMailbox mailbox_;
  std::vector<double> plainValues_;              // editor thread's view of the parameters
  std::vector<std::vector<IControl*>> boundTo_;  // controls by parameter index
  ValueEntry entry_;
  std::unique_ptr<IWindowLayer> window_;
};

}  // namespace gui
