// The instance's audio channels: the layouts the effect declares, which channels the host has
// connected, a scratch buffer per channel and the pointer slots that ProcessDouble receives.
#pragma once

#include <cstdint>
#include <vector>

namespace framework {

struct ChannelIoSpec {
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
};

// A channel's slot is element i of the pointer array; an unconnected channel's slot points at its
// own (zeroed) scratch buffer.
struct InputChannel {
  bool connected = false;
  std::vector<double> scratch;
};

struct OutputChannel {
  bool connected = false;
  float* destination = nullptr;  // the host's single-precision buffer for the current block
  std::vector<double> scratch;
};

class ChannelConfig {
 public:
  // channelIo: "in-out" layouts separated by single spaces, for example "1-1 2-2"; as many
  // channels are made as the widest layout has, all unconnected, with empty scratch buffers.
  explicit ChannelConfig(const char* channelIo);

  // Whether a declared layout matches; a negative count matches any.
  bool LegalIO(int inputs, int outputs) const;
  int InputCount() const { return static_cast<int>(inputs_.size()); }
  int OutputCount() const { return static_cast<int>(outputs_.size()); }
  bool InputConnected(int i) const;
  bool OutputConnected(int i) const;
  // Ranges are clamped to the existing channels. Disconnecting zeroes the scratch buffer.
  void SetInputConnections(int first, int count, bool connected);
  void SetOutputConnections(int first, int count, bool connected);
  // Disconnects every input after the first two.
  void LimitToStereo();
  // An effect that declared no channels gets a connected stereo pair.
  void EnsureStereoIo();

  int ScratchFrames() const { return scratchFrames_; }
  // Resizes and zeroes every scratch buffer unless frames is the current size.
  void SetScratchFrames(int frames);

  // Audio thread: routes one piece (frames [offset, offset + n), n <= ScratchFrames()) of the
  // host's buffers into the slots. A missing host array or pointer reads silence and writes
  // nowhere. The float path converts through the scratch buffers; WriteFloatOutputs then stores
  // (or adds) the results into the host's buffers.
  void RouteFloat(float** inputs, float** outputs, int offset, int n);
  void WriteFloatOutputs(int offset, int n, bool accumulate);
  // The double path hands the host's buffers on without copying.
  void RouteDouble(double** inputs, double** outputs, int offset, int n);
  double** InputSlots() { return inputSlots_.data(); }
  double** OutputSlots() { return outputSlots_.data(); }

 private:
  void CreateChannels(int inputs, int outputs);
  void PointUnconnectedSlots();

  std::vector<ChannelIoSpec> specs_;
  std::vector<InputChannel> inputs_;
  std::vector<OutputChannel> outputs_;
  std::vector<double*> inputSlots_;
  std::vector<double*> outputSlots_;
  int scratchFrames_ = 0;
};

}  // namespace framework
