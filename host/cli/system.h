// What quorvantel-host asks of the operating system outside its files: the environment a plug-in
// loaded afterwards reads, and whether standard error is a terminal.
#pragma once

namespace qvcli {

// Sets name to value, replacing any earlier value. Main thread, before the plug-in is loaded.
void SetEnvironment(const char* name, const char* value);

// Whether standard error is a terminal (where a progress bar can be redrawn in place).
bool StandardErrorIsTerminal();

}  // namespace qvcli
