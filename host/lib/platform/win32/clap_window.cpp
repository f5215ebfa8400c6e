// The window system CLAP editors embed into on Windows.
#include "clap/clap_abi.h"
#include "host/lib/clap_plugin_host.h"

namespace qvhost {

const char* ClapWindowApi() { return clap::kWindowApiWin32; }

}  // namespace qvhost
