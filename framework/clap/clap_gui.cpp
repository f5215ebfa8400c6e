// The CLAP gui extension: the editor embedded in the host's X11 window or HWND through the
// editor's own window layer (which keeps its own thread), at the host's or the desktop's scale.
#include <cmath>
#include <cstring>
#include <mutex>

#include "framework/clap/effect_clap.h"

namespace framework {

struct IEffectClap::GuiExtension {
  static bool IsApiSupported(const clap::Plugin* plugin, const char* api, bool isFloating) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || api == nullptr) return false;
    self->CheckThread(ClapCall::kGui);
    // Embedded only: the editor is a child window of the host's.
    return !isFloating && std::strcmp(api, NativeWindowApi()) == 0;
  }

  static bool GetPreferredApi(const clap::Plugin* plugin, const char** api, bool* isFloating) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || api == nullptr || isFloating == nullptr) return false;
    self->CheckThread(ClapCall::kGui);
    *api = NativeWindowApi();
    *isFloating = false;
    return true;
  }

  static bool Create(const clap::Plugin* plugin, const char* api, bool isFloating) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || !IsApiSupported(plugin, api, isFloating)) return false;
    if (self->guiCreated_) return false;
    self->guiCreated_ = true;
    self->guiShown_ = false;
    self->guiParent_ = nullptr;
    return true;
  }

  static void Destroy(const clap::Plugin* plugin) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr) return;
      self->CheckThread(ClapCall::kGui);
      self->HideWindow();
      self->guiCreated_ = false;
      self->guiShown_ = false;
      self->guiParent_ = nullptr;
    } catch (...) {
    }
  }

  // The host's scale outranks the desktop's; GetSize then answers the scaled size.
  static bool SetScale(const clap::Plugin* plugin, double scale) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || !(scale > 0.0) || !std::isfinite(scale)) return false;
    self->CheckThread(ClapCall::kGui);
    IEditorView* editor = self->Editor();
    if (editor == nullptr) return false;
    editor->SetScale(scale);
    return true;
  }

  static bool GetSize(const clap::Plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || width == nullptr || height == nullptr) return false;
    self->CheckThread(ClapCall::kGui);
    IEditorView* editor = self->Editor();
    if (editor == nullptr || !self->guiCreated_) return false;
    *width = static_cast<std::uint32_t>(editor->Width());
    *height = static_cast<std::uint32_t>(editor->Height());
    return true;
  }

  static bool CanResize(const clap::Plugin* plugin) {
    if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kGui);
    return false;
  }

  static bool GetResizeHints(const clap::Plugin* plugin, clap::GuiResizeHints*) {
    if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kGui);
    return false;
  }

  static bool AdjustSize(const clap::Plugin* plugin, std::uint32_t*, std::uint32_t*) {
    if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kGui);
    return false;
  }

  // Only the size it has.
  static bool SetSize(const clap::Plugin* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t w = 0, h = 0;
    return GetSize(plugin, &w, &h) && w == width && h == height;
  }

  static bool SetParent(const clap::Plugin* plugin, const clap::Window* window) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || window == nullptr || window->api == nullptr) return false;
      self->CheckThread(ClapCall::kGui);
      if (!self->guiCreated_ || std::strcmp(window->api, NativeWindowApi()) != 0) return false;
      void* parent = NativeParent(*window);
      if (parent == nullptr) return false;
      self->HideWindow();
      self->guiParent_ = parent;
      // Hosts show the editor after embedding it; most never call show for an embedded one, so
      // the window opens here.
      return self->ShowWindow();
    } catch (...) {
      return false;
    }
  }

  static bool SetTransient(const clap::Plugin* plugin, const clap::Window*) {
    if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kGui);
    return false;
  }

  static void SuggestTitle(const clap::Plugin* plugin, const char*) {
    if (IEffectClap* self = FromRecord(plugin)) self->CheckThread(ClapCall::kGui);
  }

  static bool Show(const clap::Plugin* plugin) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr) return false;
      self->CheckThread(ClapCall::kGui);
      return self->guiCreated_ && self->ShowWindow();
    } catch (...) {
      return false;
    }
  }

  // Hidden, the window is closed and its thread stopped; show opens it again in the same parent.
  static bool Hide(const clap::Plugin* plugin) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr) return false;
      self->CheckThread(ClapCall::kGui);
      if (!self->guiCreated_) return false;
      self->HideWindow();
      return true;
    } catch (...) {
      return false;
    }
  }
};

// Lock rule as for VST 2's editor opcodes: the editor's thread takes the instance lock for every
// value it sends and closing joins that thread, so the window opens and closes without the lock;
// EditorOpened and EditorClosed run under it.
bool IEffectClap::ShowWindow() {
  IEditorView* editor = Editor();
  if (editor == nullptr || guiParent_ == nullptr) return false;
  if (guiShown_) return true;
  if (!editor->OpenWindow(guiParent_)) return false;
  guiShown_ = true;
  std::lock_guard lock(InstanceLock());
  EditorOpened();
  return true;
}

void IEffectClap::HideWindow() {
  IEditorView* editor = Editor();
  if (editor == nullptr || !guiShown_) return;
  {
    std::lock_guard lock(InstanceLock());
    EditorClosed();
  }
  editor->CloseWindow();
  guiShown_ = false;
}

const clap::PluginGui IEffectClap::kGui = {
    &GuiExtension::IsApiSupported, &GuiExtension::GetPreferredApi, &GuiExtension::Create,
    &GuiExtension::Destroy,        &GuiExtension::SetScale,        &GuiExtension::GetSize,
    &GuiExtension::CanResize,      &GuiExtension::GetResizeHints,  &GuiExtension::AdjustSize,
    &GuiExtension::SetSize,        &GuiExtension::SetParent,       &GuiExtension::SetTransient,
    &GuiExtension::SuggestTitle,   &GuiExtension::Show,            &GuiExtension::Hide,
};

}  // namespace framework
