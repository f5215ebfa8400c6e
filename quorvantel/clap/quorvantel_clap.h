// The effect as a CLAP plug-in: its instance type, its descriptor and the module's entry record.
#pragma once

#include "clap/clap_abi.h"
#include "framework/clap/effect_clap.h"
#include "quorvantel/quorvantel.h"

namespace quorvantel {

using QuorvantelClap = Quorvantel<framework::IEffectClap>;
extern template class Quorvantel<framework::IEffectClap>;

// The plug-in's id in every CLAP host; never changes.
constexpr char kQuorvantelClapId[] = "com.halbrecken.quorvantel";

const clap::PluginDescriptor& QuorvantelDescriptor();

// The instance behind a plug-in record that the factory made; null for null.
QuorvantelClap* FromClapPlugin(const clap::Plugin* plugin);

// The module's factories by id (the plug-in factory only); what the entry's getFactory is.
const void* QuorvantelClapFactory(const char* factoryId);

// An entry record like the module's clap_entry, for hosts that link the plug-in in (tests,
// fuzzing).
const clap::Entry& QuorvantelClapEntry();

}  // namespace quorvantel
