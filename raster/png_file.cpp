// Writing an encoded PNG to a file that is replaced only when complete.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "raster/png_write.h"

namespace raster {

bool WritePngFile(const Bitmap& bitmap, const std::string& path, std::string& error) {
  std::vector<unsigned char> bytes;
  if (!EncodePng(bitmap, bytes, error)) return false;
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  // std::filesystem::rename replaces an existing file on Windows too, where std::rename fails.
  std::error_code failed;
  if (ok) std::filesystem::rename(tmp, path, failed);
  if (!ok || failed) {
    const std::string reason = failed ? failed.message() : std::string(std::strerror(errno));
    std::remove(tmp.c_str());
    error = "cannot write " + path + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace raster
