// What quorvantel-host tidies up when the user interrupts it (Ctrl-C, SIGTERM, SIGHUP): the
// temporary output being written is removed and a progress line on the terminal is cleared.
#pragma once

namespace qvcli {

// Installs the handlers once; further calls do nothing. Main thread.
void WatchInterrupts();

// The temporary file to remove on an interrupt; null when there is none. Call with the signals
// blocked (as TempOutput does) so no interrupt falls between creating and registering the file.
void SetPendingRemoval(const char* path);

// Whether a progress line is on the terminal and must be cleared on an interrupt.
void SetProgressShown(bool shown);

}  // namespace qvcli
