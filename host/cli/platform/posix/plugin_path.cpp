// Where quorvantel-host looks for its plug-in on Linux: beside the build, else in ~/.vst.
#include <unistd.h>

#include <cstdlib>

#include "host/cli/session.h"

namespace qvcli {

std::string DefaultPluginPath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = '\0';
    std::string dir(exe);
    dir.resize(dir.find_last_of('/'));
    const std::string built = dir + "/../plugin/quorvantel.so";
    if (access(built.c_str(), R_OK) == 0) return built;
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.vst/quorvantel.so";
}

}  // namespace qvcli
