// Where quorvantel-host looks for its plug-in and factory presets on Windows: beside the build,
// else where the zip puts them beside the program.
#include "common/platform/win32/wide_text.h"
#include "host/cli/session.h"

namespace qvcli {
namespace {

// The folder of the running program, with its trailing '\'.
std::wstring ProgramFolder() {
  wchar_t exe[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe, n < MAX_PATH ? n : 0);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// QV_*_FROM_BIN: an install folder as seen from the program's folder ("." in the zip).
std::wstring FromProgram(const std::string& relative) {
  return relative == "." ? ProgramFolder() : ProgramFolder() + win32::Wide(relative) + L"\\";
}

}  // namespace

std::string DefaultPluginPath() {
  const std::wstring built = ProgramFolder() + L"..\\plugin\\quorvantel.dll";
  if (Exists(built)) return win32::Utf8(built);
  return win32::Utf8(FromProgram(QV_VST2_FROM_BIN) + L"quorvantel.dll");
}

std::string FindPreset(const std::string& name) {
  if (name.find_first_of("/\\:") != std::string::npos || Exists(win32::Wide(name))) return name;
  const std::wstring installed = FromProgram(QV_PRESETS_FROM_BIN) + win32::Wide(name);
  return Exists(installed) ? win32::Utf8(installed) : name;
}

}  // namespace qvcli
