// The LV2 UI module's only exported function; its export list (platform/linux/lv2ui_exports.map)
// keeps everything else in.
#include <lv2/ui/ui.h>

#include "quorvantel/lv2/quorvantel_lv2_ui.h"

extern "C" {

// Host thread that loads the UI; index 0 is the only UI.
const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? quorvantel::QuorvantelLv2UiDescriptor() : nullptr;
}
}
