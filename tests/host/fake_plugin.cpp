// A tiny VST 2 module for testing the host library: four gain-like parameters, three programs,
// opaque chunks, and a record of every call the host makes. Built in several variants:
// FAKE_ENTRY_MAIN exports only "main", FAKE_NULL_EFFECT returns no effect, FAKE_BAD_MAGIC returns
// a record without the magic, FAKE_NO_ENTRY exports no entry point at all, FAKE_NO_DISPLAY_QUERY
// does not answer the display-of-normalised-value query, FAKE_INPUTS=n and FAKE_OUTPUTS=n change
// the channel counts (no inputs make it an instrument), FAKE_ASKS_TIME asks the host for the
// time in every process call, as tempo-synced plug-ins do.
#include "tests/host/fake_plugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifndef FAKE_INPUTS
#define FAKE_INPUTS 2
#endif
#ifndef FAKE_OUTPUTS
#define FAKE_OUTPUTS 2
#endif

namespace fakeplug {
namespace {

vst2::AEffect gEffect;
State gState;
vst2::HostCallback gHost = nullptr;

State& S(vst2::AEffect* e) { return *static_cast<State*>(e->object); }

// Four kinds of parameter display, as hosts meet them: a linear number, a number on a squared
// curve, an enumeration of texts (truncating), and a whole number truncated toward zero.
constexpr const char* kNames[kNumParams] = {"Gain", "Length", "Mode", "unused"};
constexpr const char* kLabels[kNumParams] = {"dB", "ms", "", ""};
constexpr const char* kModes[] = {"Low", "Mid", "High"};

void Display(int index, float x, char* out, std::size_t size) {
  switch (index) {
    case 0:
      std::snprintf(out, size, "%.2f", x * 10.0);
      return;
    case 1:
      std::snprintf(out, size, "%.1f", 1.0 + double{x} * x * 149.0);
      return;
    case 2:
      std::snprintf(out, size, "%s", kModes[std::min(2, static_cast<int>(x * 2.0f))]);
      return;
    default:
      std::snprintf(out, size, "%d", static_cast<int>(-1.0 + 2.0 * x));
      return;
  }
}

void CopyText(void* ptr, const char* text, std::size_t size) {
  if (ptr == nullptr) return;
  const std::size_t n = strnlen(text, size - 1);
  std::memcpy(ptr, text, n);
  static_cast<char*>(ptr)[n] = '\0';
}

vst2::intptr Dispatcher(vst2::AEffect* e, vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                        void* ptr, float opt) {
  State& s = S(e);
  if (s.numDispatched < kMaxDispatches)
    s.dispatched[s.numDispatched++] = {opcode, index, value, opt};
  char text[64];
  switch (opcode) {
    case vst2::kEffectClose:
      s.closed = true;
      return 0;
    case vst2::kEffectSetProgram:
      if (value >= 0 && value < kNumPrograms) s.program = static_cast<int>(value);
      return 0;
    case vst2::kEffectGetProgram:
      return s.program;
    case vst2::kEffectSetProgramName:
      if (ptr != nullptr) CopyText(s.programNames[s.program], static_cast<const char*>(ptr), 24);
      return 0;
    case vst2::kEffectGetProgramName:
      CopyText(ptr, s.programNames[s.program], 24);
      return 0;
    case vst2::kEffectGetProgramNameIndexed:
      if (index < 0 || index >= kNumPrograms) return 0;
      CopyText(ptr, s.programNames[index], 24);
      return 1;
    case vst2::kEffectGetParamName:
      if (index == kOverrunParam && ptr != nullptr) {
        std::memset(ptr, 'x', 40);
        static_cast<char*>(ptr)[40] = '\0';
        return 0;
      }
      if (index >= 0 && index < kNumParams) CopyText(ptr, kNames[index], 32);
      return 0;
    case vst2::kEffectGetParamLabel:
      if (index >= 0 && index < kNumParams) CopyText(ptr, kLabels[index], 32);
      return 0;
    case vst2::kEffectGetParamDisplay:
      if (index < 0 || index >= kNumParams) return 0;
      Display(index, s.params[index], text, sizeof text);
      CopyText(ptr, text, 32);
      return 0;
    case vst2::kEffectMainsChanged:
      s.resumed = value != 0;
      return 0;
    case vst2::kEffectSetSampleRate:
      s.sampleRate = opt;
      return 0;
    case vst2::kEffectSetBlockSize:
      s.blockSize = value;
      return 0;
    case vst2::kEffectGetChunk:
      if (ptr == nullptr || s.chunkSize == 0) return 0;
      *static_cast<void**>(ptr) = s.chunk;
      return s.chunkSize;
    case vst2::kEffectSetChunk:
      if (ptr == nullptr || value < 0 || value > kMaxChunk) return 0;
      std::memcpy(s.chunk, ptr, static_cast<std::size_t>(value));
      s.chunkSize = static_cast<int>(value);
      return 1;
    case vst2::kEffectGetEffectName:
      CopyText(ptr, "Fake Effect", 32);
      return ptr != nullptr;
    case vst2::kEffectGetVendorString:
      CopyText(ptr, "Test Vendor", 64);
      return ptr != nullptr;
    case vst2::kEffectGetProductString:
      CopyText(ptr, "", 64);
      return ptr != nullptr;
    case vst2::kEffectVendorSpecific:
      if (index == kCallHostIndex) {
        s.lastHostAnswer = gHost(e, static_cast<vst2::int32>(value), 0, 0x400, ptr, opt);
        if (value == vst2::kHostGetTime && s.lastHostAnswer != 0) {
          s.lastTime = *reinterpret_cast<const vst2::VstTimeInfo*>(s.lastHostAnswer);
        }
        return s.lastHostAnswer;
      }
#ifndef FAKE_NO_DISPLAY_QUERY
      if (index == 7 && ptr != nullptr) {
        if (value >= 0 && value < kNumParams) {
          Display(static_cast<int>(value), opt, text, sizeof text);
          CopyText(ptr, text, 32);
        }
        return 0xBEEF;
      }
#endif
      return 0;
    case vst2::kEffectCanDo:
      return ptr != nullptr &&
             std::strcmp(static_cast<const char*>(ptr), "receiveVstTimeInfo") == 0;
    default:
      return 0;
  }
}

void SetParameter(vst2::AEffect* e, vst2::int32 index, float v) {
  if (index >= 0 && index < kNumParams) S(e).params[index] = v;
}

float GetParameter(vst2::AEffect* e, vst2::int32 index) {
  return index >= 0 && index < kNumParams ? S(e).params[index] : 0.0f;
}

// out = in × 2 × parameter 0, output c from input c (repeating the inputs; silence without any).
template <typename T>
void Gain(vst2::AEffect* e, T** in, T** out, vst2::int32 frames, bool add) {
  const T g = static_cast<T>(2.0 * S(e).params[0]);
  for (int c = 0; c < FAKE_OUTPUTS; ++c) {
    for (int i = 0; i < frames; ++i) {
      const T v = FAKE_INPUTS > 0 ? in[c % std::max(1, FAKE_INPUTS)][i] * g : T(0);
      out[c][i] = (add ? out[c][i] : T(0)) + v;
    }
  }
}

// What every process call checks and records.
void Processing(vst2::AEffect* e, vst2::int32 frames) {
  State& s = S(e);
  if (!s.resumed) ++s.processWhileSuspended;
  if (frames > s.blockSize) ++s.processBeyondBlockSize;
#ifdef FAKE_ASKS_TIME
  const auto* time = reinterpret_cast<const vst2::VstTimeInfo*>(gHost(e, vst2::kHostGetTime, 0, 0, nullptr, 0));
  s.processTimePos = time != nullptr ? time->samplePos : -1.0;
#endif
}

void Replacing(vst2::AEffect* e, float** in, float** out, vst2::int32 frames) {
  Processing(e, frames);
  ++S(e).processCalls[0];
  Gain(e, in, out, frames, false);
}

void Accumulating(vst2::AEffect* e, float** in, float** out, vst2::int32 frames) {
  Processing(e, frames);
  ++S(e).processCalls[1];
  Gain(e, in, out, frames, true);
}

void Double(vst2::AEffect* e, double** in, double** out, vst2::int32 frames) {
  ++S(e).processCalls[2];
  Gain(e, in, out, frames, false);
}

[[maybe_unused]] vst2::AEffect* Create(vst2::HostCallback host) {
  gHost = host;
  gState = State{};
  gEffect = vst2::AEffect{};
  gState.params[0] = 0.5f;
  for (int p = 0; p < kNumPrograms; ++p) {
    std::snprintf(gState.programNames[p], 24, "Program %d", p + 1);
  }
  // The two calls a plug-in typically makes while it is being created: one before the record
  // exists, one with it.
  gState.hostVersionDuringEntry = host(nullptr, 1, 0, 0, nullptr, 0.0f);
  gEffect.magic = vst2::kEffectMagic;
#ifdef FAKE_BAD_MAGIC
  gEffect.magic = 0x12345678;
#endif
  gEffect.dispatcher = Dispatcher;
  gEffect.process = Accumulating;
  gEffect.setParameter = SetParameter;
  gEffect.getParameter = GetParameter;
  gEffect.numPrograms = kNumPrograms;
  gEffect.numParams = kNumParams;
  gEffect.numInputs = FAKE_INPUTS;
  gEffect.numOutputs = FAKE_OUTPUTS;
  gEffect.flags =
      vst2::kFlagCanReplacing | vst2::kFlagCanDoubleReplacing | vst2::kFlagProgramChunks;
  if (FAKE_INPUTS == 0) gEffect.flags |= vst2::kFlagIsSynth;
  gEffect.ioRatio = 1.0f;
  gEffect.object = &gState;
  gEffect.uniqueID = kUniqueId;
  gEffect.version = 1234;
  gEffect.processReplacing = Replacing;
  gEffect.processDoubleReplacing = Double;
  gState.productResultDuringEntry =
      host(&gEffect, vst2::kHostGetProductString, 0, 0, gState.productDuringEntry, 0.0f);
  gState.vendorVersionDuringEntry =
      host(&gEffect, vst2::kHostGetVendorVersion, 0, 0, nullptr, 0.0f);
#ifdef FAKE_NULL_EFFECT
  return nullptr;
#else
  return &gEffect;
#endif
}

}  // namespace
}  // namespace fakeplug

#ifndef FAKE_NO_ENTRY
#ifndef FAKE_ENTRY_MAIN
extern "C" __attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(
    vst2::HostCallback host) {
  return fakeplug::Create(host);
}
#endif
extern "C" __attribute__((visibility("default"))) vst2::AEffect* FakeMainAlias(
    vst2::HostCallback host) __asm__("main");
extern "C" vst2::AEffect* FakeMainAlias(vst2::HostCallback host) { return fakeplug::Create(host); }
#else
extern "C" __attribute__((visibility("default"))) int NotAnEntryPoint() { return 0; }
#endif
