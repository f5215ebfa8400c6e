// render and generate in the Windows build, which has no audio file library: they say so.
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"

namespace qvcli {
namespace {

[[noreturn]] void Unavailable(const char* command) {
  throw CliError(kExitUsage, std::string(command) +
                                 " is not part of the Windows build (it has no audio file "
                                 "library); use the Linux quorvantel-host for audio files");
}

}  // namespace

int RunRender(const Args&) { Unavailable("render"); }
int RunGenerate(const Args&) { Unavailable("generate"); }

}  // namespace qvcli
