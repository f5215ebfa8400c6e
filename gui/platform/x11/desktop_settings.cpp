// XSETTINGS: the manager owns the selection _XSETTINGS_S<screen> with a window whose
// _XSETTINGS_SETTINGS property holds every setting in one binary record.
#include "gui/platform/x11/desktop_settings.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

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

std::uint32_t DesktopDoubleClickMs(X11Display& display, std::uint32_t fallbackMs) {
  xcb_connection_t* c = display.Connection();
  const std::string selection = "_XSETTINGS_S" + std::to_string(display.ScreenNumber());
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      c, xcb_get_selection_owner(c, display.Atom(selection.c_str())), nullptr);
  const xcb_window_t manager = owner != nullptr ? owner->owner : xcb_window_t(XCB_NONE);
  std::free(owner);
  if (manager == XCB_NONE) return fallbackMs;
  const xcb_atom_t settings = display.Atom("_XSETTINGS_SETTINGS");
  // The record is small; 64 KiB (in 4-byte units) is far more than any desktop publishes.
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, manager, settings, settings, 0, 16384), nullptr);
  std::optional<std::int32_t> ms;
  if (reply != nullptr && reply->format == 8) {
    const auto* bytes = static_cast<const std::uint8_t*>(xcb_get_property_value(reply));
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply));
    ms = XSettingsInteger({bytes, length}, "Net/DoubleClickTime");
  }
  std::free(reply);
  return ms && *ms >= 1 && *ms <= 5000 ? static_cast<std::uint32_t>(*ms) : fallbackMs;
}

}  // namespace gui::x11
