// The desktop's settings that the editor follows: the double-click time and the scale, read from
// the XSETTINGS manager that desktops run (GNOME, KDE, Xfce and others publish both there), the
// X resources and the toolkits' environment variables.
#pragma once

#include <xcb/xcb.h>

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

// The Xft.dpi value in the text of the RESOURCE_MANAGER property ("Xft.dpi:\t192" on a line of
// its own); nothing when it is absent or no positive number.
std::optional<double> XftDpiResource(std::string_view resources);

// The scale the toolkits' variables ask for: GDK_SCALE (GTK itself takes whole factors only),
// else QT_SCALE_FACTOR; 0 when neither holds a number of at least 1. Null arguments count as
// unset.
double ScaleFromEnvironment(const char* gdkScale, const char* qtScaleFactor);

// The scale the desktop on connection's screen asks of applications: Xft/DPI from the XSETTINGS
// manager (in 1024ths of a dot per inch), else the Xft.dpi resource, each over the 96 dots per
// inch of scale 1, else the toolkits' variables. Factors from dots per inch are taken to the
// nearest quarter (desktops offer scales in such steps and fonts round their DPI), then clamped
// to 1..3; 0 when nothing says.
double DesktopScale(xcb_connection_t* connection, int screenNumber);

// The nearest quarter of dpi / 96, for the factors above.
double ScaleOfDpi(double dpi);

}  // namespace gui::x11
