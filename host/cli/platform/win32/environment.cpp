// The environment through the C runtime's _putenv_s: Windows' C runtime has no setenv, and the
// plug-in's getenv reads the same runtime's copy of the environment.
#include "host/cli/environment.h"

#include <stdlib.h>

namespace qvcli {

void SetEnvironment(const char* name, const char* value) { _putenv_s(name, value); }

}  // namespace qvcli
