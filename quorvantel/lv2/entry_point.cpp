// The LV2 plug-in module's only exported function. The build makes it visible and the export
// list (platform/linux/lv2_exports.map) keeps everything else in.
#include <lv2/core/lv2.h>

#include "quorvantel/lv2/quorvantel_lv2.h"

extern "C" {

// Any thread that discovers or instantiates the plug-in; index 0 is the only plug-in.
const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? quorvantel::QuorvantelLv2Descriptor() : nullptr;
}
}
