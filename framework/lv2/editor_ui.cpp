// The editor as an LV2 UI: values and gestures out through the host, values and read-outs in
// through port_event, and the UI's C entry points.
#include "framework/lv2/editor_ui.h"

#include <cmath>
#include <cstring>
#include <utility>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>

namespace framework {

Lv2UiHost Lv2UiHost::Scan(const LV2_Feature* const* features) {
  Lv2UiHost host;
  host.features = Lv2HostFeatures::Scan(features);
  const LV2_Options_Option* options = nullptr;
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
    const LV2_Feature& f = *features[i];
    if (f.URI == nullptr) continue;
    if (std::strcmp(f.URI, LV2_UI__parent) == 0) {
      host.parent = f.data;
    } else if (std::strcmp(f.URI, LV2_UI__resize) == 0) {
      host.resize = static_cast<const LV2UI_Resize*>(f.data);
    } else if (std::strcmp(f.URI, LV2_UI__touch) == 0) {
      host.touch = static_cast<const LV2UI_Touch*>(f.data);
    } else if (std::strcmp(f.URI, LV2_UI__portSubscribe) == 0) {
      host.subscribe = static_cast<const LV2UI_Port_Subscribe*>(f.data);
    } else if (std::strcmp(f.URI, LV2_UI__idleInterface) == 0) {
      host.idle = true;
    } else if (std::strcmp(f.URI, LV2_OPTIONS__options) == 0) {
      options = static_cast<const LV2_Options_Option*>(f.data);
    }
  }
  if (host.resize != nullptr && host.resize->ui_resize == nullptr) host.resize = nullptr;
  if (host.touch != nullptr && host.touch->touch == nullptr) host.touch = nullptr;
  if (host.subscribe != nullptr && host.subscribe->subscribe == nullptr) host.subscribe = nullptr;
  const LV2_URID_Map* map = host.features.map;
  if (options != nullptr && map != nullptr) {
    const LV2_URID scale = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID atomFloat = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
      if (o->key != scale || o->type != atomFloat || o->size != sizeof(float) ||
          o->value == nullptr) {
        continue;
      }
      float factor;
      std::memcpy(&factor, o->value, sizeof factor);
      // A factor a screen can have; anything else keeps the editor at its own size.
      if (factor >= 0.5f && factor <= 8.0f) host.scaleFactor = factor;
    }
  }
  return host;
}

Lv2EditorUi::Lv2EditorUi(const Lv2UiHost& host, std::vector<ParameterDefinition> definitions,
                         Lv2PortLayout layout)
    : host_(host), definitions_(std::move(definitions)), layout_(layout), queued_(host.idle) {}

Lv2EditorUi::~Lv2EditorUi() { DestroyEditor(); }

void Lv2EditorUi::DestroyEditor() {
  if (editor_ != nullptr) editor_->CloseWindow();
  if (ownWindow_) CloseOwnWindow();
  ownWindow_ = false;
  std::lock_guard lock(mutex_);
  editor_.reset();
}

bool Lv2EditorUi::Start(LV2UI_Widget* widget) {
  std::unique_ptr<IEditorView> editor = CreateEditor();
  if (editor == nullptr) return false;
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < ParameterCount(); ++i) {
      const double value = definitions_[i].DefaultValue();
      editor->SetParameterFromPlugin(i, value, false);
      ParameterChanged(i, value);
    }
    editor->PrepareDraw();
    editor_ = std::move(editor);
  }
  if (host_.subscribe != nullptr) {
    const LV2_URID_Map* map = host_.features.map;
    const std::uint32_t floatProtocol =
        map != nullptr ? map->map(map->handle, LV2_UI__floatProtocol) : 0;
    for (int port = layout_.FirstReadOut(); port < layout_.Count(); ++port)
      host_.subscribe->subscribe(host_.subscribe->handle, port, floatProtocol, nullptr);
  }
  if (host_.parent == nullptr) return true;  // a host that shows the UI itself (Show)
  if (!editor_->OpenWindow(host_.parent)) return false;
  if (widget != nullptr) *widget = EditorWindow();
  if (host_.resize != nullptr)
    host_.resize->ui_resize(host_.resize->handle, editor_->Width(), editor_->Height());
  return true;
}

void Lv2EditorUi::PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                            const void* buffer) {
  if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  if (!std::isfinite(value)) return;
  const int p = port > static_cast<std::uint32_t>(layout_.Count()) ? -1 : static_cast<int>(port);
  std::lock_guard lock(mutex_);
  if (layout_.IsParameter(p)) {
    // Kept in range, as the plug-in keeps its parameter.
    const ParameterDefinition& d = definitions_[p];
    const double plain = std::fmin(std::fmax(value, d.Min()), d.Max());
    if (editor_ != nullptr) editor_->SetParameterFromPlugin(p, plain, false);
    ParameterChanged(p, plain);
  } else if (layout_.IsReadOut(p)) {
    ReadOutChanged(p - layout_.FirstReadOut(), value);
  }
}

const ParameterDefinition* Lv2EditorUi::Definition(int index) const {
  return index >= 0 && index < ParameterCount() ? &definitions_[index] : nullptr;
}

double Lv2EditorUi::SendValue(int index, double normalized) {
  if (index < 0 || index >= ParameterCount()) return 0.0;
  const ParameterDefinition& d = definitions_[index];
  if (!std::isfinite(normalized)) return d.DefaultValue();
  // The port carries the plain value in single precision; the editor shows what it holds.
  const double plain = static_cast<float>(d.ValueFromNormalized(normalized < 0.0 ? 0.0 : normalized));
  {
    std::lock_guard lock(mutex_);
    if (editor_ != nullptr) editor_->DropPendingValue(index);
    ParameterChanged(index, plain);
  }
  Queue({Message::kValue, static_cast<std::uint32_t>(index), static_cast<float>(plain)});
  return plain;
}

void Lv2EditorUi::BeginGesture(int index) {
  if (index >= 0 && index < ParameterCount())
    Queue({Message::kGrab, static_cast<std::uint32_t>(index), 0.0f});
}

void Lv2EditorUi::EndGesture(int index) {
  if (index >= 0 && index < ParameterCount())
    Queue({Message::kRelease, static_cast<std::uint32_t>(index), 0.0f});
}

void Lv2EditorUi::Queue(const Message& message) {
  if (!queued_.load(std::memory_order_acquire)) {
    Send(message);
    return;
  }
  std::lock_guard lock(mutex_);
  queue_.push_back(message);
}

void Lv2EditorUi::Send(const Message& message) const {
  if (message.kind == Message::kValue) {
    host_.write(host_.controller, message.port, sizeof(float), 0, &message.value);
  } else if (host_.touch != nullptr) {
    host_.touch->touch(host_.touch->handle, message.port, message.kind == Message::kGrab);
  }
}

void Lv2EditorUi::Flush() {
  std::vector<Message> pending;
  {
    std::lock_guard lock(mutex_);
    pending.swap(queue_);
  }
  for (const Message& message : pending) Send(message);
}

int Lv2EditorUi::Idle() {
  // A host that calls idle() without offering the feature (through a wrapper that drives it)
  // gets the queue from now on too.
  queued_.store(true, std::memory_order_release);
  Flush();
  if (ownWindow_ && !PumpOwnWindow()) {
    Hide();
    return 1;
  }
  return 0;
}

int Lv2EditorUi::Show() {
  if (ownWindow_) return 0;
  if (editor_ == nullptr) return 1;
  void* window = OpenOwnWindow();
  if (window == nullptr) return 1;
  if (!editor_->OpenWindow(window)) {
    CloseOwnWindow();
    return 1;
  }
  ownWindow_ = true;
  return 0;
}

int Lv2EditorUi::Hide() {
  if (!ownWindow_) return 0;
  if (editor_ != nullptr) editor_->CloseWindow();
  CloseOwnWindow();
  ownWindow_ = false;
  Flush();
  return 0;
}

}  // namespace framework
