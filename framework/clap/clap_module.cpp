// The plug-in factory and the entry's init counting.
#include "framework/clap/clap_module.h"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace framework {

namespace {

std::atomic<int> gInits{0};

}  // namespace

ClapFactory::ClapFactory(const ClapPluginType* types, std::uint32_t count)
    : record_{&Count, &Descriptor, &Create}, types_(types), count_(count) {
  static_assert(offsetof(ClapFactory, record_) == 0);
}

const ClapFactory* ClapFactory::FromRecord(const clap::PluginFactory* record) {
  return reinterpret_cast<const ClapFactory*>(record);
}

std::uint32_t ClapFactory::Count(const clap::PluginFactory* record) {
  return record != nullptr ? FromRecord(record)->count_ : 0;
}

const clap::PluginDescriptor* ClapFactory::Descriptor(const clap::PluginFactory* record,
                                                      std::uint32_t index) {
  if (record == nullptr || index >= FromRecord(record)->count_) return nullptr;
  return FromRecord(record)->types_[index].descriptor;
}

const clap::Plugin* ClapFactory::Create(const clap::PluginFactory* record, const clap::Host* host,
                                        const char* pluginId) {
  if (record == nullptr || host == nullptr || pluginId == nullptr) return nullptr;
  if (!clap::VersionCompatible(host->clapVersion) || host->getExtension == nullptr) return nullptr;
  const ClapFactory* factory = FromRecord(record);
  for (std::uint32_t i = 0; i < factory->count_; ++i) {
    const ClapPluginType& type = factory->types_[i];
    if (std::strcmp(type.descriptor->id, pluginId) == 0) return type.create(host);
  }
  return nullptr;
}

bool ClapModuleInit(const char* pluginPath) {
  if (pluginPath == nullptr) return false;
  gInits.fetch_add(1);
  return true;
}

void ClapModuleDeinit() {
  int n = gInits.load();
  while (n > 0 && !gInits.compare_exchange_weak(n, n - 1)) {
  }
}

int ClapModuleInitCount() { return gInits.load(); }

}  // namespace framework
