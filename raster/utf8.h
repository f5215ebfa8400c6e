// Decoding UTF-8 text one code point at a time, as the fonts read their texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace raster {

// The code point at s[i], advancing i past it; a byte that does not start a valid sequence is
// taken as Latin-1 on its own. i < s.size() on entry.
inline char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  const int extra = c >= 0xF0 && c < 0xF5   ? 3
                    : c >= 0xE0 && c < 0xF0 ? 2
                    : c >= 0xC2 && c < 0xE0 ? 1
                                            : 0;
  if (extra == 0 || s.size() - i <= std::size_t(extra)) {
    ++i;
    return c;
  }
  char32_t cp = c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + std::size_t(k)]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return c;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += std::size_t(extra) + 1;
  return cp;
}

}  // namespace raster
