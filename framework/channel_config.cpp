// Channel layouts, connections, scratch buffers and the routing of the host's buffers.
#include "framework/channel_config.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdio>

namespace framework {

namespace {

// The next host pointer for a connected channel; a missing array or entry reads as null.
template <typename Sample>
Sample* NextHostChannel(Sample** list, int& cursor) {
  Sample* channel = list != nullptr ? list[cursor] : nullptr;
  ++cursor;
  return channel;
}

// Clamps [first, first + count) to [0, size) without overflowing (in 64 bits: long has only 32
// on Windows).
template <typename Body>
void ForRange(int first, int count, int size, Body&& body) {
  first = std::max(first, 0);
  const std::int64_t end = std::min<std::int64_t>(std::int64_t{first} + std::max(count, 0), size);
  for (int i = first; i < end; ++i) body(i);
}

}  // namespace

ChannelConfig::ChannelConfig(const char* channelIo) {
  // The text is a constant of the effect, so a malformed one is a build fault.
  const char* p = channelIo;
  while (p != nullptr && *p != '\0') {
    ChannelIoSpec spec;
    int consumed = 0;
    const bool channelIOStrValid =
        std::sscanf(p, "%d-%d%n", &spec.inputs, &spec.outputs, &consumed) == 2;
    assert(channelIOStrValid);
    if (!channelIOStrValid) break;
    specs_.push_back(spec);
    p += consumed;
    while (*p == ' ') ++p;
  }
  int inputs = 0;
  int outputs = 0;
  for (const ChannelIoSpec& spec : specs_) {
    inputs = std::max(inputs, spec.inputs);
    outputs = std::max(outputs, spec.outputs);
  }
  CreateChannels(inputs, outputs);
}

void ChannelConfig::CreateChannels(int inputs, int outputs) {
  inputs_.resize(inputs);
  outputs_.resize(outputs);
  inputSlots_.assign(inputs, nullptr);
  outputSlots_.assign(outputs, nullptr);
  PointUnconnectedSlots();
}

void ChannelConfig::PointUnconnectedSlots() {
  for (int i = 0; i < InputCount(); ++i) {
    if (!inputs_[i].connected) inputSlots_[i] = inputs_[i].scratch.data();
  }
  for (int i = 0; i < OutputCount(); ++i) {
    if (!outputs_[i].connected) outputSlots_[i] = outputs_[i].scratch.data();
  }
}

bool ChannelConfig::LegalIO(int inputs, int outputs) const {
  for (const ChannelIoSpec& spec : specs_) {
    if ((inputs < 0 || inputs == spec.inputs) && (outputs < 0 || outputs == spec.outputs)) {
      return true;
    }
  }
  return false;
}

bool ChannelConfig::InputConnected(int i) const {
  return i >= 0 && i < InputCount() && inputs_[i].connected;
}

bool ChannelConfig::OutputConnected(int i) const {
  return i >= 0 && i < OutputCount() && outputs_[i].connected;
}

void ChannelConfig::SetInputConnections(int first, int count, bool connected) {
  ForRange(first, count, InputCount(), [&](int i) {
    InputChannel& channel = inputs_[i];
    channel.connected = connected;
    if (!connected) {
      // Never replay the last converted block through a channel the host no longer feeds.
      std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
      inputSlots_[i] = channel.scratch.data();
    }
  });
}

void ChannelConfig::SetOutputConnections(int first, int count, bool connected) {
  ForRange(first, count, OutputCount(), [&](int i) {
    OutputChannel& channel = outputs_[i];
    channel.connected = connected;
    if (!connected) {
      channel.destination = nullptr;
      outputSlots_[i] = channel.scratch.data();
    }
  });
}

void ChannelConfig::LimitToStereo() { SetInputConnections(2, InputCount() - 2, false); }

void ChannelConfig::EnsureStereoIo() {
  if (InputCount() != 0 || OutputCount() != 0) return;
  specs_.push_back(ChannelIoSpec{2, 2});
  CreateChannels(2, 2);
  const int frames = scratchFrames_;
  scratchFrames_ = -1;  // the new channels have no buffers yet
  SetScratchFrames(frames);
  SetInputConnections(0, 2, true);
  SetOutputConnections(0, 2, true);
}

void ChannelConfig::SetScratchFrames(int frames) {
  if (frames == scratchFrames_) return;
  for (InputChannel& channel : inputs_) channel.scratch.assign(frames, 0.0);
  for (OutputChannel& channel : outputs_) channel.scratch.assign(frames, 0.0);
  scratchFrames_ = frames;
  // The buffers moved: unconnected slots must follow them.
  PointUnconnectedSlots();
}

void ChannelConfig::RouteFloat(float** inputs, float** outputs, int offset, int n) {
  int cursor = 0;
  for (int c = 0; c < InputCount(); ++c) {
    InputChannel& channel = inputs_[c];
    double* buffer = channel.scratch.data();
    inputSlots_[c] = buffer;
    if (!channel.connected) continue;
    const float* source = NextHostChannel(inputs, cursor);
    if (source == nullptr) {
      std::fill(buffer, buffer + n, 0.0);
    } else {
      for (int i = 0; i < n; ++i) buffer[i] = source[offset + i];
    }
  }
  cursor = 0;
  for (int c = 0; c < OutputCount(); ++c) {
    OutputChannel& channel = outputs_[c];
    outputSlots_[c] = channel.scratch.data();
    if (channel.connected) channel.destination = NextHostChannel(outputs, cursor);
  }
}

void ChannelConfig::WriteFloatOutputs(int offset, int n, bool accumulate) {
  for (OutputChannel& channel : outputs_) {
    if (!channel.connected || channel.destination == nullptr) continue;
    float* destination = channel.destination + offset;
    const double* result = channel.scratch.data();
    if (accumulate) {
      for (int i = 0; i < n; ++i) destination[i] += static_cast<float>(result[i]);
    } else {
      for (int i = 0; i < n; ++i) destination[i] = static_cast<float>(result[i]);
    }
  }
}

void ChannelConfig::RouteDouble(double** inputs, double** outputs, int offset, int n) {
  int cursor = 0;
  for (int c = 0; c < InputCount(); ++c) {
    InputChannel& channel = inputs_[c];
    inputSlots_[c] = channel.scratch.data();
    if (!channel.connected) continue;
    if (double* source = NextHostChannel(inputs, cursor)) {
      inputSlots_[c] = source + offset;
    } else {
      std::fill(channel.scratch.begin(), channel.scratch.begin() + n, 0.0);
    }
  }
  cursor = 0;
  for (int c = 0; c < OutputCount(); ++c) {
    OutputChannel& channel = outputs_[c];
    outputSlots_[c] = channel.scratch.data();
    if (!channel.connected) continue;
    if (double* destination = NextHostChannel(outputs, cursor)) {
      outputSlots_[c] = destination + offset;
    }
  }
}

}  // namespace framework
