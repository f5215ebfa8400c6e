// The effect over the CLAP adapter: its descriptor, the factory that makes its instances and the
// module's entry.
#include "quorvantel/clap/quorvantel_clap.h"

#include <cstring>
#include <mutex>
#include <new>

#include "framework/clap/clap_module.h"

namespace quorvantel {

template class Quorvantel<framework::IEffectClap>;

namespace {

constexpr const char* kFeatures[] = {clap::kFeatureAudioEffect, clap::kFeatureDelay,
                                     clap::kFeatureGranular, clap::kFeatureStereo, nullptr};

// The project's version, the same as kQuorvantelVersion, as the descriptor's text.
constexpr char kVersionText[] = QV_VERSION_TEXT;

const clap::PluginDescriptor kDescriptor = {
    clap::kVersion,
    kQuorvantelClapId,
    "Quorvantel",
    "Halbrecken",
    "",
    "",
    "",
    kVersionText,
    "Stereo granular delay and texture effect",
    kFeatures,
};

// Main thread: one instance under the process-wide CreationLock; null when it cannot be made.
const clap::Plugin* Create(const clap::Host* host) {
  try {
    std::lock_guard lock(CreationLock());
    QuorvantelClap* effect = new (std::nothrow) QuorvantelClap(host, &kDescriptor);
    return effect != nullptr ? effect->Record() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

const framework::ClapPluginType kTypes[] = {{&kDescriptor, &Create}};

const framework::ClapFactory kFactory(kTypes, 1);

}  // namespace

const void* QuorvantelClapFactory(const char* factoryId) {
  if (factoryId == nullptr || std::strcmp(factoryId, clap::kPluginFactoryId) != 0) return nullptr;
  return kFactory.Record();
}

const clap::PluginDescriptor& QuorvantelDescriptor() { return kDescriptor; }

QuorvantelClap* FromClapPlugin(const clap::Plugin* plugin) {
  return static_cast<QuorvantelClap*>(framework::IEffectClap::FromRecord(plugin));
}

const clap::Entry& QuorvantelClapEntry() {
  static const clap::Entry entry = {clap::kVersion, &framework::ClapModuleInit,
                                    &framework::ClapModuleDeinit, &QuorvantelClapFactory};
  return entry;
}

}  // namespace quorvantel
