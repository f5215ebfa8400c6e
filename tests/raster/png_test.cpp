// PNG encoding and decoding: exact round trip, and damaged or hostile images refused cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "raster/png_read.h"
#include "raster/png_write.h"

using raster::Bitmap;
using raster::MakePixel;

namespace {

Bitmap Pattern() {
  Bitmap b(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) b.At(x, y) = MakePixel(x * 40, y * 60, x * 30 + y, 255 - x * y);
  return b;
}

std::vector<unsigned char> Encoded(const Bitmap& b) {
  std::vector<unsigned char> bytes;
  std::string error;
  EXPECT_TRUE(raster::EncodePng(b, bytes, error)) << error;
  return bytes;
}

TEST(PngRoundTrip, PixelsAndAlphaComeBackExactly) {
  const Bitmap original = Pattern();
  const std::vector<unsigned char> bytes = Encoded(original);
  Bitmap decoded;
  std::string error;
  ASSERT_TRUE(raster::DecodePng(bytes.data(), bytes.size(), decoded, error)) << error;
  ASSERT_EQ(decoded.Width(), 7);
  ASSERT_EQ(decoded.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(decoded.At(x, y), original.At(x, y)) << x << "," << y;
}

TEST(PngDamaged, EveryTruncationOfTheImageDataIsAnError) {
  const std::vector<unsigned char> bytes = Encoded(Pattern());
  // Only the closing 12-byte IEND chunk may go missing without losing pixels.
  for (std::size_t n = 0; n + 12 < bytes.size(); ++n) {
    Bitmap out;
    std::string error;
    EXPECT_FALSE(raster::DecodePng(bytes.data(), n, out, error)) << n;
    EXPECT_TRUE(out.Empty());
    EXPECT_FALSE(error.empty());
  }
}

TEST(PngDamaged, CorruptedBytesNeverCrash) {
  const std::vector<unsigned char> bytes = Encoded(Pattern());
  int refused = 0;
  for (std::size_t i = 8; i < bytes.size(); ++i) {
    std::vector<unsigned char> bad = bytes;
    bad[i] ^= 0x5A;
    Bitmap out;
    std::string error;
    if (!raster::DecodePng(bad.data(), bad.size(), out, error)) {
      ++refused;
      EXPECT_TRUE(out.Empty());
    }
  }
  EXPECT_GT(refused, int(bytes.size()) / 2) << "checksums catch most corruption";
}

TEST(PngDamaged, NonPngAndHugeHeadersAreRefused) {
  Bitmap out;
  std::string error;
  EXPECT_FALSE(raster::DecodePng(nullptr, 100, out, error));
  const char text[] = "this is not an image at all";
  EXPECT_FALSE(raster::DecodePng(text, sizeof text, out, error));
  EXPECT_NE(error.find("signature"), std::string::npos);
  // A valid header claiming 100000 × 100000 pixels must not be allocated.
  std::vector<unsigned char> bytes = Encoded(Pattern());
  auto put32 = [&](std::size_t at, unsigned v) {
    bytes[at] = v >> 24, bytes[at + 1] = v >> 16, bytes[at + 2] = v >> 8, bytes[at + 3] = v;
  };
  put32(16, 100000);
  put32(20, 100000);
  // Header CRC over "IHDR" and its 13 data bytes.
  unsigned crc = 0xFFFFFFFFu;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  put32(29, ~crc);
  EXPECT_FALSE(raster::DecodePng(bytes.data(), bytes.size(), out, error));
  EXPECT_NE(error.find("out of range"), std::string::npos) << error;
  EXPECT_TRUE(out.Empty());
}

TEST(PngEncoding, EmptyBitmapIsRefused) {
  std::vector<unsigned char> bytes;
  std::string error;
  EXPECT_FALSE(raster::EncodePng(Bitmap(), bytes, error));
  EXPECT_FALSE(raster::WritePngFile(Bitmap(), "/nonexistent-dir/x.png", error));
  EXPECT_FALSE(raster::WritePngFile(Pattern(), "/nonexistent-dir/x.png", error));
}

}  // namespace
