// Setting a variable in this process's environment, where a plug-in loaded afterwards reads it.
#pragma once

namespace qvcli {

// Sets name to value, replacing any earlier value. Main thread, before the plug-in is loaded.
void SetEnvironment(const char* name, const char* value);

}  // namespace qvcli
