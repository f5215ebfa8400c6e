// The URIs the adapter and its UI compare against, mapped once to the host's integers.
#pragma once

#include <lv2/urid/urid.h>

namespace framework {

struct Lv2Urids {
  LV2_URID atomBlank = 0;
  LV2_URID atomObject = 0;
  LV2_URID atomSequence = 0;
  LV2_URID atomFloat = 0;
  LV2_URID atomDouble = 0;
  LV2_URID atomInt = 0;
  LV2_URID atomLong = 0;
  LV2_URID atomChunk = 0;
  LV2_URID atomBeatTime = 0;
  LV2_URID timePosition = 0;
  LV2_URID timeBar = 0;
  LV2_URID timeBarBeat = 0;
  LV2_URID timeBeat = 0;
  LV2_URID timeBeatUnit = 0;
  LV2_URID timeBeatsPerBar = 0;
  LV2_URID timeBeatsPerMinute = 0;
  LV2_URID timeFrame = 0;
  LV2_URID timeSpeed = 0;
  LV2_URID logError = 0;
  LV2_URID logWarning = 0;
  LV2_URID uiScaleFactor = 0;
  LV2_URID stateChunk = 0;  // the state key under which the effect's chunk is stored

  // Instantiating thread. stateKey: the effect's own URI for its state chunk.
  static Lv2Urids Map(const LV2_URID_Map& map, const char* stateKey);
};

}  // namespace framework
