// The demo phrase played through the plug-in while edit shows its editor (edit --audio):
// through JACK to the speakers when a server runs, otherwise silently on a thread of its own.
#pragma once

#include <memory>
#include <string>

#include "host/lib/plugin_host.h"

namespace qvcli {

// Plays until destroyed (main thread).
class DemoPlayback {
 public:
  virtual ~DemoPlayback() = default;
};

// Main thread. Plays the phrase in a loop through the plug-in to the JACK server's playback
// ports, as a JACK client of its own ("quorvantel-edit"), and puts in *where a line that says
// so. Null when no JACK server runs or it refuses the client (*where then says why, or is
// empty when there is simply no server), and on systems without JACK.
std::unique_ptr<DemoPlayback> PlayDemoThroughJack(qvhost::PluginHost& host, std::string* where);

}  // namespace qvcli
