// The effect as a VST 2 plug-in: its instance type, and the creation the entry points call.
#pragma once

#include "framework/vst2/effect_vst2.h"
#include "quorvantel/quorvantel.h"

namespace quorvantel {

using QuorvantelVst2 = Quorvantel<framework::IEffectVst2>;
extern template class Quorvantel<framework::IEffectVst2>;

// The instance behind an effect record that CreateQuorvantelEffect made; null for null.
QuorvantelVst2* FromEffect(vst2::AEffect* effect);

// Builds one instance under the process-wide CreationLock and returns its effect record, or null
// when it cannot be created (allocation failure). Any thread; what the entry points call.
vst2::AEffect* CreateQuorvantelEffect(vst2::HostCallback host);

}  // namespace quorvantel
