// The environment through the C library's setenv.
#include "host/cli/environment.h"

#include <stdlib.h>

namespace qvcli {

void SetEnvironment(const char* name, const char* value) { setenv(name, value, 1); }

}  // namespace qvcli
