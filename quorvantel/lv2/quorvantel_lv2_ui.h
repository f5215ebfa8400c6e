// The effect's LV2 UI: its own editor, fed from the port values the host sends (see
// EditorFeedModel), embedded under the host's ui:parent or shown in a window of its own when the
// host asks through ui:showInterface.
#pragma once

#include <memory>

#include "framework/lv2/editor_ui.h"
#include "quorvantel/editor/editor_feed.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/lv2/editor_feed_model.h"

namespace qvhost {
class HostWindow;
}

namespace quorvantel {

class QuorvantelLv2Ui final : public framework::Lv2EditorUi {
 public:
  // Host UI thread.
  explicit QuorvantelLv2Ui(const framework::Lv2UiHost& host);
  ~QuorvantelLv2Ui() override;

  // For tests: what the editor is fed, and the editor itself (its thread's while open).
  const EditorFeed& Feed() const { return feed_; }
  QuorvantelEditor* EditorSurface() const { return editor_; }

 protected:
  std::unique_ptr<framework::IEditorView> CreateEditor() override;
  void* EditorWindow() const override;
  void ParameterChanged(int index, double plain) override { model_.Apply(index, plain); }
  void ReadOutChanged(int which, float value) override { model_.ReadOut(which, value); }
  void* OpenOwnWindow() override;
  bool PumpOwnWindow() override;
  void CloseOwnWindow() override;

 private:
  EditorFeed feed_;
  EditorFeedModel model_;
  QuorvantelEditor* editor_ = nullptr;  // owned by the base once created
  std::unique_ptr<qvhost::HostWindow> window_;
};

// The UI's descriptor (lv2ui_descriptor index 0).
const LV2UI_Descriptor* QuorvantelLv2UiDescriptor();

}  // namespace quorvantel
