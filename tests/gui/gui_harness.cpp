// The GUI tests' display, tools, captures and plug-in window.
#include "tests/gui/gui_harness.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "raster/png_write.h"
#include "tests/gui/virtual_display.h"

namespace qvtest {

const std::string& TestDisplay() {
  static VirtualDisplay display(1700, 700);
  static const bool set = [] {
    if (!display.Name().empty()) setenv("DISPLAY", display.Name().c_str(), 1);
    return true;
  }();
  (void)set;
  return display.Name();
}

bool Xdo(const std::string& words) {
  std::vector<std::string> argv = {"xdotool"};
  std::istringstream in(words);
  for (std::string word; in >> word;) argv.push_back(word);
  return RunTool(argv);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

raster::Bitmap Capture(std::uint32_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  raster::Bitmap shot;
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  if (g != nullptr) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, g->width, g->height, ~0u),
        nullptr);
    if (image != nullptr && xcb_get_image_data_length(image) >= g->width * g->height * 4) {
      shot = raster::Bitmap(g->width, g->height);
      const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image));
      for (int i = 0; i < g->width * g->height; ++i) shot.Data()[i] = data[i] | 0xff000000u;
    }
    std::free(image);
  }
  std::free(g);
  xcb_disconnect(c);
  return shot;
}

std::uint32_t RootWindow() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const std::uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_disconnect(c);
  return root;
}

static xcb_query_tree_reply_t* Tree(xcb_connection_t* c, std::uint32_t window) {
  return xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
}

int ChildCount(std::uint32_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  xcb_query_tree_reply_t* tree = Tree(c, window);
  const int n = tree != nullptr ? xcb_query_tree_children_length(tree) : -1;
  std::free(tree);
  xcb_disconnect(c);
  return n;
}

std::uint32_t FirstChild(std::uint32_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  xcb_query_tree_reply_t* tree = Tree(c, window);
  const std::uint32_t child = tree != nullptr && xcb_query_tree_children_length(tree) > 0
                                  ? xcb_query_tree_children(tree)[0]
                                  : 0;
  std::free(tree);
  xcb_disconnect(c);
  return child;
}

void SaveShot(const raster::Bitmap& shot, const std::string& name) {
  std::string error;
  raster::WritePngFile(shot, name + ".png", error);
}

std::vector<std::uint32_t> Region(const raster::Bitmap& shot, int x0, int y0, int x1, int y1) {
  std::vector<std::uint32_t> pixels;
  for (int y = y0; y < y1 && y < shot.Height(); ++y)
    for (int x = x0; x < x1 && x < shot.Width(); ++x) pixels.push_back(shot.At(x, y));
  return pixels;
}

SettingsManager::SettingsManager(
    const std::vector<std::pair<std::string, std::uint32_t>>& integers) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  c_ = c;
  auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
  };
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  auto number = [](std::vector<std::uint8_t>& out, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
  };
  // Byte order, padding, serial, count; then per setting its type, name, last change and value.
  std::vector<std::uint8_t> record = {0, 0, 0, 0};
  number(record, 1, 4);
  number(record, std::uint32_t(integers.size()), 4);
  for (const auto& [name, value] : integers) {
    record.push_back(0);
    record.push_back(0);
    number(record, std::uint32_t(name.size()), 2);
    record.insert(record.end(), name.begin(), name.end());
    while (record.size() % 4 != 0) record.push_back(0);
    number(record, 0, 4);
    number(record, value, 4);
  }
  const xcb_atom_t settings = atom("_XSETTINGS_SETTINGS");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, settings, settings, 8,
                      std::uint32_t(record.size()), record.data());
  xcb_set_selection_owner(c, window, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// The selection goes with the window, and the window with the connection.
SettingsManager::~SettingsManager() { xcb_disconnect(static_cast<xcb_connection_t*>(c_)); }

PluginWindow::PluginWindow(int x) {
  std::string error;
  host_ = qvhost::PluginHost::Load(QV_PLUGIN_PATH, &error);
  if (!host_) return;
  host_->Open();
  host_->SetSampleRate(44100);
  host_->SetBlockSize(512);
  host_->SetActive(true);
  window_ = qvhost::HostWindow::Create(x, 0, 800, 600, "GUI test", &error);
}

PluginWindow::~PluginWindow() {
  if (host_) host_->Dispatch(vst2::kEffectEditClose);
}

bool PluginWindow::OpenEditor() {
  const auto parent = reinterpret_cast<void*>(std::uintptr_t(window_->Id()));
  return host_->Dispatch(vst2::kEffectEditOpen, 0, 0, parent) == 1;
}

void PluginWindow::CloseEditor() { host_->Dispatch(vst2::kEffectEditClose); }

}  // namespace qvtest
