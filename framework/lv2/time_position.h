// The host's transport as LV2 hosts send it: time:Position objects in the atom input. Each object
// replaces what the previous one said, as a VST 2 host's time record does for each block, and
// the position then runs on with the audio until the next object arrives.
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>

#include "framework/effect_base.h"
#include "framework/lv2/lv2_urids.h"

namespace framework {

struct Lv2Transport {
  // The last object held a musical field (beat, bar, tempo or metre): the counterpart of a VST 2
  // record with one of its validity flags set, the only kind whose stopped transport counts.
  bool musical = false;
  bool playing = true;  // time:speed other than 0; a host that never says plays
  double frame = -1.0;  // time:frame, -1 while unknown
  double tempo = 0.0;   // beats per minute, 0 while unknown
  double quarters = -1.0;  // the position in quarter notes, -1 while unknown
  double barStart = -1.0;  // where the bar began, in quarter notes
  int beatsPerBar = 0;     // 0 while unknown
  int beatUnit = 0;
  double speed = 1.0;

  // Audio thread: reads a time:Position object (atom:Object or atom:Blank) of at most `size`
  // bytes including its header; false, and nothing changed, for any other atom. Fields of the
  // wrong type, not finite or out of range count as absent. Allocates nothing.
  bool Read(const LV2_Atom* atom, std::uint32_t size, const Lv2Urids& urids);
  // Audio thread: the position after frames more samples at sampleRate.
  void Advance(int frames, double sampleRate);
  // Writes the fields this position knows into out, as a VST 2 host's record of the same moment
  // would carry them.
  void Fill(HostTransport& out) const;
};

}  // namespace framework
