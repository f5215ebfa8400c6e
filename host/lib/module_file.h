// Loading a plug-in module file and finding its functions: dlopen on Linux, LoadLibrary on
// Windows. Called on the host's loading thread.
#pragma once

#include <string>

namespace qvhost {

// Loads the module at path; null with a one-line reason (not repeating the path) on failure.
void* OpenModuleFile(const std::string& path, std::string& reason);
// The address of an exported function, or null.
void* ModuleFunction(void* module, const char* name);
void CloseModuleFile(void* module);

}  // namespace qvhost
