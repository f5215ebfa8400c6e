// The C entry points of an LV2 UI: instantiate refuses another plug-in's URI and a host without a
// write function; no exception leaves any of them.
#include <cstring>

#include "framework/lv2/editor_ui.h"

namespace framework {
namespace {

Lv2EditorUi* Of(LV2UI_Handle handle) { return static_cast<Lv2EditorUi*>(handle); }

LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  Lv2EditorUi* ui = nullptr;
  try {
    const auto* entry = reinterpret_cast<const Lv2UiEntry*>(descriptor);
    Lv2UiHost host = Lv2UiHost::Scan(features);
    const LV2_URID error = host.features.map != nullptr
                               ? host.features.map->map(host.features.map->handle, LV2_LOG__Error)
                               : 0;
    if (pluginUri == nullptr || std::strcmp(pluginUri, entry->pluginUri) != 0) {
      Lv2Log(host.features, error, "%s: this UI is not for the plug-in %s\n", descriptor->URI,
             pluginUri != nullptr ? pluginUri : "(none)");
      return nullptr;
    }
    if (write == nullptr) {
      Lv2Log(host.features, error, "%s: the host gives the UI no way to write ports\n",
             descriptor->URI);
      return nullptr;
    }
    host.write = write;
    host.controller = controller;
    ui = entry->create(host);
    if (ui == nullptr) return nullptr;
    if (!ui->Start(widget)) {
      Lv2Log(host.features, error, "%s: cannot open the editor's window\n", descriptor->URI);
      delete ui;
      return nullptr;
    }
    return ui;
  } catch (...) {
    delete ui;
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle handle) {
  try {
    delete Of(handle);
  } catch (...) {
  }
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  try {
    if (handle != nullptr) Of(handle)->PortEvent(port, size, format, buffer);
  } catch (...) {
  }
}

int Idle(LV2UI_Handle handle) {
  try {
    return handle != nullptr ? Of(handle)->Idle() : 1;
  } catch (...) {
    return 1;
  }
}

int Show(LV2UI_Handle handle) {
  try {
    return handle != nullptr ? Of(handle)->Show() : 1;
  } catch (...) {
    return 1;
  }
}

int Hide(LV2UI_Handle handle) {
  try {
    return handle != nullptr ? Of(handle)->Hide() : 1;
  } catch (...) {
    return 1;
  }
}

const LV2UI_Idle_Interface kIdleInterface = {&Idle};
const LV2UI_Show_Interface kShowInterface = {&Show, &Hide};

const void* ExtensionData(const char* uri) {
  if (uri == nullptr) return nullptr;
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
  if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &kShowInterface;
  return nullptr;
}

}  // namespace

Lv2UiEntry MakeLv2UiEntry(const char* uri, const char* pluginUri, Lv2UiFactory create) {
  return Lv2UiEntry{{uri, &Instantiate, &Cleanup, &PortEvent, &ExtensionData}, pluginUri, create};
}

}  // namespace framework
