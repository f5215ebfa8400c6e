// The environment and the terminal through Windows' C runtime: it has no setenv, and the
// plug-in's getenv reads the same runtime's copy of the environment.
#include "host/cli/system.h"

#include <io.h>
#include <stdio.h>
#include <stdlib.h>

namespace qvcli {

void SetEnvironment(const char* name, const char* value) { _putenv_s(name, value); }

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace qvcli
