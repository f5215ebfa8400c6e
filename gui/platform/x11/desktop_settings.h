// The desktop's settings that the editor follows, read from the XSETTINGS manager that desktops
// run (GNOME, KDE, Xfce and others publish their double-click time there).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace gui::x11 {

class X11Display;

// The integer setting `name` in the XSETTINGS property data (either byte order); nothing when it
// is absent, of another type, or the data is damaged. Never reads outside data.
std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> data,
                                             std::string_view name);

// The desktop's "Net/DoubleClickTime" in milliseconds when a settings manager runs on the
// display and publishes a sensible one (1 to 5000 ms); otherwise fallbackMs.
std::uint32_t DesktopDoubleClickMs(X11Display& display, std::uint32_t fallbackMs);

}  // namespace gui::x11
