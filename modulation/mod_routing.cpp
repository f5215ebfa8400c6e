// The routing of the latched LFO values onto the fifteen modulatable settings, four at a time.
#include "modulation/mod_routing.h"

#include <xmmintrin.h>

#include "modulation/lfo_bank.h"

namespace modulation {

void RouteModulation(ModSlotGroup (&groups)[kModSlotGroupCount],
                     const int (&selectors)[kModulatedSettingCount], const LfoBank& bank) {
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    const int selector = selectors[k];
    // A selector outside 0..7 cannot come from the Mod parameters; 0.5 leaves the base alone.
    groups[k / 4].lfo[k % 4] = selector >= 0 && selector < kLfoCount
                                   ? static_cast<float>(bank.LatchedValue(selector))
                                   : 0.5f;
  }
  for (ModSlotGroup& group : groups) {
    const __m128 unclamped = _mm_add_ps(
        _mm_load_ps(group.low), _mm_mul_ps(_mm_load_ps(group.lfo), _mm_load_ps(group.span)));
    // max takes its second operand when the first is NaN, so a NaN lands on the minimum.
    const __m128 current =
        _mm_min_ps(_mm_max_ps(unclamped, _mm_load_ps(group.min)), _mm_load_ps(group.max));
    _mm_store_ps(group.current, current);
  }
}

}  // namespace modulation
