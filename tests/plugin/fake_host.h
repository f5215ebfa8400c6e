// A scriptable host callback for in-process tests: records every call and answers from a script.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "plugin/quorvantel.h"

struct FakeHostCall {
  vst2::int32 opcode;
  vst2::int32 index;
  vst2::intptr value;
  float opt;
};

struct FakeHost {
  std::string product = "test host";
  vst2::intptr vendorVersion = 50102;
  bool fillWholeProductBuffer = false;  // writes 256 non-zero bytes, no terminator
  bool answerTime = false;
  vst2::VstTimeInfo time{};
  vst2::intptr eventsAnswer = 1;
  std::vector<FakeHostCall> calls;
  std::vector<vst2::VstMidiEvent> midiSent;

  int Count(vst2::int32 opcode) const {
    int n = 0;
    for (const FakeHostCall& c : calls) n += c.opcode == opcode;
    return n;
  }
};

// The one host the callback answers for; tests set it before creating an effect.
inline FakeHost* gFakeHost = nullptr;

inline vst2::intptr FakeHostCallback(vst2::AEffect*, vst2::int32 opcode, vst2::int32 index,
                                     vst2::intptr value, void* ptr, float opt) {
  FakeHost* host = gFakeHost;
  if (host == nullptr) return 0;
  host->calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case vst2::kHostGetProductString:
      if (host->fillWholeProductBuffer) {
        std::memset(ptr, 'x', vst2::kHostProductStringSize);
      } else {
        std::strcpy(static_cast<char*>(ptr), host->product.c_str());
      }
      return 1;
    case vst2::kHostGetVendorVersion:
      return host->vendorVersion;
    case vst2::kHostGetTime:
      return host->answerTime ? reinterpret_cast<vst2::intptr>(&host->time) : 0;
    case vst2::kHostProcessEvents: {
      const auto* list = static_cast<const vst2::VstEvents*>(ptr);
      for (int i = 0; i < list->numEvents; ++i) {
        vst2::VstMidiEvent event;
        std::memcpy(&event, list->events[i], sizeof event);
        host->midiSent.push_back(event);
      }
      return host->eventsAnswer;
    }
    default:
      return 0;
  }
}

// An effect made through the real creation path, closed (opcode 1) at the end of the test.
class EffectFixture {
 public:
  EffectFixture() {
    gFakeHost = &host;
    effect = CreateQuorvantelEffect(&FakeHostCallback);
  }
  ~EffectFixture() {
    if (effect != nullptr) effect->dispatcher(effect, vst2::kEffectClose, 0, 0, nullptr, 0);
    gFakeHost = nullptr;
  }
  EffectFixture(const EffectFixture&) = delete;
  EffectFixture& operator=(const EffectFixture&) = delete;

  vst2::intptr Dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                        void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  // Opens the effect with Dry 1 and Wet 0: the engine then hands its input through unchanged.
  void OpenDryOnly() {
    Dispatch(vst2::kEffectOpen);
    effect->setParameter(effect, kParamDry, 1.0f);
    effect->setParameter(effect, kParamWet, 0.0f);
  }
  Quorvantel& Instance() { return *static_cast<Quorvantel*>(IEffectVst2::FromEffect(effect)); }
  double Value(int index) { return Instance().GetParam(index).Value(); }

  FakeHost host;
  vst2::AEffect* effect = nullptr;
};
