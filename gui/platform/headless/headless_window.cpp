// The window layer of a build without a window system: no window ever opens, so hosts see the
// editor refuse to open and the plug-in goes on working; dialogs and the value entry do nothing.
#include <memory>

#include "gui/window_layer.h"

namespace gui {

namespace {

class HeadlessWindow : public IWindowLayer {
 public:
  bool OpenWindow(void*) override { return false; }
  void CloseWindow() override {}
  bool IsWindowOpen() const override { return false; }
  void* GetWindow() const override { return nullptr; }
  void PresentRect(const Rect&) override {}
  std::unique_ptr<IEntryWidget> OpenEntryWidget(const EntryRequest&, ValueEntry&) override {
    return nullptr;
  }
  int PopupMenu(const std::vector<std::string>&, int, int) override { return 0; }
  std::string PromptForFile(int, const std::string&) override { return {}; }
  bool PromptForColor(Color&, const char*) override { return false; }
  bool OpenUrl(const char*, const char*, const char*, const char*) override { return false; }
  std::string HostPath() override { return {}; }
  std::string PluginPath() override { return {}; }
};

}  // namespace

std::unique_ptr<IWindowLayer> CreateWindowLayer(IEditorSurface&) {
  return std::make_unique<HeadlessWindow>();
}

}  // namespace gui
