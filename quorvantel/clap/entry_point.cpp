// The CLAP module's only exported symbol: the entry record hosts look up by name. The build
// makes it visible and the export list (platform/<system>/) keeps everything else in.
#include "framework/clap/clap_module.h"
#include "quorvantel/clap/quorvantel_clap.h"

extern "C" {

extern const clap::Entry clap_entry;
const clap::Entry clap_entry = {clap::kVersion, &framework::ClapModuleInit,
                                &framework::ClapModuleDeinit, &quorvantel::QuorvantelClapFactory};
}
