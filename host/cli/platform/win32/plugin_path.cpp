// Where quorvantel-host looks for its plug-in on Windows: beside the build, else beside itself.
#include "common/platform/win32/wide_text.h"
#include "host/cli/session.h"

namespace qvcli {

std::string DefaultPluginPath() {
  wchar_t exe[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe, n < MAX_PATH ? n : 0);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  const std::wstring built = dir + L"..\\plugin\\quorvantel.dll";
  if (GetFileAttributesW(built.c_str()) != INVALID_FILE_ATTRIBUTES) return win32::Utf8(built);
  return win32::Utf8(dir + L"quorvantel.dll");
}

}  // namespace qvcli
