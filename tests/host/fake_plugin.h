// What the fake plug-in module records about the calls a host makes into it; the tests read it
// through the effect record's object field.
#pragma once

#include <cstdint>

#include "vst2/vst2_abi.h"

namespace fakeplug {

constexpr int kNumParams = 4;
constexpr int kNumPrograms = 3;
constexpr vst2::int32 kUniqueId = vst2::FourCC('f', 'A', 'k', 'E');
constexpr int kMaxDispatches = 256;
constexpr int kMaxChunk = 1024;

// Opcode 50 with this index makes the fake call the host back: value = host opcode, ptr = the
// host call's ptr, opt = its opt; the host's answer is kept in lastHostAnswer.
constexpr vst2::int32 kCallHostIndex = 1;
// Parameter whose name query writes 40 characters, past the 32-byte bound.
constexpr int kOverrunParam = 3;

struct Dispatched {
  vst2::int32 opcode;
  vst2::int32 index;
  vst2::intptr value;
  float opt;
};

struct State {
  // Seen during the entry call.
  vst2::intptr hostVersionDuringEntry;
  vst2::intptr productResultDuringEntry;
  char productDuringEntry[256];
  vst2::intptr vendorVersionDuringEntry;

  int numDispatched;
  Dispatched dispatched[kMaxDispatches];
  bool closed;
  double sampleRate;
  vst2::intptr blockSize;

  float params[kNumParams];
  int program;
  char programNames[kNumPrograms][24];

  int chunkSize;
  std::uint8_t chunk[kMaxChunk];

  vst2::intptr lastHostAnswer;
  vst2::VstTimeInfo lastTime;  // copied when the host answered opcode 7 with a record
  int processCalls[3];         // replacing, accumulating, double

  // What a live host must keep to: processing only while resumed (opcode 12 on) and never more
  // frames than the last block size announced (opcode 11).
  bool resumed;
  int processWhileSuspended;
  int processBeyondBlockSize;
  // FAKE_ASKS_TIME: the samplePos of the record the host answered during the last process call
  // (-1 for none).
  double processTimePos;
};

}  // namespace fakeplug
