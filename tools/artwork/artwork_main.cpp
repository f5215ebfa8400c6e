// qv_artwork: draws the editor's three images from img/artwork.txt and writes them as PNG files,
// each at the editor's size and at twice it.
#include <cstdio>
#include <string>

#include "raster/png_write.h"
#include "tools/artwork/artwork_images.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE.txt OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  artwork::Source source;
  std::string error;
  if (!artwork::ReadSource(argv[1], source, error)) {
    std::fprintf(stderr, "qv_artwork: %s\n", error.c_str());
    return 1;
  }
  const std::string dir = std::string(argv[2]) + "/";
  struct Image {
    const char* file;
    bool (*draw)(const artwork::Source&, int, raster::Bitmap&, std::string&);
  };
  const Image images[] = {
      {"800x600", artwork::DrawBackground},
      {"live knob", artwork::DrawKnobStrip},
      {"sq_button_10", artwork::DrawSwitch},
  };
  // Each image at the editor's size, and at twice it for scaled editors ("@2x").
  for (const int scale : {1, 2}) {
    for (const Image& image : images) {
      const std::string file = std::string(image.file) + (scale == 1 ? "" : "@2x") + ".png";
      raster::Bitmap bitmap;
      if (!image.draw(source, scale, bitmap, error) ||
          !raster::WritePngFile(bitmap, dir + file, error)) {
        std::fprintf(stderr, "qv_artwork: %s: %s\n", file.c_str(), error.c_str());
        return 1;
      }
      std::printf("%s%s: %d x %d\n", dir.c_str(), file.c_str(), bitmap.Width(), bitmap.Height());
    }
  }
  return 0;
}
