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
  auto editor = std::make_unique<QuorvantelEditor>(*this, feed_);
  // The host's ui:scaleFactor; 1 is also what a host that gives none leaves, so it leaves the
  // scale to the desktop.
  if (Host().scaleFactor != 1.0) editor->SetScale(Host().scaleFactor);
  editor_ = editor.get();
  return editor;
}

void* QuorvantelLv2Ui::EditorWindow() const {
  return editor_ != nullptr ? editor_->GetWindow() : nullptr;
}

void* QuorvantelLv2Ui::OpenOwnWindow() {
  std::string error;
  const int width = editor_ != nullptr ? editor_->Width() : gui::kEditorWidth;
  const int height = editor_ != nullptr ? editor_->Height() : gui::kEditorHeight;
  window_ = qvhost::HostWindow::Create(0, 0, width, height, "Quorvantel", &error);
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
