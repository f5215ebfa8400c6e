// The effect as an LV2 plug-in: its instance type and the descriptor the module's lv2_descriptor
// returns.
#pragma once

#include <lv2/core/lv2.h>

#include "framework/lv2/effect_lv2.h"
#include "quorvantel/lv2/lv2_ports.h"
#include "quorvantel/quorvantel.h"

namespace quorvantel {

extern template class Quorvantel<framework::IEffectLv2>;

class QuorvantelLv2 final : public Quorvantel<framework::IEffectLv2> {
 public:
  explicit QuorvantelLv2(const framework::Lv2Instance& instance);

 protected:
  // Audio thread, lock held: the statistics as the editor's read-outs last showed them.
  void ReadOutValues(float* values, int count) override;
};

// The plug-in's descriptor: instantiate builds a QuorvantelLv2 under the CreationLock.
const LV2_Descriptor* QuorvantelLv2Descriptor();

}  // namespace quorvantel
