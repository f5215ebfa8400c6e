// Reading the desktop's double-click time out of an XSETTINGS record, and damaged records.
#include "gui/platform/x11/desktop_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gui::x11 {
namespace {

// Builds a record in either byte order: a string, a colour, then the integers given.
class Record {
 public:
  explicit Record(bool bigEndian) : big_(bigEndian) {
    bytes.push_back(bigEndian ? 1 : 0);
    bytes.resize(4);
    Number(4, 7);  // serial
    Number(4, 0);  // count, patched by each setting
  }
  void Integer(const std::string& name, std::uint32_t value) {
    Head(0, name);
    Number(4, value);
  }
  void String(const std::string& name, const std::string& value) {
    Head(1, name);
    Number(4, static_cast<std::uint32_t>(value.size()));
    Padded(value);
  }
  void Colour(const std::string& name) {
    Head(2, name);
    for (int i = 0; i < 4; ++i) Number(2, 0xffff);
  }
  std::vector<std::uint8_t> bytes;

 private:
  void Number(int width, std::uint32_t v) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (big_ ? width - 1 - i : i);
      bytes.push_back(static_cast<std::uint8_t>(v >> shift));
    }
  }
  void Padded(const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    while (bytes.size() % 4 != 0) bytes.push_back(0);
  }
  void Head(int type, const std::string& name) {
    const std::size_t count = ++settings_;
    for (int i = 0; i < 4; ++i) bytes[8 + i] = std::uint8_t(count >> (8 * (big_ ? 3 - i : i)));
    bytes.push_back(static_cast<std::uint8_t>(type));
    bytes.push_back(0);
    Number(2, static_cast<std::uint32_t>(name.size()));
    Padded(name);
    Number(4, 3);  // last change
  }
  bool big_;
  std::size_t settings_ = 0;
};

TEST(XSettings, FindsTheIntegerInEitherByteOrderPastOtherKindsOfSetting) {
  for (bool big : {false, true}) {
    Record r(big);
    r.String("Net/ThemeName", "Adwaita");
    r.Colour("Gtk/Color");
    r.Integer("Net/DndDragThreshold", 8);
    r.Integer("Net/DoubleClickTime", 250);
    EXPECT_EQ(XSettingsInteger(r.bytes, "Net/DoubleClickTime"), 250) << big;
    EXPECT_EQ(XSettingsInteger(r.bytes, "Net/DndDragThreshold"), 8);
    EXPECT_FALSE(XSettingsInteger(r.bytes, "Net/ThemeName"));  // a string, not an integer
    EXPECT_FALSE(XSettingsInteger(r.bytes, "Net/CursorBlinkTime"));
  }
}

TEST(XSettings, ADamagedRecordGivesNothingAndIsNeverReadPastItsEnd) {
  Record r(false);
  r.String("Net/ThemeName", "Adwaita");
  r.Integer("Net/DoubleClickTime", 250);
  // Every truncation either still reaches the setting or gives nothing.
  for (std::size_t n = 0; n < r.bytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(r.bytes.begin(), r.bytes.begin() + n);
    EXPECT_FALSE(XSettingsInteger(cut, "Net/DoubleClickTime")) << n;
  }
  std::vector<std::uint8_t> huge = r.bytes;
  huge[36] = huge[37] = huge[38] = huge[39] = 0xff;  // the string's length: 4 GiB
  EXPECT_FALSE(XSettingsInteger(huge, "Net/DoubleClickTime"));
  std::vector<std::uint8_t> order = r.bytes;
  order[0] = 2;  // neither byte order
  EXPECT_FALSE(XSettingsInteger(order, "Net/DoubleClickTime"));
}

TEST(DesktopScale, DotsPerInchGiveTheNearestQuarterWithinOneToThree) {
  EXPECT_EQ(ScaleOfDpi(96), 1.0);
  EXPECT_EQ(ScaleOfDpi(120), 1.25);
  EXPECT_EQ(ScaleOfDpi(144), 1.5);
  EXPECT_EQ(ScaleOfDpi(192), 2.0);
  EXPECT_EQ(ScaleOfDpi(196608 / 1024.0), 2.0);  // as XSETTINGS publishes 192
  EXPECT_EQ(ScaleOfDpi(100), 1.0);              // a font DPI, not a scale
  EXPECT_EQ(ScaleOfDpi(72), 1.0);
  EXPECT_EQ(ScaleOfDpi(500), 3.0);
  EXPECT_EQ(ScaleOfDpi(0), 0.0);
  EXPECT_EQ(ScaleOfDpi(-96), 0.0);
}

TEST(DesktopScale, TheXftDpiResourceIsFoundOnALineOfItsOwn) {
  EXPECT_EQ(XftDpiResource("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192.0);
  EXPECT_EQ(XftDpiResource("Xft.dpi: 144"), 144.0);
  EXPECT_EQ(XftDpiResource("Xft.dpi:\t120\r\n"), 120.0);
  EXPECT_FALSE(XftDpiResource(""));
  EXPECT_FALSE(XftDpiResource("Xcursor.size:\t48\n*Xft.dpiX:\t192\n"));
  EXPECT_FALSE(XftDpiResource("Xft.dpi:\tlarge\n"));
  EXPECT_FALSE(XftDpiResource("Xft.dpi:\t0\n"));
  EXPECT_FALSE(XftDpiResource("Xft.dpi:\t-96\n"));
}

TEST(DesktopScale, GdkScaleComesBeforeQtScaleFactorAndNonsenseIsUnset) {
  EXPECT_EQ(ScaleFromEnvironment("2", "1.5"), 2.0);
  EXPECT_EQ(ScaleFromEnvironment(nullptr, "1.5"), 1.5);
  EXPECT_EQ(ScaleFromEnvironment("", "1.75"), 1.75);
  EXPECT_EQ(ScaleFromEnvironment("x", "0.5"), 0.0);
  EXPECT_EQ(ScaleFromEnvironment("8", nullptr), 3.0);
  EXPECT_EQ(ScaleFromEnvironment(nullptr, nullptr), 0.0);
}

}  // namespace
}  // namespace gui::x11
