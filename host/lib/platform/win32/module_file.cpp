// Module files through LoadLibrary; paths are UTF-8.
#include "host/lib/module_file.h"

#include <string>

#include "common/platform/win32/wide_text.h"

namespace qvhost {

void* OpenModuleFile(const std::string& path, std::string& reason) {
  // No "cannot find the module" dialog from Windows for a missing dependency.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // LoadLibrary looks a bare file name up on the DLL search path; a name the user gives is a
  // path relative to the current folder.
  const std::string file = path.find_first_of("/\\:") == std::string::npos ? ".\\" + path : path;
  HMODULE module =
      LoadLibraryExW(win32::Wide(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  SetErrorMode(previous);
  if (module == nullptr) reason = win32::ErrorText(code);
  return reinterpret_cast<void*>(module);
}

void* ModuleFunction(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModuleFile(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace qvhost
