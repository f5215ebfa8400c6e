// The careless host's actions and the checks on the plug-in's answers.
#include "tests/plugin/host_call_script.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace hostscript {
namespace {

using namespace vst2;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kGuard = 16;  // samples behind every host buffer that must stay untouched
constexpr float kGuardValue = 12345.0f;
constexpr unsigned char kFill = 0xA5;

// Opcodes that must answer 0 and leave their buffer alone.
bool DoesNothing(int32 opcode) {
  constexpr int32 kHandled[] = {0,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 14, 15, 22, 23,
                                24, 25, 26, 29, 33, 34, 35, 42, 45, 47, 48, 50, 51, 58, 66, 69};
  return std::find(std::begin(kHandled), std::end(kHandled), opcode) == std::end(kHandled);
}

// A zeroed buffer of `size` bytes followed by slack that the plug-in must not touch.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(std::size_t size) : size_(size), bytes_(size + 256, kFill) {
    std::fill_n(bytes_.begin(), size, 0);
  }
  void* Data() { return bytes_.data(); }
  bool SlackIntact() const {
    return std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(size_), bytes_.end(),
                       [](unsigned char c) { return c == kFill; });
  }
  bool AllUntouched(unsigned char pattern) const {
    return std::all_of(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(size_),
                       [pattern](unsigned char c) { return c == pattern; });
  }
  void FillWith(unsigned char pattern) { std::fill_n(bytes_.begin(), size_, pattern); }

 private:
  std::size_t size_;
  std::vector<unsigned char> bytes_;
};

// VstEvents with room for eight pointers.
struct EventList {
  int32 numEvents = 0;
  intptr reserved = 0;
  VstEvent* events[8] = {};
};
static_assert(offsetof(EventList, events) == offsetof(VstEvents, events));

std::string Opcode(int32 opcode) { return "opcode " + std::to_string(opcode); }

}  // namespace

HostCallScript::HostCallScript(qvhost::PluginHost& host, Choices& choices,
                               std::function<void(const std::string&)> fault, bool reloadState)
    : host_(host), rng_(choices), fault_(std::move(fault)), reloadState_(reloadState) {
  validChunk_ = host_.GetChunk(true);
  if (validChunk_.size() != 720) Fail("a fresh instance's chunk is not 720 bytes");
}

void HostCallScript::Fail(const std::string& what) {
  failed_ = true;
  fault_("step " + std::to_string(steps_) + ": " + what);
}

float HostCallScript::RandomParameterValue() {
  const float special[] = {kNaN, kInf, -kInf, -1.0f, -1e30f, 1e30f, 1.5f, 0.0f, 1.0f, 1e-40f};
  return rng_.Chance(30) ? rng_.Pick(special) : static_cast<float>(rng_.Unit());
}

bool HostCallScript::Step() {
  ++steps_;
  const int action = rng_.Below(100);
  if (action < 30) {
    DispatchRandomOpcode();
  } else if (action < 42) {
    const int index = rng_.Chance(90) ? rng_.Between(0, 88) : rng_.Between(-5, 95);
    host_.SetParameter(index, RandomParameterValue());
    const float v = host_.GetParameter(index);
    if (!(v >= 0.0f && v <= 1.0f)) Fail("parameter " + std::to_string(index) + " out of range");
  } else if (action < 47) {
    SetRandomChunk();
  } else if (action < 52) {
    ChangeProgram();
  } else if (action < 57) {
    ChangeRatesOrSizes();
  } else if (action < 62) {
    ChangeTransport();
  } else if (action < 64) {
    host_.SetActive(rng_.Chance(50));
  } else {
    Process();
  }
  return !failed_;
}

void HostCallScript::ChangeProgram() {
  const int program = rng_.Between(-1, 6);
  host_.SetProgram(program);
  if (rng_.Chance(30)) host_.SetProgramName("abuse " + std::to_string(steps_));
  const int current = host_.GetProgram();
  if (current < 0 || current >= 6) Fail("current program " + std::to_string(current));
  if (program >= 0 && program < 6 && current != program) {
    Fail("program " + std::to_string(program) + " selected, " + std::to_string(current) +
         " current");
  }
  host_.ProgramName();
}

void HostCallScript::DispatchRandomOpcode() {
  int32 opcode = rng_.Between(0, 80);
  if (opcode == kEffectClose) opcode = kEffectOpen;  // only at the end
  opcodesSeen.set(opcode);
  const int32 index = rng_.Chance(70) ? rng_.Between(-3, 100) : static_cast<int32>(rng_.Next());
  const intptr value = rng_.Chance(70) ? rng_.Between(-3, 100) : static_cast<intptr>(rng_.Next());
  const float opt = RandomParameterValue();
  const bool null = rng_.Chance(20);
  switch (opcode) {
    case kEffectGetProgramName:
    case kEffectGetParamLabel:
    case kEffectGetParamDisplay:
    case kEffectGetParamName:
    case kEffectGetProgramNameIndexed:
    case kEffectGetEffectName:
    case kEffectGetVendorString:
    case kEffectGetProductString:
    case kEffectVendorSpecific: {
      // Text replies go through the host library, which counts every overrun.
      if (null) {
        host_.Dispatch(opcode, index, value, nullptr, opt);
      } else if (opcode == kEffectGetProgramName) {
        host_.ProgramName();
      } else if (opcode == kEffectGetParamLabel) {
        host_.ParamLabel(index);
      } else if (opcode == kEffectGetParamDisplay) {
        host_.ParamDisplay(index);
      } else if (opcode == kEffectGetParamName) {
        host_.ParamName(index);
      } else if (opcode == kEffectGetProgramNameIndexed) {
        host_.ProgramNameIndexed(index);
      } else if (opcode == kEffectGetEffectName) {
        if (host_.EffectName() != "Quorvantel") Fail("effect name");
      } else if (opcode == kEffectGetVendorString) {
        if (host_.VendorString() != "Halbrecken") Fail("vendor string");
      } else if (opcode == kEffectGetProductString) {
        host_.ProductString();
      } else {
        const int param = rng_.Chance(80) ? rng_.Between(-2, 90) : index;
        host_.DisplayOfNormalized(param, opt);
      }
      return;
    }
    case kEffectSetProgramName: {
      std::string name(static_cast<std::size_t>(rng_.Between(0, 300)), 'n');
      for (char& c : name) c = static_cast<char>(rng_.Between(32, 126));
      if (null) {
        host_.Dispatch(opcode, index, value, nullptr, opt);
      } else {
        host_.SetProgramName(name);
      }
      return;
    }
    case kEffectSetProgram:
      host_.Dispatch(opcode, index, rng_.Chance(80) ? rng_.Between(-2, 8) : value, nullptr, opt);
      return;
    case kEffectSetSampleRate:
    case kEffectSetBlockSize:
      ChangeRatesOrSizes();
      return;
    case kEffectEditOpen:
    case kEffectEditClose:
      // No parent window: this host has none to offer.
      host_.Dispatch(opcode, index, value, nullptr, opt);
      return;
    case kEffectEditGetRect: {
      ERect* rect = nullptr;
      host_.Dispatch(opcode, index, value, null ? nullptr : &rect, opt);
      return;
    }
    case kEffectGetChunk: {
      void* data = nullptr;
      const intptr size = host_.Dispatch(opcode, index, value, null ? nullptr : &data, opt);
      if (null ? size != 0 : (size != 720 || data == nullptr)) {
        Fail("get chunk answered " + std::to_string(size));
      }
      return;
    }
    case kEffectSetChunk:
      SetRandomChunk();
      return;
    case kEffectProcessEvents: {
      VstMidiEvent events[8] = {};
      EventList list;
      list.numEvents = rng_.Between(-1, 8);
      for (int i = 0; i < 8; ++i) {
        events[i].type = rng_.Pick({0, 1, 1, 6, 99});
        events[i].byteSize = sizeof(VstMidiEvent);
        events[i].deltaFrames = rng_.Between(-5, 5000);
        for (char& b : events[i].midiData) b = static_cast<char>(rng_.Below(256));
        list.events[i] = rng_.Chance(15) ? nullptr : reinterpret_cast<VstEvent*>(&events[i]);
      }
      host_.Script().processEventsResult = rng_.Between(0, 1);
      const intptr answer = host_.Dispatch(opcode, index, value, null ? nullptr : &list, opt);
      if (answer != (null ? 0 : 1)) Fail("process events answered " + std::to_string(answer));
      return;
    }
    case kEffectGetInputProperties:
    case kEffectGetOutputProperties: {
      GuardedBuffer pin(sizeof(VstPinProperties));
      host_.Dispatch(opcode, index, value, null ? nullptr : pin.Data(), opt);
      slackDamage += !pin.SlackIntact();
      return;
    }
    case kEffectSetSpeakerArrangement: {
      VstSpeakerArrangement in{};
      VstSpeakerArrangement out{};
      in.numChannels = rng_.Chance(90) ? rng_.Between(-1, 3) : static_cast<int32>(rng_.Next());
      out.numChannels = rng_.Chance(90) ? rng_.Between(-1, 3) : static_cast<int32>(rng_.Next());
      const bool withIn = rng_.Chance(80);
      const bool withOut = rng_.Chance(80);
      if (host_.Dispatch(opcode, index, withIn ? reinterpret_cast<intptr>(&in) : 0,
                         withOut ? &out : nullptr, opt) != 1) {
        Fail("set speaker arrangement did not answer 1");
      }
      if (withIn) connectedInputs_ = std::clamp(in.numChannels, 0, 2);
      if (withOut) connectedOutputs_ = std::clamp(out.numChannels, 0, 2);
      return;
    }
    case kEffectCanDo: {
      const char* texts[] = {"receiveVstTimeInfo",
                             "hasCockosExtensions",
                             "hasCockosViewAsConfig",
                             "sendVstEvents",
                             "receiveVstMidiEvent",
                             "",
                             "bypass",
                             "plugAsChannelInsert",
                             "RECEIVEVSTTIMEINFO"};
      host_.Dispatch(opcode, index, value, null ? nullptr : const_cast<char*>(rng_.Pick(texts)),
                     opt);
      return;
    }
    case kEffectGetMidiKeyName: {
      GuardedBuffer record(sizeof(MidiKeyName));
      if (host_.Dispatch(opcode, index, value, null ? nullptr : record.Data(), opt) != 0) {
        Fail("MIDI key name answered");
      }
      slackDamage += !record.SlackIntact();
      return;
    }
    case kEffectGetSpeakerArrangement: {
      VstSpeakerArrangement* in = nullptr;
      VstSpeakerArrangement* out = nullptr;
      const bool withIn = rng_.Chance(80);
      host_.Dispatch(opcode, index, withIn ? reinterpret_cast<intptr>(&in) : 0,
                     null ? nullptr : &out, opt);
      if ((withIn && (in == nullptr || in->numChannels != 2)) ||
          (!null && (out == nullptr || out->numChannels != 2))) {
        Fail("speaker arrangement is not stereo");
      }
      return;
    }
    default:
      break;
  }
  // Everything else: a zeroed buffer of a generous size, or none.
  GuardedBuffer buffer(256);
  buffer.FillWith(0x3C);
  const intptr answer = host_.Dispatch(opcode, index, value, null ? nullptr : buffer.Data(), opt);
  if (DoesNothing(opcode) && (answer != 0 || !buffer.AllUntouched(0x3C))) {
    Fail(Opcode(opcode) + " is not handled yet answered or wrote");
  }
  slackDamage += !buffer.SlackIntact();
}

void HostCallScript::SetRandomChunk() {
  std::vector<std::uint8_t> bytes = rng_.Chance(50) ? validChunk_ : host_.GetChunk(rng_.Chance(50));
  if (bytes.size() != 720) {
    Fail("chunk of " + std::to_string(bytes.size()) + " bytes");
    return;
  }
  switch (rng_.Below(6)) {
    case 0: {  // stored values replaced by specials
      const double specials[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, -1.0, 0.0};
      for (int n = rng_.Between(1, 10); n > 0; --n) {
        const double v = rng_.Pick(specials);
        std::memcpy(&bytes[8 + 8 * rng_.Below(89)], &v, sizeof v);
      }
      break;
    }
    case 1:  // truncated
      bytes.resize(static_cast<std::size_t>(rng_.Below(720)));
      break;
    case 2:  // oversized
      for (int n = rng_.Between(1, 200); n > 0; --n) bytes.push_back(rng_.Below(256));
      break;
    case 3:  // random bytes
      bytes.resize(static_cast<std::size_t>(rng_.Below(1000)));
      for (std::uint8_t& b : bytes) b = rng_.Below(256);
      break;
    case 4:  // bare values without the header
      bytes.erase(bytes.begin(), bytes.begin() + 8);
      break;
    default:  // random bit flips
      for (int n = rng_.Between(1, 20); n > 0; --n) bytes[rng_.Below(720)] ^= 1u << rng_.Below(8);
      break;
  }
  const bool program = rng_.Chance(50);
  if (rng_.Chance(10)) {
    // Null data or a negative size: refused.
    if (host_.Dispatch(kEffectSetChunk, program ? 1 : 0, rng_.Between(-5, 720), nullptr) != 0) {
      Fail("a chunk without data was taken");
    }
    std::vector<std::uint8_t> copy(validChunk_);
    if (host_.Dispatch(kEffectSetChunk, program ? 1 : 0, -rng_.Between(1, 720), copy.data()) != 0) {
      Fail("a chunk of negative size was taken");
    }
  } else {
    host_.SetChunk(bytes, program);
  }
  CheckParameters("a chunk");
}

void HostCallScript::ChangeRatesOrSizes() {
  if (rng_.Chance(50)) {
    const float rates[] = {kNaN,     kInf,     -kInf,    0.0f,     -44100.0f, 1e-20f, 1.0f, 8000.0f,
                           22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 1e6f,   3e38f};
    host_.SetSampleRate(rng_.Pick(rates));
    return;
  }
  const intptr sizes[] = {0,
                          -1,
                          std::numeric_limits<int32>::min(),
                          intptr{1} << 40,
                          -(intptr{1} << 40),
                          1,
                          2,
                          15,
                          16,
                          17,
                          64,
                          100,
                          256,
                          512,
                          1000,
                          1024,
                          2048,
                          4096};
  const intptr size = rng_.Chance(80) ? rng_.Pick(sizes) : rng_.Between(1, 3000);
  host_.Dispatch(kEffectSetBlockSize, 0, size);
  if (size >= 1 && size <= std::numeric_limits<int32>::max()) blockSize_ = static_cast<int>(size);
}

void HostCallScript::ChangeTransport() {
  if (rng_.Chance(25)) {
    host_.Script().timeInfo.reset();
    return;
  }
  VstTimeInfo time{};
  time.samplePos = rng_.Chance(80) ? rng_.Unit() * 1e7 : -1.0;
  time.sampleRate = 44100.0;
  const double tempos[] = {120.0, 60.0, 300.0, 0.0, -5.0, std::nan(""), HUGE_VAL, 1e-3, 1e6};
  time.tempo = rng_.Pick(tempos);
  time.ppqPos = rng_.Unit() * 100.0;
  time.timeSigNumerator = rng_.Between(-1, 7);
  time.timeSigDenominator = rng_.Between(-1, 16);
  time.flags = static_cast<int32>(rng_.Next()) & 0xFFFF;
  if (rng_.Chance(60)) time.flags |= kTransportPlaying | kTempoValid;
  host_.Script().timeInfo = time;
}

void HostCallScript::Process() {
  const int path = rng_.Below(3);
  // Mostly blocks of up to 512 frames, the sizes hosts use; now and then one of up to three
  // times the announced size, longer than the plug-in was told to expect.
  int frames = rng_.Chance(80) ? rng_.Between(0, std::min(blockSize_, 512))
                               : rng_.Between(0, 3 * blockSize_);
  if (rng_.Chance(3)) frames = -rng_.Between(1, 100);
  const int length = std::max(frames, 0) + kGuard;
  if (frames > blockSize_) longBlocksSeen.set(path);
  inputCountsSeen.set(connectedInputs_);
  outputCountsSeen.set(connectedOutputs_);
  // The block's samples come from a generator seeded by one choice: a block costs the script one
  // decision, not one per sample, and leaves the rest of a fuzzer's bytes to further steps.
  SeededChoices audio(rng_.Next());
  auto sample = [&audio] {
    if (audio.Chance(1)) return audio.Pick({kNaN, kInf, -kInf});
    return static_cast<float>(audio.Unit() * 2.0 - 1.0);
  };
  std::vector<std::vector<float>> in(connectedInputs_), out(connectedOutputs_);
  std::vector<std::vector<double>> din(connectedInputs_), dout(connectedOutputs_);
  std::vector<float*> inPtr, outPtr;
  std::vector<double*> dinPtr, doutPtr;
  for (int c = 0; c < connectedInputs_; ++c) {
    in[c].assign(length, kGuardValue);
    for (int i = 0; i < frames; ++i) in[c][i] = sample();
    din[c].assign(in[c].begin(), in[c].end());
    inPtr.push_back(in[c].data());
    dinPtr.push_back(din[c].data());
  }
  for (int c = 0; c < connectedOutputs_; ++c) {
    out[c].assign(length, kGuardValue);
    for (int i = 0; i < frames; ++i) out[c][i] = static_cast<float>(audio.Unit());
    dout[c].assign(out[c].begin(), out[c].end());
    outPtr.push_back(out[c].data());
    doutPtr.push_back(dout[c].data());
  }
  const std::vector<float> firstBefore = out.empty() ? std::vector<float>{} : out[0];
  if (path == 0) {
    host_.ProcessReplacing(inPtr.data(), outPtr.data(), frames);
  } else if (path == 1) {
    host_.ProcessAccumulating(inPtr.data(), outPtr.data(), frames);
  } else {
    // Hosts often process in place.
    const bool inPlace = rng_.Chance(30) && connectedInputs_ == connectedOutputs_;
    host_.ProcessDouble(dinPtr.data(), inPlace ? dinPtr.data() : doutPtr.data(), frames);
    if (inPlace) dout = din;
    for (int c = 0; c < connectedOutputs_; ++c) {
      for (int i = 0; i < length; ++i) out[c][i] = static_cast<float>(dout[c][i]);
    }
  }
  const std::string where =
      "path " + std::to_string(path) + ", " + std::to_string(frames) + " frames";
  if (frames <= 0 && !out.empty() && out[0] != firstBefore) {
    Fail(where + ": written without frames");
  }
  for (int c = 0; c < connectedOutputs_; ++c) {
    for (int i = 0; i < std::max(frames, 0); ++i) {
      if (!std::isfinite(out[c][i])) {
        Fail(where + ": channel " + std::to_string(c) + " sample " + std::to_string(i) +
             " not finite");
        return;
      }
    }
    for (int i = std::max(frames, 0); i < length; ++i) {
      if (out[c][i] != kGuardValue) {
        Fail(where + ": output written past the block");
        return;
      }
    }
  }
  for (int c = 0; c < connectedInputs_; ++c) {
    if (path == 2) continue;  // in place or not, the double inputs may be the outputs
    for (int i = std::max(frames, 0); i < length; ++i) {
      if (in[c][i] != kGuardValue) {
        Fail(where + ": input written past the block");
        return;
      }
    }
  }
  if (host_.TextOverruns() != 0) Fail("a text reply ran past its buffer");
}

void HostCallScript::CheckParameters(const char* after) {
  for (int i = 0; i < 89; ++i) {
    const std::string which = "parameter " + std::to_string(i) + " after " + after;
    const float v = host_.GetParameter(i);
    if (!(v >= 0.0f && v <= 1.0f)) return Fail(which + " out of range");
    const std::string text = host_.ParamDisplay(i);
    if (text.empty() || text.find("nan") != std::string::npos ||
        text.find("inf") != std::string::npos) {
      return Fail(which + " shows \"" + text + "\"");
    }
  }
  if (host_.GetParameter(-1) != 0.0f || host_.GetParameter(89) != 0.0f) {
    return Fail("parameters outside 0 .. 88 read as values");
  }
  // Every stored value is finite and inside its range: loading the state back changes nothing.
  const std::vector<std::uint8_t> state = host_.GetChunk(true);
  if (state.size() != 720) return Fail(std::string("chunk size after ") + after);
  for (std::size_t offset = 8; offset < state.size(); offset += 8) {
    double v;
    std::memcpy(&v, &state[offset], sizeof v);
    if (!std::isfinite(v)) {
      return Fail("stored parameter " + std::to_string((offset - 8) / 8) + " not finite after " +
                  after);
    }
  }
  if (reloadState_ && (host_.SetChunk(state, true) != 1 || host_.GetChunk(true) != state)) {
    Fail(std::string("the state is not a fixed point after ") + after);
  }
}

}  // namespace hostscript
