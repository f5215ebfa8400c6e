// The window system CLAP editors embed into on Linux.
#include "clap/clap_abi.h"
#include "host/lib/clap_plugin_host.h"

namespace qvhost {

const char* ClapWindowApi() { return clap::kWindowApiX11; }

}  // namespace qvhost
