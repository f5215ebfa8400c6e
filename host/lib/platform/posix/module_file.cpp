// Module files through the dynamic loader.
#include "host/lib/module_file.h"

#include <dlfcn.h>

namespace qvhost {

void* OpenModuleFile(const std::string& path, std::string& reason) {
  dlerror();
  // dlopen looks a bare file name up on the library search path; a name the user gives is a
  // path relative to the current folder.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* text = dlerror();
    reason = text != nullptr ? text : "unknown error";
    // dlerror usually starts with the path again; say it once.
    if (reason.rfind(file + ": ", 0) == 0) reason.erase(0, file.size() + 2);
  }
  return module;
}

void* ModuleFunction(void* module, const char* name) { return dlsym(module, name); }

void CloseModuleFile(void* module) { dlclose(module); }

}  // namespace qvhost
