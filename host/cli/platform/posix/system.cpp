// The environment and the terminal through the C library and POSIX.
#include "host/cli/system.h"

#include <stdlib.h>
#include <unistd.h>

namespace qvcli {

void SetEnvironment(const char* name, const char* value) { setenv(name, value, 1); }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace qvcli
