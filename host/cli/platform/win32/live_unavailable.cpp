// live and edit's audio through JACK in the Windows build, which has no JACK: live says so,
// edit --audio keeps its silent loop.
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/live_demo.h"

namespace qvcli {

int RunLive(const Args&) {
  throw CliError(kExitUsage,
                 "live is not available on Windows: it plays through JACK, which the Windows "
                 "build does not include; play the plug-in in a VST 2 host, or use the Linux "
                 "quorvantel-host");
}

std::unique_ptr<DemoPlayback> PlayDemoThroughJack(qvhost::PluginHost&, std::string* where) {
  where->clear();
  return nullptr;
}

}  // namespace qvcli
