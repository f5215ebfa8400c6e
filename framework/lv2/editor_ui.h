// An effect's editor as an LV2 UI: it reaches the plug-in only through the host, by writing
// control ports (and ui:touch around gestures), and learns the values back from port_event.
// The editor runs on a thread of its own, which never calls the host: what it sends is queued
// and handed to the host on the host's UI thread at the next idle() (directly from the editor
// thread only for a host that never calls idle(), which has no other way to hear it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <lv2/ui/ui.h>

#include "framework/editor_link.h"
#include "framework/editor_view.h"
#include "framework/lv2/effect_lv2.h"
#include "framework/lv2/port_layout.h"

namespace framework {

// What the host offers a UI, picked from its feature list.
struct Lv2UiHost {
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  void* parent = nullptr;  // ui:parent: the X11 window to embed into
  const LV2UI_Resize* resize = nullptr;
  const LV2UI_Touch* touch = nullptr;
  const LV2UI_Port_Subscribe* subscribe = nullptr;
  bool idle = false;         // the host calls idle() (ui:idleInterface)
  double scaleFactor = 1.0;  // ui:scaleFactor from the options, 1 when the host gives none
  Lv2HostFeatures features;  // map and log, either may be missing

  static Lv2UiHost Scan(const LV2_Feature* const* features);
};

class Lv2EditorUi : public IEditorLink {
 public:
  // Host UI thread. definitions: the effect's parameters, whose ports are their indices.
  Lv2EditorUi(const Lv2UiHost& host, std::vector<ParameterDefinition> definitions,
              Lv2PortLayout layout);
  ~Lv2EditorUi() override;

  // The LV2 UI entry points, all on the host's UI thread.
  // Once after construction: builds the editor, gives every control its parameter's default
  // and, with a parent, opens the editor in it and tells the host its size (ui:resize); *widget
  // becomes the editor's window. False when there is a parent but no window could be made.
  bool Start(LV2UI_Widget* widget);
  // A control port's value (float protocol): a parameter for the editor, or a read-out.
  void PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                 const void* buffer);
  // ui:idleInterface: sends the host what the editor queued; with a window of the UI's own
  // (ui:showInterface) keeps it going and answers 1 once the user has closed it.
  int Idle();
  int Show();
  int Hide();

  // IEditorLink, for the editor's thread.
  int ParameterCount() const override { return static_cast<int>(definitions_.size()); }
  const ParameterDefinition* Definition(int index) const override;
  double SendValue(int index, double normalized) override;
  void BeginGesture(int index) override;
  void EndGesture(int index) override;

  const Lv2UiHost& Host() const { return host_; }
  IEditorView* Editor() const { return editor_.get(); }

 protected:
  // The effect's part. CreateEditor: host UI thread, once; the editor's link is *this.
  virtual std::unique_ptr<IEditorView> CreateEditor() = 0;
  // The open editor's native window (its X11 id), for the host.
  virtual void* EditorWindow() const = 0;
  // A parameter holds a new plain value (from the host, or sent by the editor), or a read-out
  // port changed: for what the editor derives from them. Called with the UI's lock held, on the
  // host's UI thread or the editor's thread.
  virtual void ParameterChanged(int, double) {}
  virtual void ReadOutChanged(int, float) {}
  // ui:showInterface: a top-level window of the UI's own to hold the editor; Pump keeps it
  // going and returns false once the user closed it. Host UI thread.
  virtual void* OpenOwnWindow() { return nullptr; }
  virtual bool PumpOwnWindow() { return false; }
  virtual void CloseOwnWindow() {}
  // Closes the editor's window and destroys the editor; a derived destructor calls it first,
  // since the editor reaches the derived class's members.
  void DestroyEditor();

 private:
  struct Message {
    enum Kind : std::uint8_t { kValue, kGrab, kRelease } kind;
    std::uint32_t port;
    float value;
  };
  void Queue(const Message& message);
  void Send(const Message& message) const;
  void Flush();

  Lv2UiHost host_;
  std::vector<ParameterDefinition> definitions_;
  Lv2PortLayout layout_;
  std::unique_ptr<IEditorView> editor_;
  // Guards the editor's mailbox against the two threads that fill and drain it, what the
  // derived class derives from the values, and the queue. Never held while calling the host.
  std::mutex mutex_;
  std::vector<Message> queue_;
  bool ownWindow_ = false;  // the editor is open in a window of the UI's own
  // The editor's messages wait for idle(): from the start when the host offers
  // ui:idleInterface, else from its first idle() call on.
  std::atomic<bool> queued_;
};

// The C entry points of an LV2 UI over an Lv2EditorUi that create builds.
using Lv2UiFactory = Lv2EditorUi* (*)(const Lv2UiHost& host);

struct Lv2UiEntry {
  LV2UI_Descriptor descriptor;  // first: instantiate finds the rest from its address
  const char* pluginUri;
  Lv2UiFactory create;
};

Lv2UiEntry MakeLv2UiEntry(const char* uri, const char* pluginUri, Lv2UiFactory create);

}  // namespace framework
