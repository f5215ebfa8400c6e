// qv_artwork: draws the editor's three images from img/artwork.txt and writes them as PNG files.
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
    bool (*draw)(const artwork::Source&, raster::Bitmap&, std::string&);
  };
  const Image images[] = {
      {"800x600.png", artwork::DrawBackground},
      {"live knob.png", artwork::DrawKnobStrip},
      {"sq_button_10.png", artwork::DrawSwitch},
  };
  for (const Image& image : images) {
    raster::Bitmap bitmap;
    if (!image.draw(source, bitmap, error) ||
        !raster::WritePngFile(bitmap, dir + image.file, error)) {
      std::fprintf(stderr, "qv_artwork: %s: %s\n", image.file, error.c_str());
      return 1;
    }
    std::printf("%s%s: %d x %d\n", dir.c_str(), image.file, bitmap.Width(), bitmap.Height());
  }
  return 0;
}
