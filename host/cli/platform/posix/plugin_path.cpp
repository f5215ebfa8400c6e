// Where quorvantel-host looks for its plug-in and factory presets on Linux: beside the build,
// else where they were installed with the program, else in ~/.vst.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>

#include "host/cli/session.h"

namespace qvcli {
namespace {

// The folder of the running program, without a trailing '/'; empty when unknown.
std::string ProgramFolder() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "";
  exe[n] = '\0';
  std::string dir(exe);
  dir.resize(dir.find_last_of('/'));
  return dir;
}

bool Readable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

// An installed file by its plain name (/usr/lib/vst/..., not /usr/bin/../lib/vst/...).
std::string Resolved(const std::string& path) {
  char* full = realpath(path.c_str(), nullptr);
  if (!full) return path;
  std::string out(full);
  std::free(full);
  return out;
}

}  // namespace

std::string DefaultPluginPath() {
  const std::string dir = ProgramFolder();
  if (!dir.empty()) {
    const std::string built = dir + "/../plugin/quorvantel.so";
    if (Readable(built)) return built;
    // QV_VST2_FROM_BIN: the plug-in folder as seen from the program's install folder.
    const std::string installed = dir + "/" QV_VST2_FROM_BIN "/quorvantel.so";
    if (Readable(installed)) return Resolved(installed);
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.vst/quorvantel.so";
}

std::string FindPreset(const std::string& name) {
  if (name.find('/') != std::string::npos || Readable(name)) return name;
  const std::string dir = ProgramFolder();
  if (dir.empty()) return name;
  const std::string installed = dir + "/" QV_PRESETS_FROM_BIN "/" + name;
  return Readable(installed) ? Resolved(installed) : name;
}

}  // namespace qvcli
