// Building the LV2 UI's editor and the window of its own.
#include "quorvantel/lv2/quorvantel_lv2_ui.h"

#include <cstdint>
#include <new>
#include <string>

#include "host/window/host_window.h"
#include "quorvantel/lv2/lv2_ports.h"

namespace quorvantel {

QuorvantelLv2Ui::QuorvantelLv2Ui(const framework::Lv2UiHost& host)
    : Lv2EditorUi(host, QuorvantelParameters(), QuorvantelLv2Layout()), model_(feed_) {}

QuorvantelLv2Ui::~QuorvantelLv2Ui() { DestroyEditor(); }

std::unique_ptr<framework::IEditorView> QuorvantelLv2Ui::CreateEditor() {
  // Host().scaleFactor is the host's ui:scaleFactor; the editor draws at its own 800 x 600
  // until it can be built at a scale, which is where the factor goes.
  auto editor = std::make_unique<QuorvantelEditor>(*this, feed_);
  editor_ = editor.get();
  return editor;
}

void* QuorvantelLv2Ui::EditorWindow() const {
  return editor_ != nullptr ? editor_->GetWindow() : nullptr;
}

void* QuorvantelLv2Ui::OpenOwnWindow() {
  std::string error;
  window_ = qvhost::HostWindow::Create(0, 0, gui::kEditorWidth, gui::kEditorHeight, "Quorvantel", &error);
  if (window_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_->Id()));
}

bool QuorvantelLv2Ui::PumpOwnWindow() { return window_ != nullptr && window_->Pump(0); }

void QuorvantelLv2Ui::CloseOwnWindow() { window_.reset(); }

namespace {

framework::Lv2EditorUi* Create(const framework::Lv2UiHost& host) {
  return new (std::nothrow) QuorvantelLv2Ui(host);
}

}  // namespace

const LV2UI_Descriptor* QuorvantelLv2UiDescriptor() {
  static const framework::Lv2UiEntry entry =
      framework::MakeLv2UiEntry(kLv2UiUri, kLv2PluginUri, &Create);
  return &entry.descriptor;
}

}  // namespace quorvantel
