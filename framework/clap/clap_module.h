// The module side of CLAP, free of any effect: the plug-in factory over the module's table of
// plug-ins, and the counting that the entry's init and deinit need.
#pragma once

#include <cstdint>

#include "clap/clap_abi.h"

namespace framework {

struct ClapPluginType {
  const clap::PluginDescriptor* descriptor;  // static
  // Main thread: a new instance for host, not yet initialised; null when it cannot be made.
  const clap::Plugin* (*create)(const clap::Host* host);
};

// The factory record a module hands out for clap::kPluginFactoryId, over a table that lives as
// long as the module. Any thread may read it; creation is the type's create function's.
class ClapFactory {
 public:
  ClapFactory(const ClapPluginType* types, std::uint32_t count);
  ClapFactory(const ClapFactory&) = delete;
  ClapFactory& operator=(const ClapFactory&) = delete;

  const clap::PluginFactory* Record() const { return &record_; }

 private:
  static const ClapFactory* FromRecord(const clap::PluginFactory* record);
  static std::uint32_t Count(const clap::PluginFactory* record);
  static const clap::PluginDescriptor* Descriptor(const clap::PluginFactory* record,
                                                  std::uint32_t index);
  // Null for a host without the functions a plug-in needs, a host of another major version or
  // an unknown id.
  static const clap::Plugin* Create(const clap::PluginFactory* record, const clap::Host* host,
                                    const char* pluginId);

  clap::PluginFactory record_;  // first, so the record's address is the factory's
  const ClapPluginType* types_;
  std::uint32_t count_;
};

// The entry's init and deinit: counted, so that a host (or a wrapper inside it) that initialises
// the module twice is served, and only the last deinit ends it. True unless the path is null.
bool ClapModuleInit(const char* pluginPath);
void ClapModuleDeinit();
// Inits not yet matched by a deinit. Any thread.
int ClapModuleInitCount();

}  // namespace framework
