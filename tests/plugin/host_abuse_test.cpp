// A careless host, reproducibly: a fixed-seed generator drives a few thousand calls through the
// built module (every dispatcher opcode, bad parameter values, damaged chunks, program changes,
// bad rates and sizes, all three process paths) and checks that audio stays finite, that nothing
// is written past a buffer and that the instance keeps answering sensibly.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/plugin_host.h"

namespace {

using namespace vst2;
using qvhost::PluginHost;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kSteps = 3000;
constexpr int kGuard = 16;  // samples behind every host buffer that must stay untouched
constexpr float kGuardValue = 12345.0f;
constexpr unsigned char kFill = 0xA5;

// SplitMix64: the same sequence on every platform and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  template <typename T, std::size_t N>
  T Pick(const T (&values)[N]) {
    return values[Below(static_cast<int>(N))];
  }

 private:
  std::uint64_t state_;
};

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

class HostAbuse : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host = PluginHost::Load(QV_PLUGIN_PATH, &error);
    ASSERT_NE(host, nullptr) << error;
    host->Open();
    validChunk = host->GetChunk(true);
    ASSERT_EQ(validChunk.size(), 720u);
  }

  float RandomParameterValue() {
    const float special[] = {kNaN, kInf, -kInf, -1.0f, -1e30f, 1e30f, 1.5f, 0.0f, 1.0f, 1e-40f};
    return rng.Chance(30) ? rng.Pick(special) : static_cast<float>(rng.Unit());
  }

  void DispatchRandomOpcode();
  void SetRandomChunk();
  void ChangeRatesOrSizes();
  void ChangeTransport();
  void Process();
  void CheckParameters(const char* after);

  Random rng{0x51A7E5EEDull};
  std::unique_ptr<PluginHost> host;
  std::vector<std::uint8_t> validChunk;
  int blockSize = 1024;  // what the plug-in was last told
  int connectedInputs = 2;
  int connectedOutputs = 2;
  int slackDamage = 0;  // buffers of this test written past their size
  // What the run reached, so that a changed seed or weighting cannot quietly test less.
  std::bitset<81> opcodesSeen;
  std::bitset<3> longBlocksSeen;   // per path: a block longer than the announced size
  std::bitset<3> inputCountsSeen;  // 0, 1 and 2 connected channels in a process call
  std::bitset<3> outputCountsSeen;
};

void HostAbuse::DispatchRandomOpcode() {
  int32 opcode = rng.Between(0, 80);
  if (opcode == effClose) opcode = effOpen;  // only at the end
  opcodesSeen.set(opcode);
  const int32 index = rng.Chance(70) ? rng.Between(-3, 100) : static_cast<int32>(rng.Next());
  const intptr value = rng.Chance(70) ? rng.Between(-3, 100) : static_cast<intptr>(rng.Next());
  const float opt = RandomParameterValue();
  const bool null = rng.Chance(20);
  switch (opcode) {
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effGetProgramNameIndexed:
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effVendorSpecific: {
      // Text replies go through the host library, which counts every overrun.
      if (null) {
        host->Dispatch(opcode, index, value, nullptr, opt);
      } else if (opcode == effGetProgramName) {
        host->ProgramName();
      } else if (opcode == effGetParamLabel) {
        host->ParamLabel(index);
      } else if (opcode == effGetParamDisplay) {
        host->ParamDisplay(index);
      } else if (opcode == effGetParamName) {
        host->ParamName(index);
      } else if (opcode == effGetProgramNameIndexed) {
        host->ProgramNameIndexed(index);
      } else if (opcode == effGetEffectName) {
        EXPECT_EQ(host->EffectName(), "Quorvantel");
      } else if (opcode == effGetVendorString) {
        EXPECT_EQ(host->VendorString(), "Halbrecken");
      } else if (opcode == effGetProductString) {
        host->ProductString();
      } else {
        const int param = rng.Chance(80) ? rng.Between(-2, 90) : index;
        host->DisplayOfNormalized(param, opt);
      }
      return;
    }
    case effSetProgramName: {
      std::string name(static_cast<std::size_t>(rng.Between(0, 300)), 'n');
      for (char& c : name) c = static_cast<char>(rng.Between(32, 126));
      if (null) {
        host->Dispatch(opcode, index, value, nullptr, opt);
      } else {
        host->SetProgramName(name);
      }
      return;
    }
    case effSetProgram:
      host->Dispatch(opcode, index, rng.Chance(80) ? rng.Between(-2, 8) : value, nullptr, opt);
      return;
    case effSetSampleRate:
    case effSetBlockSize:
      ChangeRatesOrSizes();
      return;
    case effEditOpen:
    case effEditClose:
      // No parent window: this host has none to offer.
      host->Dispatch(opcode, index, value, nullptr, opt);
      return;
    case effEditGetRect: {
      ERect* rect = nullptr;
      host->Dispatch(opcode, index, value, null ? nullptr : &rect, opt);
      return;
    }
    case effGetChunk: {
      void* data = nullptr;
      const intptr size = host->Dispatch(opcode, index, value, null ? nullptr : &data, opt);
      if (null) {
        EXPECT_EQ(size, 0);
      } else {
        EXPECT_EQ(size, 720);
        EXPECT_NE(data, nullptr);
      }
      return;
    }
    case effSetChunk:
      SetRandomChunk();
      return;
    case effProcessEvents: {
      VstMidiEvent events[8] = {};
      EventList list;
      list.numEvents = rng.Between(-1, 8);
      for (int i = 0; i < 8; ++i) {
        events[i].type = rng.Pick({0, 1, 1, 6, 99});
        events[i].byteSize = sizeof(VstMidiEvent);
        events[i].deltaFrames = rng.Between(-5, 5000);
        for (char& b : events[i].midiData) b = static_cast<char>(rng.Below(256));
        list.events[i] = rng.Chance(15) ? nullptr : reinterpret_cast<VstEvent*>(&events[i]);
      }
      host->Script().processEventsResult = rng.Between(0, 1);
      const intptr answer = host->Dispatch(opcode, index, value, null ? nullptr : &list, opt);
      EXPECT_EQ(answer, null ? 0 : 1);
      return;
    }
    case effGetInputProperties:
    case effGetOutputProperties: {
      GuardedBuffer pin(sizeof(VstPinProperties));
      host->Dispatch(opcode, index, value, null ? nullptr : pin.Data(), opt);
      slackDamage += !pin.SlackIntact();
      return;
    }
    case effSetSpeakerArrangement: {
      VstSpeakerArrangement in{};
      VstSpeakerArrangement out{};
      in.numChannels = rng.Chance(90) ? rng.Between(-1, 3) : static_cast<int32>(rng.Next());
      out.numChannels = rng.Chance(90) ? rng.Between(-1, 3) : static_cast<int32>(rng.Next());
      const bool withIn = rng.Chance(80);
      const bool withOut = rng.Chance(80);
      EXPECT_EQ(host->Dispatch(opcode, index, withIn ? reinterpret_cast<intptr>(&in) : 0,
                               withOut ? &out : nullptr, opt),
                1);
      if (withIn) connectedInputs = std::clamp(in.numChannels, 0, 2);
      if (withOut) connectedOutputs = std::clamp(out.numChannels, 0, 2);
      return;
    }
    case effCanDo: {
      const char* texts[] = {"receiveVstTimeInfo",
                             "hasCockosExtensions",
                             "hasCockosViewAsConfig",
                             "sendVstEvents",
                             "receiveVstMidiEvent",
                             "",
                             "bypass",
                             "plugAsChannelInsert",
                             "RECEIVEVSTTIMEINFO"};
      host->Dispatch(opcode, index, value, null ? nullptr : const_cast<char*>(rng.Pick(texts)),
                     opt);
      return;
    }
    case effGetMidiKeyName: {
      GuardedBuffer record(sizeof(MidiKeyName));
      EXPECT_EQ(host->Dispatch(opcode, index, value, null ? nullptr : record.Data(), opt), 0);
      slackDamage += !record.SlackIntact();
      return;
    }
    case effGetSpeakerArrangement: {
      VstSpeakerArrangement* in = nullptr;
      VstSpeakerArrangement* out = nullptr;
      const bool withIn = rng.Chance(80);
      host->Dispatch(opcode, index, withIn ? reinterpret_cast<intptr>(&in) : 0,
                     null ? nullptr : &out, opt);
      if (withIn) {
        EXPECT_EQ(in->numChannels, 2);
      }
      if (!null) {
        EXPECT_EQ(out->numChannels, 2);
      }
      return;
    }
    default:
      break;
  }
  // Everything else: a zeroed buffer of a generous size, or none.
  GuardedBuffer buffer(256);
  buffer.FillWith(0x3C);
  const intptr answer = host->Dispatch(opcode, index, value, null ? nullptr : buffer.Data(), opt);
  if (DoesNothing(opcode)) {
    EXPECT_EQ(answer, 0) << "opcode " << opcode;
    EXPECT_TRUE(buffer.AllUntouched(0x3C)) << "opcode " << opcode;
  }
  slackDamage += !buffer.SlackIntact();
}

void HostAbuse::SetRandomChunk() {
  std::vector<std::uint8_t> bytes = rng.Chance(50) ? validChunk : host->GetChunk(rng.Chance(50));
  switch (rng.Below(6)) {
    case 0: {  // stored values replaced by specials
      const double specials[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, -1.0, 0.0};
      for (int n = rng.Between(1, 10); n > 0; --n) {
        const double v = rng.Pick(specials);
        std::memcpy(&bytes[8 + 8 * rng.Below(89)], &v, sizeof v);
      }
      break;
    }
    case 1:  // truncated
      bytes.resize(static_cast<std::size_t>(rng.Below(720)));
      break;
    case 2:  // oversized
      for (int n = rng.Between(1, 200); n > 0; --n) bytes.push_back(rng.Below(256));
      break;
    case 3:  // random bytes
      bytes.resize(static_cast<std::size_t>(rng.Below(1000)));
      for (std::uint8_t& b : bytes) b = rng.Below(256);
      break;
    case 4:  // bare values without the header
      bytes.erase(bytes.begin(), bytes.begin() + 8);
      break;
    default:  // random bit flips
      for (int n = rng.Between(1, 20); n > 0; --n) bytes[rng.Below(720)] ^= 1u << rng.Below(8);
      break;
  }
  const bool program = rng.Chance(50);
  if (rng.Chance(10)) {
    // Null data or a negative size: refused.
    EXPECT_EQ(host->Dispatch(effSetChunk, program ? 1 : 0, rng.Between(-5, 720), nullptr), 0);
    std::vector<std::uint8_t> copy(validChunk);
    EXPECT_EQ(host->Dispatch(effSetChunk, program ? 1 : 0, -rng.Between(1, 720), copy.data()), 0);
  } else {
    host->SetChunk(bytes, program);
  }
  CheckParameters("a chunk");
}

void HostAbuse::ChangeRatesOrSizes() {
  if (rng.Chance(50)) {
    const float rates[] = {kNaN,     kInf,     -kInf,    0.0f,     -44100.0f, 1e-20f, 1.0f, 8000.0f,
                           22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 1e6f,   3e38f};
    host->SetSampleRate(rng.Pick(rates));
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
  const intptr size = rng.Chance(80) ? rng.Pick(sizes) : rng.Between(1, 3000);
  host->Dispatch(effSetBlockSize, 0, size);
  if (size >= 1 && size <= std::numeric_limits<int32>::max()) blockSize = static_cast<int>(size);
}

void HostAbuse::ChangeTransport() {
  if (rng.Chance(25)) {
    host->Script().timeInfo.reset();
    return;
  }
  VstTimeInfo time{};
  time.samplePos = rng.Chance(80) ? rng.Unit() * 1e7 : -1.0;
  time.sampleRate = 44100.0;
  const double tempos[] = {120.0, 60.0, 300.0, 0.0, -5.0, std::nan(""), HUGE_VAL, 1e-3, 1e6};
  time.tempo = rng.Pick(tempos);
  time.ppqPos = rng.Unit() * 100.0;
  time.timeSigNumerator = rng.Between(-1, 7);
  time.timeSigDenominator = rng.Between(-1, 16);
  time.flags = static_cast<int32>(rng.Next()) & 0xFFFF;
  if (rng.Chance(60)) time.flags |= kTransportPlaying | kTempoValid;
  host->Script().timeInfo = time;
}

void HostAbuse::Process() {
  const int path = rng.Below(3);
  int frames = rng.Between(0, 3 * blockSize);
  if (rng.Chance(3)) frames = -rng.Between(1, 100);
  const int length = std::max(frames, 0) + kGuard;
  if (frames > blockSize) longBlocksSeen.set(path);
  inputCountsSeen.set(connectedInputs);
  outputCountsSeen.set(connectedOutputs);
  auto sample = [this] {
    if (rng.Chance(1)) return rng.Pick({kNaN, kInf, -kInf});
    return static_cast<float>(rng.Unit() * 2.0 - 1.0);
  };
  std::vector<std::vector<float>> in(connectedInputs), out(connectedOutputs);
  std::vector<std::vector<double>> din(connectedInputs), dout(connectedOutputs);
  std::vector<float*> inPtr, outPtr;
  std::vector<double*> dinPtr, doutPtr;
  for (int c = 0; c < connectedInputs; ++c) {
    in[c].assign(length, kGuardValue);
    for (int i = 0; i < frames; ++i) in[c][i] = sample();
    din[c].assign(in[c].begin(), in[c].end());
    inPtr.push_back(in[c].data());
    dinPtr.push_back(din[c].data());
  }
  for (int c = 0; c < connectedOutputs; ++c) {
    out[c].assign(length, kGuardValue);
    for (int i = 0; i < frames; ++i) out[c][i] = static_cast<float>(rng.Unit());
    dout[c].assign(out[c].begin(), out[c].end());
    outPtr.push_back(out[c].data());
    doutPtr.push_back(dout[c].data());
  }
  const std::vector<float> firstBefore = out.empty() ? std::vector<float>{} : out[0];
  if (path == 0) {
    host->ProcessReplacing(inPtr.data(), outPtr.data(), frames);
  } else if (path == 1) {
    host->ProcessAccumulating(inPtr.data(), outPtr.data(), frames);
  } else {
    // Hosts often process in place.
    const bool inPlace = rng.Chance(30) && connectedInputs == connectedOutputs;
    host->ProcessDouble(dinPtr.data(), inPlace ? dinPtr.data() : doutPtr.data(), frames);
    if (inPlace) dout = din;
    for (int c = 0; c < connectedOutputs; ++c) {
      for (int i = 0; i < length; ++i) out[c][i] = static_cast<float>(dout[c][i]);
    }
  }
  if (frames <= 0 && !out.empty()) {
    EXPECT_EQ(out[0], firstBefore) << "no frames, no writes";
  }
  for (int c = 0; c < connectedOutputs; ++c) {
    for (int i = 0; i < std::max(frames, 0); ++i) {
      ASSERT_TRUE(std::isfinite(out[c][i]))
          << "path " << path << " channel " << c << " sample " << i << " of " << frames;
    }
    for (int i = std::max(frames, 0); i < length; ++i) {
      ASSERT_EQ(out[c][i], kGuardValue) << "written past the block, path " << path;
    }
  }
  for (int c = 0; c < connectedInputs; ++c) {
    if (path == 2) continue;  // in place or not, the double inputs may be the outputs
    for (int i = std::max(frames, 0); i < length; ++i) ASSERT_EQ(in[c][i], kGuardValue);
  }
  ASSERT_EQ(host->TextOverruns(), 0);
}

void HostAbuse::CheckParameters(const char* after) {
  for (int i = 0; i < 89; ++i) {
    const float v = host->GetParameter(i);
    ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "parameter " << i << " after " << after;
    const std::string text = host->ParamDisplay(i);
    ASSERT_FALSE(text.empty()) << "parameter " << i << " after " << after;
    ASSERT_EQ(text.find("nan"), std::string::npos) << "parameter " << i << " after " << after;
    ASSERT_EQ(text.find("inf"), std::string::npos) << "parameter " << i << " after " << after;
  }
  EXPECT_EQ(host->GetParameter(-1), 0.0f);
  EXPECT_EQ(host->GetParameter(89), 0.0f);
  // Every stored value is finite and inside its range: loading the state back changes nothing.
  const std::vector<std::uint8_t> state = host->GetChunk(true);
  ASSERT_EQ(state.size(), 720u);
  for (std::size_t offset = 8; offset < state.size(); offset += 8) {
    double v;
    std::memcpy(&v, &state[offset], sizeof v);
    ASSERT_TRUE(std::isfinite(v)) << "parameter " << (offset - 8) / 8 << " after " << after;
  }
  ASSERT_EQ(host->SetChunk(state, true), 1);
  ASSERT_EQ(host->GetChunk(true), state) << "after " << after;
}

TEST_F(HostAbuse, RandomCallsKeepAudioFiniteAndBuffersIntact) {
  for (int step = 0; step < kSteps && !HasFatalFailure(); ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int action = rng.Below(100);
    if (action < 30) {
      DispatchRandomOpcode();
    } else if (action < 42) {
      const int index = rng.Chance(90) ? rng.Between(0, 88) : rng.Between(-5, 95);
      host->SetParameter(index, RandomParameterValue());
      const float v = host->GetParameter(index);
      ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "parameter " << index;
    } else if (action < 47) {
      SetRandomChunk();
    } else if (action < 52) {
      const int program = rng.Between(-1, 6);
      host->SetProgram(program);
      if (rng.Chance(30)) host->SetProgramName("abuse " + std::to_string(step));
      const int current = host->GetProgram();
      ASSERT_TRUE(current >= 0 && current < 6);
      if (program >= 0 && program < 6) {
        EXPECT_EQ(current, program);
      }
      host->ProgramName();
    } else if (action < 57) {
      ChangeRatesOrSizes();
    } else if (action < 62) {
      ChangeTransport();
    } else if (action < 64) {
      host->SetActive(rng.Chance(50));
    } else {
      Process();
    }
  }
  CheckParameters("the whole run");
  host->Close();
  EXPECT_EQ(host->TextOverruns(), 0);
  EXPECT_EQ(slackDamage, 0);
  EXPECT_EQ(opcodesSeen.count(), 80u);  // all but close, which came last
  EXPECT_TRUE(longBlocksSeen.all());
  EXPECT_TRUE(inputCountsSeen.all()) << inputCountsSeen;
  EXPECT_TRUE(outputCountsSeen.all()) << outputCountsSeen;
}

}  // namespace
