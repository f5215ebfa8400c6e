// The LV2 plug-in in-process, driven as an LV2 host drives it: instantiation, control ports,
// time:Position in the atom input (compared sample for sample with the VST 2 instance of the
// same settings and transport), state, and input a faulty host might send.
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lv2/atom/forge.h>
#include <lv2/log/log.h>
#include <lv2/time/time.h>

#include "quorvantel/lv2/lv2_ports.h"
#include "quorvantel/lv2/quorvantel_lv2.h"
#include "tests/plugin/effect_fixture.h"

namespace {

using framework::IEffectLv2;
using quorvantel::kParameterCount;

// urid:map and log:log as a host offers them; the log keeps what the plug-in says.
struct TestHostFeatures {
  std::map<std::string, LV2_URID> ids;
  std::vector<std::string> messages;
  LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                     auto& ids = static_cast<TestHostFeatures*>(h)->ids;
                     return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                   }};
  LV2_Log_Log log{this, nullptr, [](LV2_Log_Handle h, LV2_URID, const char* format,
                                    va_list args) -> int {
                    char text[512];
                    const int n = std::vsnprintf(text, sizeof text, format, args);
                    static_cast<TestHostFeatures*>(h)->messages.emplace_back(text);
                    return n;
                  }};
  LV2_Feature mapFeature{LV2_URID__map, &map};
  LV2_Feature logFeature{LV2_LOG__log, &log};
  const LV2_Feature* all[3] = {&mapFeature, &logFeature, nullptr};
  const LV2_Feature* logOnly[2] = {&logFeature, nullptr};
  LV2_URID Id(const char* uri) { return map.map(this, uri); }
};

int IndexOf(const char* symbol) {
  const auto symbols = quorvantel::ParameterPortSymbols(quorvantel::QuorvantelParameters());
  for (int i = 0; i < kParameterCount; ++i)
    if (symbols[i] == symbol) return i;
  ADD_FAILURE() << "no port " << symbol;
  return 0;
}

// A stereo test signal: decaying tones and noise bursts, the same for every instance.
float Signal(int channel, long frame) {
  const double t = frame / 44100.0;
  const double tone = std::sin(2 * M_PI * (220.0 + 110.0 * channel) * t) * std::exp(-3.0 * std::fmod(t, 0.5));
  const unsigned h = static_cast<unsigned>(frame * 2654435761u + channel * 40503u);
  const double noise = (std::fmod(t, 0.7) < 0.05) ? ((h >> 8) % 2001 - 1000) / 4000.0 : 0.0;
  return static_cast<float>(0.4 * tone + noise);
}

// One LV2 instance with every port connected to buffers of its own.
class Lv2Instance {
 public:
  explicit Lv2Instance(TestHostFeatures& host, double rate = 44100.0) : host_(host) {
    descriptor_ = quorvantel::QuorvantelLv2Descriptor();
    handle_ = descriptor_->instantiate(descriptor_, rate, "/nonexistent/", host.all);
    if (handle_ == nullptr) return;
    const auto parameters = quorvantel::QuorvantelParameters();
    const framework::Lv2PortLayout layout = quorvantel::QuorvantelLv2Layout();
    for (int i = 0; i < kParameterCount; ++i) controls_[i] = static_cast<float>(parameters[i].DefaultValue());
    for (int i = 0; i < kParameterCount; ++i) descriptor_->connect_port(handle_, i, &controls_[i]);
    for (int c = 0; c < 2; ++c) {
      descriptor_->connect_port(handle_, layout.FirstAudioInput() + c, in_[c]);
      descriptor_->connect_port(handle_, layout.FirstAudioOutput() + c, out_[c]);
      descriptor_->connect_port(handle_, layout.FirstReadOut() + c, &readOuts_[c]);
    }
    descriptor_->connect_port(handle_, layout.TimePort(), atoms_);
    lv2_atom_forge_init(&forge_, &host.map);
    descriptor_->activate(handle_);
    ClearEvents();
  }
  ~Lv2Instance() {
    if (handle_ == nullptr) return;
    descriptor_->deactivate(handle_);
    descriptor_->cleanup(handle_);
  }
  bool Valid() const { return handle_ != nullptr; }
  IEffectLv2& Effect() { return *static_cast<IEffectLv2*>(handle_); }
  const LV2_State_Interface* State() const {
    return static_cast<const LV2_State_Interface*>(descriptor_->extension_data(LV2_STATE__interface));
  }
  LV2_Handle Handle() const { return handle_; }

  void Set(const char* symbol, float value) { controls_[IndexOf(symbol)] = value; }
  float ReadOut(int which) const { return readOuts_[which]; }

  // Starts the next block's atom input, empty.
  void ClearEvents() {
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(atoms_), sizeof atoms_);
    lv2_atom_forge_sequence_head(&forge_, &sequenceFrame_, 0);
  }
  // A time:Position at `frame` of the next block: tempo, speed, and a beat position.
  void AddPosition(std::int64_t frame, float bpm, float speed, double beat = 0.0) {
    lv2_atom_forge_frame_time(&forge_, frame);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge_, &object, 0, host_.Id(LV2_TIME__Position));
    lv2_atom_forge_key(&forge_, host_.Id(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge_, bpm);
    lv2_atom_forge_key(&forge_, host_.Id(LV2_TIME__speed));
    lv2_atom_forge_float(&forge_, speed);
    lv2_atom_forge_key(&forge_, host_.Id(LV2_TIME__beat));
    lv2_atom_forge_double(&forge_, beat);
    lv2_atom_forge_pop(&forge_, &object);
  }
  LV2_Atom_Sequence* Events() { return reinterpret_cast<LV2_Atom_Sequence*>(atoms_); }

  // Runs frames (at most kMaxFrames) of the test signal from `at` on; the events added since the
  // last ClearEvents apply, and are cleared afterwards.
  void Run(long at, int frames, std::vector<float>* left, std::vector<float>* right) {
    lv2_atom_forge_pop(&forge_, &sequenceFrame_);
    for (int i = 0; i < frames; ++i) {
      in_[0][i] = Signal(0, at + i);
      in_[1][i] = Signal(1, at + i);
    }
    descriptor_->run(handle_, frames);
    if (left != nullptr) left->insert(left->end(), out_[0], out_[0] + frames);
    if (right != nullptr) right->insert(right->end(), out_[1], out_[1] + frames);
    ClearEvents();
  }
  static constexpr int kMaxFrames = 4096;

 private:
  TestHostFeatures& host_;
  const LV2_Descriptor* descriptor_ = nullptr;
  LV2_Handle handle_ = nullptr;
  float controls_[kParameterCount] = {};
  float in_[2][kMaxFrames] = {};
  float out_[2][kMaxFrames] = {};
  float readOuts_[2] = {};
  alignas(8) std::uint64_t atoms_[1024] = {};
  LV2_Atom_Forge forge_;
  LV2_Atom_Forge_Frame sequenceFrame_;
};

TEST(Lv2Plugin, InstantiateRefusesWithoutTheMapOrAUsableRateAndSaysWhy) {
  TestHostFeatures host;
  const LV2_Descriptor* d = quorvantel::QuorvantelLv2Descriptor();
  EXPECT_STREQ(d->URI, quorvantel::kLv2PluginUri);
  EXPECT_EQ(d->instantiate(d, 44100.0, "/", host.logOnly), nullptr);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("urid:map"), std::string::npos) << host.messages[0];
  for (double rate : {0.0, -44100.0, double{NAN}, 1.0e9}) {
    EXPECT_EQ(d->instantiate(d, rate, "/", host.all), nullptr) << rate;
  }
  EXPECT_EQ(host.messages.size(), 5u);
  EXPECT_EQ(d->instantiate(d, 44100.0, "/", nullptr), nullptr);
  EXPECT_EQ(d->extension_data("http://example.org/none"), nullptr);
}

TEST(Lv2Plugin, ControlPortsApplyFromTheStartOfRunAndTheStatisticsReachTheirPorts) {
  TestHostFeatures host;
  Lv2Instance lv2(host);
  ASSERT_TRUE(lv2.Valid());
  lv2.Set("pitch", 7.0f);
  lv2.Set("onset", 2.0f);
  lv2.Set("envelope_3", 1.0f);
  lv2.Run(0, 1, nullptr, nullptr);
  // Through the single-precision normalised value a VST 2 host sets, so both sound alike.
  EXPECT_NEAR(lv2.Effect().Parameters().Value(quorvantel::kParamPitch), 7.0, 1e-5);
  EXPECT_NEAR(lv2.Effect().Parameters().Value(IndexOf("onset")), 2.0, 1e-6);
  EXPECT_DOUBLE_EQ(lv2.Effect().Parameters().Value(IndexOf("envelope_3")), 1.0);
  // Values outside the range or not numbers are kept in range or ignored, never applied raw.
  lv2.Set("pitch", 1.0e9f);
  lv2.Set("onset", NAN);
  lv2.Run(1, 1, nullptr, nullptr);
  EXPECT_LE(lv2.Effect().Parameters().Value(quorvantel::kParamPitch),
            quorvantel::QuorvantelParameters()[quorvantel::kParamPitch].Max());
  EXPECT_NEAR(lv2.Effect().Parameters().Value(IndexOf("onset")), 2.0, 1e-6);
  lv2.Set("pitch", 0.0f);
  // Two seconds at an onset of 2 ms: about 500 grains a second, several at once.
  for (long at = 2; at < 88200; at += 1000) lv2.Run(at, 1000, nullptr, nullptr);
  EXPECT_GT(lv2.ReadOut(quorvantel::kReadOutGrainsPerSecond), 300.0f);
  EXPECT_GT(lv2.ReadOut(quorvantel::kReadOutDensity), 4.0f);
}

// The VST 2 instance with the same settings, its time record answering tempo and transport.
struct Vst2Reference {
  explicit Vst2Reference(const std::map<std::string, float>& settings) {
    vst2::VstTimeInfo time{};
    time.sampleRate = 44100.0;
    fixture.host->Script().timeInfo = time;
    fixture.host->Open();
    fixture.host->SetSampleRate(44100.0);
    fixture.host->SetBlockSize(1024);
    const auto parameters = quorvantel::QuorvantelParameters();
    for (const auto& [symbol, value] : settings) {
      const int i = IndexOf(symbol.c_str());
      fixture.host->SetParameter(i, static_cast<float>(parameters[i].NormalizedOf(value)));
    }
    fixture.host->SetActive(true);
  }
  void Transport(double bpm, bool playing) {
    auto& time = *fixture.host->Script().timeInfo;
    time.tempo = bpm;
    time.flags = vst2::kTempoValid | (playing ? vst2::kTransportPlaying : 0);
  }
  void Run(long at, int frames, std::vector<float>* left, std::vector<float>* right) {
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
      out[c].assign(frames, 0.0f);
      for (int i = 0; i < frames; ++i) in[c].push_back(Signal(c, at + i));
    }
    float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    fixture.host->ProcessReplacing(inputs, outputs, frames);
    left->insert(left->end(), out[0].begin(), out[0].end());
    right->insert(right->end(), out[1].begin(), out[1].end());
  }
  EffectFixture fixture;
};

// A tempo-synced LFO on the amplitude and the pitch: the tempo changes the sound.
const std::map<std::string, float> kSyncedScene = {
    {"length", 40.0f}, {"onset", 5.0f},  {"ampl_mod", 0.0f}, {"amp_dpth", 1.0f},
    {"shape1", 2.0f},  {"sync1", 1.0f},  {"rate1", 5.9f},    {"pch_mod", 1.0f},
    {"pch_dpth", 0.5f}, {"shape2", 3.0f}, {"sync2", 1.0f},    {"rate2", 3.0f},
    {"dry", 0.3f},     {"wet", 0.8f}};

TEST(Lv2Plugin, TimePositionsSoundAsTheVst2TimeRecordAtTheirFrame) {
  TestHostFeatures host;
  Lv2Instance lv2(host);
  ASSERT_TRUE(lv2.Valid());
  for (const auto& [symbol, value] : kSyncedScene) lv2.Set(symbol.c_str(), value);
  Vst2Reference vst(kSyncedScene);

  // Blocks of 1024 frames; the transport changes inside blocks: 90 bpm from the start, 150 bpm
  // from frame 16437, stopped from 30500 to 40000, then playing at 150 again. The VST 2 side
  // splits its blocks where the changes are and sets its time record there, as a VST 2 host
  // would have to. (The engine's synced LFOs depend on where blocks end, so both sides process
  // the same pieces.)
  struct Change {
    long frame;
    float bpm;
    bool playing;
  };
  const Change changes[] = {{0, 90.0f, true}, {16437, 150.0f, true}, {30500, 150.0f, false},
                            {40000, 150.0f, true}, {1L << 30, 0.0f, true}};
  std::vector<float> lv2Left, lv2Right, vstLeft, vstRight;
  const long total = 66150;
  int next = 0;
  for (long at = 0; at < total; at += 1024) {
    const long end = std::min<long>(at + 1024, total);
    long done = at;
    for (; changes[next].frame < end; ++next) {
      const Change& c = changes[next];
      lv2.AddPosition(c.frame - at, c.bpm, c.playing ? 1.0f : 0.0f);
      if (c.frame > done) vst.Run(done, static_cast<int>(c.frame - done), &vstLeft, &vstRight);
      vst.Transport(c.bpm, c.playing);
      done = c.frame;
    }
    vst.Run(done, static_cast<int>(end - done), &vstLeft, &vstRight);
    lv2.Run(at, static_cast<int>(end - at), &lv2Left, &lv2Right);
  }
  ASSERT_EQ(lv2Left.size(), vstLeft.size());
  long differing = 0, first = -1;
  for (std::size_t i = 0; i < lv2Left.size(); ++i) {
    const bool differs = lv2Left[i] != vstLeft[i] || lv2Right[i] != vstRight[i];
    if (differs && first < 0) first = static_cast<long>(i);
    differing += differs;
  }
  EXPECT_EQ(differing, 0) << "from frame " << first;
  // The stopped stretch carries the dry signal only, and the sound is not silent elsewhere.
  double wet = 0.0;
  for (long i = 0; i < 16437; ++i) wet += std::fabs(lv2Left[i] - 0.3f * Signal(0, i));
  EXPECT_GT(wet, 1.0);
  for (long i = 30500; i < 40000; ++i) ASSERT_FLOAT_EQ(lv2Left[i], 0.3f * Signal(0, i)) << i;
}

TEST(Lv2Plugin, TheTempoOfAPositionChangesASyncedLfo) {
  std::vector<float> at90, at180;
  for (auto [bpm, out] : {std::pair{90.0f, &at90}, std::pair{180.0f, &at180}}) {
    TestHostFeatures host;
    Lv2Instance lv2(host);
    for (const auto& [symbol, value] : kSyncedScene) lv2.Set(symbol.c_str(), value);
    lv2.AddPosition(0, bpm, 1.0f);
    for (long at = 0; at < 44100; at += 2000) lv2.Run(at, 2000, out, nullptr);
  }
  long differing = 0;
  for (std::size_t i = 0; i < at90.size(); ++i) differing += at90[i] != at180[i];
  EXPECT_GT(differing, 10000);
}

TEST(Lv2Plugin, MalformedAtomsAreSkippedWithoutHarm) {
  TestHostFeatures host;
  Lv2Instance clean(host), faulty(host);
  std::vector<float> a, b;
  clean.Run(0, 256, &a, nullptr);
  // A time:Position whose body claims more bytes than the sequence holds.
  faulty.AddPosition(0, 60.0f, 0.0f);
  auto* event = reinterpret_cast<LV2_Atom_Event*>(faulty.Events() + 1);
  event->body.size = 1u << 30;
  faulty.Run(0, 256, &b, nullptr);
  EXPECT_EQ(a, b);
  // A sequence that claims more than its header, one of another type, no port: all ignored.
  faulty.Events()->atom.size = 4;
  faulty.Run(256, 64, nullptr, nullptr);
  faulty.Events()->atom.type = host.Id(LV2_ATOM__Float);
  faulty.Run(320, 64, nullptr, nullptr);
  const LV2_Descriptor* d = quorvantel::QuorvantelLv2Descriptor();
  d->connect_port(faulty.Handle(), quorvantel::QuorvantelLv2Layout().TimePort(), nullptr);
  d->connect_port(faulty.Handle(), 100000, nullptr);
  faulty.Run(384, 64, &b, nullptr);
  for (float v : b) ASSERT_TRUE(std::isfinite(v));
}

// The state functions as a host calls them: store into a map, retrieve from it.
struct StateStore {
  struct Value {
    std::vector<std::uint8_t> bytes;
    std::uint32_t type;
  };
  std::map<std::uint32_t, Value> values;
  static LV2_State_Status Store(LV2_State_Handle h, std::uint32_t key, const void* value,
                                std::size_t size, std::uint32_t type, std::uint32_t) {
    const auto* p = static_cast<const std::uint8_t*>(value);
    static_cast<StateStore*>(h)->values[key] = {{p, p + size}, type};
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle h, std::uint32_t key, std::size_t* size,
                              std::uint32_t* type, std::uint32_t* flags) {
    auto& values = static_cast<StateStore*>(h)->values;
    const auto it = values.find(key);
    if (it == values.end()) return nullptr;
    *size = it->second.bytes.size();
    *type = it->second.type;
    *flags = LV2_STATE_IS_POD;
    return it->second.bytes.data();
  }
};

TEST(Lv2Plugin, StateIsTheVst2ChunkAndBadChunksAreRefusedWithoutHarm) {
  TestHostFeatures host;
  Lv2Instance source(host), target(host);
  source.Set("pitch", 7.0f);
  source.Set("envelope_2", 2.0f);
  source.Run(0, 64, nullptr, nullptr);
  StateStore store;
  ASSERT_EQ(source.State()->save(source.Handle(), &StateStore::Store, &store, 0, nullptr),
            LV2_STATE_SUCCESS);
  const std::uint32_t key = host.Id(quorvantel::kLv2StateKey);
  ASSERT_EQ(store.values.count(key), 1u);
  const StateStore::Value saved = store.values[key];
  EXPECT_EQ(saved.type, host.Id(LV2_ATOM__Chunk));

  // The same bytes as the VST 2 instance's chunk for the same settings.
  Vst2Reference vst({{"pitch", 7.0f}, {"envelope_2", 2.0f}});
  EXPECT_EQ(saved.bytes, vst.fixture.host->GetChunk(false));

  ASSERT_EQ(target.State()->restore(target.Handle(), &StateStore::Retrieve, &store, 0, nullptr),
            LV2_STATE_SUCCESS);
  EXPECT_NEAR(target.Effect().Parameters().Value(quorvantel::kParamPitch), 7.0, 1e-5);

  // Where the ports disagree with the chunk at the next run, the ports win.
  target.Run(0, 64, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(target.Effect().Parameters().Value(quorvantel::kParamPitch), 0.0);

  auto refused = [&](std::vector<std::uint8_t> bytes, std::uint32_t type, const char* what) {
    Lv2Instance fresh(host);
    fresh.Set("pitch", -5.0f);
    fresh.Run(0, 16, nullptr, nullptr);
    StateStore bad;
    bad.values[key] = {std::move(bytes), type};
    const std::size_t messages = host.messages.size();
    EXPECT_NE(fresh.State()->restore(fresh.Handle(), &StateStore::Retrieve, &bad, 0, nullptr),
              LV2_STATE_SUCCESS)
        << what;
    EXPECT_EQ(host.messages.size(), messages + 1) << what;
    EXPECT_NEAR(fresh.Effect().Parameters().Value(quorvantel::kParamPitch), -5.0, 1e-5) << what;
  };
  std::vector<std::uint8_t> bytes = saved.bytes;
  refused({bytes.begin(), bytes.end() - 8}, saved.type, "truncated");
  bytes.resize(saved.bytes.size() + 8);
  refused(bytes, saved.type, "oversized");
  refused({bytes.begin(), bytes.begin() + 7}, saved.type, "shorter than its header");
  bytes = saved.bytes;
  bytes[4] ^= 0x5A;
  refused(bytes, saved.type, "another version");
  refused(saved.bytes, host.Id(LV2_ATOM__String), "not a chunk");
  bytes = saved.bytes;
  const double nan = NAN;
  std::memcpy(&bytes[8 + 8 * quorvantel::kParamPitch], &nan, sizeof nan);
  refused(bytes, saved.type, "a value that is not a number");

  // No chunk at all (a preset of port values): the ports hold the state.
  StateStore none;
  EXPECT_EQ(target.State()->restore(target.Handle(), &StateStore::Retrieve, &none, 0, nullptr),
            LV2_STATE_SUCCESS);
}

// Hosts store control values by symbol: the list is fixed for good (tests/lv2/port_symbols.txt
// holds the released one), and every symbol is a valid LV2 symbol.
TEST(Lv2PortSymbols, AreValidUniqueAndNeverChange) {
  const auto symbols = quorvantel::ParameterPortSymbols(quorvantel::QuorvantelParameters());
  ASSERT_EQ(symbols.size(), static_cast<std::size_t>(kParameterCount));
  std::ifstream file(QV_SOURCE_DIR "/tests/lv2/port_symbols.txt");
  std::vector<std::string> released;
  for (std::string line; std::getline(file, line);)
    if (!line.empty() && line[0] != '#') released.push_back(line);
  EXPECT_EQ(symbols, released);
  std::map<std::string, int> seen;
  for (const std::string& s : symbols) {
    EXPECT_TRUE(!s.empty() && (std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) << s;
    for (char c : s) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_') << s;
    EXPECT_EQ(++seen[s], 1) << s;
  }
  for (const auto* fixed : {quorvantel::kLv2AudioInputs, quorvantel::kLv2AudioOutputs})
    for (int c = 0; c < 2; ++c) EXPECT_EQ(seen.count(fixed[c].symbol), 0u);
}

}  // namespace
