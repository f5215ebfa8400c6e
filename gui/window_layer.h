// The seam between the editor and a window system: what a native window layer supplies to the
// surface (window, timer thread, presenting pixels, the value entry's native box, menus, dialogs
// and paths). The surface and the controls only ever see this interface; each platform folder
// under gui/platform/ implements it, and a build without a window system uses the headless one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/records.h"

namespace gui {

class IEditorSurface;
class ValueEntry;

// The native part of an open value entry: an edit box or a drop-down list over the editor.
// Created, used and destroyed on the editor thread.
class IEntryWidget {
 public:
  virtual ~IEntryWidget() = default;
  // The edit box's text, or the text of the list's selected row ("" when none).
  virtual std::string Text() const = 0;
  // Replaces the edit box's text, or selects the list row with this text (none if no row has it).
  virtual void SetText(const std::string& text) = 0;
};

// What the surface asks the window layer to open for a value entry.
struct EntryRequest {
  bool list = false;               // a drop-down list of items, else an edit box
  Rect rect;                       // editor pixels (the layer scales it for its window)
  std::vector<std::string> items;  // the list's rows
  int selected = -1;               // the list's selected row, -1 for none
  std::string text;                // the edit box's text, all of it selected
};

class IWindowLayer {
 public:
  virtual ~IWindowLayer() = default;

  // Host UI thread. Opens the editor's window as a child of the host's parent window and starts
  // its timer and input handling on the editor thread. That thread first reports the desktop's
  // or the monitor's scale (SetDesktopScale) and applies it (ApplyScale), makes the window the
  // surface's device size (Width, Height), marks every control dirty (MarkAllControlsDirty) and
  // then runs the surface's Tick every PeriodMs; false when no window could be made, which
  // leaves the editor usable and closed. An open window is closed first and its position is
  // kept.
  virtual bool OpenWindow(void* parent) = 0;
  // Host UI thread (or the window's own close request). Stops the timer and input handling and
  // destroys the window before it returns; a closed window is a no-op.
  virtual void CloseWindow() = 0;
  virtual bool IsWindowOpen() const = 0;
  // The native window handle, or null.
  virtual void* GetWindow() const = 0;

  // Editor thread. Copies the rectangle of the surface's draw bitmap (device pixels) to the
  // window.
  virtual void PresentRect(const Rect& r) = 0;
  // Any thread, no window open: the scale the desktop (or the monitor the window would appear
  // on) asks of applications, 1 to 3; 0 when it says nothing. May ask the window system, so the
  // surface asks once and caches the answer; an opening window reports a fresh one itself
  // (IEditorSurface::SetDesktopScale).
  virtual double DesktopScale() { return 0.0; }
  // Editor thread, window open: the surface's device size changed (a new scale; its draw bitmap
  // is already rebuilt); the window takes the new size and maps input by the new scale.
  virtual void DeviceSizeChanged() {}
  // Editor thread. The native entry box for request; it reports focus, Return and list choices
  // to entry. Null when there is no window.
  virtual std::unique_ptr<IEntryWidget> OpenEntryWidget(const EntryRequest& request,
                                                        ValueEntry& entry) = 0;
  // Editor thread. A popup menu of items at the pointer with items checked (-1 for none) and
  // itemsPerColumn rows per column; the chosen item's number 1..n, 0 when none.
  virtual int PopupMenu(const std::vector<std::string>& items, int checked, int itemsPerColumn) = 0;
  // Editor thread. A file chosen for saving (action 1) or opening, starting in folder; "" when
  // cancelled.
  virtual std::string PromptForFile(int action, const std::string& folder) = 0;
  // Editor thread. The colour chooser with color's red, green and blue; true with the choice.
  virtual bool PromptForColor(Color& color, const char* title) = 0;
  // Editor thread. Asks confirm (if given), then opens url with the system; shows error (if
  // given) when that fails.
  virtual bool OpenUrl(const char* url, const char* title, const char* confirm,
                       const char* error) = 0;
  // Folders of the host executable and of this module, each with the trailing separator.
  virtual std::string HostPath() = 0;
  virtual std::string PluginPath() = 0;
};

// The window layer of this build for surface (gui/platform/<name>/).
std::unique_ptr<IWindowLayer> CreateWindowLayer(IEditorSurface& surface);

}  // namespace gui
