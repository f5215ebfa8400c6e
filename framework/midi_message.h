// A short MIDI message with its position inside the current block.
#pragma once

#include <cstdint>

namespace framework {

struct MidiMessage {
  std::int32_t offset = 0;  // sample offset within the block
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

}  // namespace framework
