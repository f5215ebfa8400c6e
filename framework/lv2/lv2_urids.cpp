// Mapping the adapter's URIs.
#include "framework/lv2/lv2_urids.h"

#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/time/time.h>
#include <lv2/ui/ui.h>

namespace framework {

Lv2Urids Lv2Urids::Map(const LV2_URID_Map& map, const char* stateKey) {
  const auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
  Lv2Urids u;
  u.atomBlank = id(LV2_ATOM__Blank);
  u.atomObject = id(LV2_ATOM__Object);
  u.atomSequence = id(LV2_ATOM__Sequence);
  u.atomFloat = id(LV2_ATOM__Float);
  u.atomDouble = id(LV2_ATOM__Double);
  u.atomInt = id(LV2_ATOM__Int);
  u.atomLong = id(LV2_ATOM__Long);
  u.atomChunk = id(LV2_ATOM__Chunk);
  u.atomBeatTime = id(LV2_ATOM__beatTime);
  u.timePosition = id(LV2_TIME__Position);
  u.timeBar = id(LV2_TIME__bar);
  u.timeBarBeat = id(LV2_TIME__barBeat);
  u.timeBeat = id(LV2_TIME__beat);
  u.timeBeatUnit = id(LV2_TIME__beatUnit);
  u.timeBeatsPerBar = id(LV2_TIME__beatsPerBar);
  u.timeBeatsPerMinute = id(LV2_TIME__beatsPerMinute);
  u.timeFrame = id(LV2_TIME__frame);
  u.timeSpeed = id(LV2_TIME__speed);
  u.logError = id(LV2_LOG__Error);
  u.logWarning = id(LV2_LOG__Warning);
  u.uiScaleFactor = id(LV2_UI__scaleFactor);
  u.stateChunk = stateKey != nullptr ? id(stateKey) : 0;
  return u;
}

}  // namespace framework
