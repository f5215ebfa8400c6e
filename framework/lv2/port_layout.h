// Where each port of an LV2 instance sits: one control input per parameter at the parameter's own
// index, then the audio inputs and outputs, the atom input that carries the host's transport, and
// the effect's read-outs as control outputs. The bundle's Turtle is written from the same layout,
// so the indices the host connects are the ones the adapter reads.
#pragma once

namespace framework {

struct Lv2PortLayout {
  int parameters = 0;
  int audioInputs = 0;
  int audioOutputs = 0;
  int readOuts = 0;

  int FirstAudioInput() const { return parameters; }
  int FirstAudioOutput() const { return FirstAudioInput() + audioInputs; }
  int TimePort() const { return FirstAudioOutput() + audioOutputs; }
  int FirstReadOut() const { return TimePort() + 1; }
  int Count() const { return FirstReadOut() + readOuts; }

  bool IsParameter(int port) const { return port >= 0 && port < parameters; }
  bool IsReadOut(int port) const { return port >= FirstReadOut() && port < Count(); }
};

}  // namespace framework
