// XSETTINGS: the manager owns the selection _XSETTINGS_S<screen> with a window whose
// _XSETTINGS_SETTINGS property holds every setting in one binary record. X resources: the
// RESOURCE_MANAGER property of the root window holds "name:\tvalue" lines.
#include "gui/platform/x11/desktop_settings.h"

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/device_scale.h"
#include "gui/platform/x11/x11_display.h"

namespace gui::x11 {
namespace {

// A bounded reader in the record's byte order (byte 0: 0 little-endian, 1 big-endian).
class Reader {
 public:
  Reader(std::span<const std::uint8_t> data, bool bigEndian) : data_(data), big_(bigEndian) {}
  bool Skip(std::size_t n) {
    if (n > data_.size() - pos_) return false;
    pos_ += n;
    return true;
  }
  bool Number(std::size_t width, std::uint32_t* out) {
    if (width > data_.size() - pos_) return false;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::uint32_t byte = data_[pos_ + (big_ ? i : width - 1 - i)];
      v = (v << 8) | byte;
    }
    pos_ += width;
    *out = v;
    return true;
  }
  bool Text(std::size_t n, std::string_view* out) {
    if (n > data_.size() - pos_) return false;
    *out = std::string_view(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return true;
  }

 private:
  std::span<const std::uint8_t> data_;
  bool big_;
  std::size_t pos_ = 0;
};

constexpr std::size_t Padded(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

}  // namespace

std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> data,
                                             std::string_view name) {
  if (data.empty() || data[0] > 1) return std::nullopt;
  Reader r(data, data[0] == 1);
  std::uint32_t count = 0;
  if (!r.Skip(4) || !r.Skip(4) || !r.Number(4, &count)) return std::nullopt;  // order, serial
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t type = 0, nameLength = 0, value = 0;
    std::string_view settingName;
    if (!r.Number(1, &type) || !r.Skip(1) || !r.Number(2, &nameLength) ||
        !r.Text(nameLength, &settingName) || !r.Skip(Padded(nameLength) - nameLength) ||
        !r.Skip(4)) {  // last-change serial
      return std::nullopt;
    }
    switch (type) {
      case 0:  // integer
        if (!r.Number(4, &value)) return std::nullopt;
        if (settingName == name) return static_cast<std::int32_t>(value);
        break;
      case 1:  // string
        if (!r.Number(4, &value) || !r.Skip(value) || !r.Skip(Padded(value) - value))
          return std::nullopt;
        break;
      case 2:  // colour: four 16-bit channels
        if (!r.Skip(8)) return std::nullopt;
        break;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

namespace {

// The XSETTINGS record of the manager of screenNumber, empty when none runs.
std::vector<std::uint8_t> XSettingsRecord(xcb_connection_t* c, int screenNumber) {
  std::vector<std::uint8_t> record;
  const std::string selection = "_XSETTINGS_S" + std::to_string(screenNumber);
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      c, xcb_get_selection_owner(c, InternAtom(c, selection.c_str())), nullptr);
  const xcb_window_t manager = owner != nullptr ? owner->owner : xcb_window_t(XCB_NONE);
  std::free(owner);
  if (manager == XCB_NONE) return record;
  const xcb_atom_t settings = InternAtom(c, "_XSETTINGS_SETTINGS");
  // The record is small; 64 KiB (in 4-byte units) is far more than any desktop publishes.
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, manager, settings, settings, 0, 16384), nullptr);
  if (reply != nullptr && reply->format == 8) {
    const auto* bytes = static_cast<const std::uint8_t*>(xcb_get_property_value(reply));
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply));
    record.assign(bytes, bytes + length);
  }
  std::free(reply);
  return record;
}

// The RESOURCE_MANAGER text of the screen's root window (where xrdb puts the resources).
std::string ResourceText(xcb_connection_t* c, int screenNumber) {
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return {};
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c,
                             xcb_get_property(c, 0, screens.data->root, XCB_ATOM_RESOURCE_MANAGER,
                                              XCB_ATOM_STRING, 0, 16384),
                             nullptr);
  std::string text;
  if (reply != nullptr && reply->format == 8)
    text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                static_cast<std::size_t>(xcb_get_property_value_length(reply)));
  std::free(reply);
  return text;
}

// The number text holds, blanks around it allowed; nothing when it holds anything else.
std::optional<double> Number(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  if (text.empty() || text.size() > 32) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const double v = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::uint32_t DesktopDoubleClickMs(X11Display& display, std::uint32_t fallbackMs) {
  const std::vector<std::uint8_t> record =
      XSettingsRecord(display.Connection(), display.ScreenNumber());
  const std::optional<std::int32_t> ms = XSettingsInteger(record, "Net/DoubleClickTime");
  return ms && *ms >= 1 && *ms <= 5000 ? static_cast<std::uint32_t>(*ms) : fallbackMs;
}

std::optional<double> XftDpiResource(std::string_view resources) {
  constexpr std::string_view kName = "Xft.dpi:";
  for (std::size_t start = 0; start < resources.size();) {
    std::size_t end = resources.find('\n', start);
    if (end == std::string_view::npos) end = resources.size();
    const std::string_view line = resources.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kName.size()) != kName) continue;
    const std::optional<double> dpi = Number(line.substr(kName.size()));
    return dpi && *dpi > 0.0 ? dpi : std::nullopt;
  }
  return std::nullopt;
}

double ScaleFromEnvironment(const char* gdkScale, const char* qtScaleFactor) {
  for (const char* text : {gdkScale, qtScaleFactor}) {
    if (text == nullptr) continue;
    const std::optional<double> v = Number(text);
    if (v && *v >= 1.0) return ClampScale(*v);
  }
  return 0.0;
}

double ScaleOfDpi(double dpi) {
  if (!(dpi > 0.0)) return 0.0;
  return ClampScale(std::round(dpi / 96.0 * 4.0) / 4.0);
}

double DesktopScale(xcb_connection_t* c, int screenNumber) {
  if (c == nullptr || xcb_connection_has_error(c)) return 0.0;
  const std::optional<std::int32_t> xft =
      XSettingsInteger(XSettingsRecord(c, screenNumber), "Xft/DPI");
  if (xft && *xft > 0) return ScaleOfDpi(*xft / 1024.0);
  if (const std::optional<double> dpi = XftDpiResource(ResourceText(c, screenNumber)))
    return ScaleOfDpi(*dpi);
  return ScaleFromEnvironment(std::getenv("GDK_SCALE"), std::getenv("QT_SCALE_FACTOR"));
}

}  // namespace gui::x11
