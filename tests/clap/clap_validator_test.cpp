// The built quorvantel.clap checked as a CLAP host would check it: factory and descriptor,
// every extension it declares, activation over block sizes, parameters (ids, flags, texts),
// flush without processing, state through streams (in pieces, with failures, shared with the
// VST 2 build), parameter events at their sample, and calls on the wrong thread reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"
#include "host/lib/clap_plugin_host.h"
#include "host/lib/plugin.h"
#include "quorvantel/clap/quorvantel_clap.h"
#include "quorvantel/parameters/parameter_table.h"

namespace {

using qvhost::ClapPluginHost;

const std::string kClapPath = QV_CLAP_PATH;
const std::string kVst2Path = QV_PLUGIN_PATH;

std::unique_ptr<ClapPluginHost> LoadClap() {
  std::string error;
  std::unique_ptr<ClapPluginHost> host = ClapPluginHost::Load(kClapPath, "", &error);
  EXPECT_TRUE(host) << error;
  return host;
}

// The normalised values of the VST 2 build, so both builds can be set alike.
void MapLikeVst2(ClapPluginHost& host) {
  const std::vector<framework::ParameterDefinition> table = quorvantel::QuorvantelParameters();
  host.SetValueMapping(
      [table](int i, double x) { return table[static_cast<std::size_t>(i)].ValueFromNormalized(x); },
      [table](int i, double v) { return table[static_cast<std::size_t>(i)].NormalizedOf(v); });
}

double PlainValue(ClapPluginHost& host, int index) {
  double value = std::nan("");
  EXPECT_TRUE(host.Params()->getValue(host.Plugin(), host.ParamInfoAt(index).id, &value));
  return value;
}

// A stereo test signal: two detuned tones with a slow swell, deterministic.
std::vector<float> Signal(int frames, int channel) {
  std::vector<float> s(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double t = i / 44100.0;
    s[static_cast<std::size_t>(i)] = static_cast<float>(
        0.4 * std::sin(2 * M_PI * (220.0 + 3.0 * channel) * t) * (0.5 + 0.5 * std::sin(3.0 * t)));
  }
  return s;
}

// Renders frames of the test signal in blocks of block frames: firstBlockChanges in the first
// block, everyBlockChanges in each; with a playing transport from samplePos when one is given.
std::vector<float> Render(qvhost::IPlugin& plugin, int frames, int block,
                          const std::vector<qvhost::ParamChange>& firstBlockChanges = {},
                          const qvhost::Transport* transport = nullptr,
                          const std::vector<qvhost::ParamChange>& everyBlockChanges = {}) {
  plugin.SetSampleRate(44100.0);
  plugin.SetBlockSize(block);
  plugin.SetActive(true);
  std::vector<float> left = Signal(frames, 0), right = Signal(frames, 1);
  std::vector<float> outL(static_cast<std::size_t>(frames)), outR(outL.size());
  for (int pos = 0; pos < frames; pos += block) {
    const int n = std::min(block, frames - pos);
    float* in[2] = {left.data() + pos, right.data() + pos};
    float* out[2] = {outL.data() + pos, outR.data() + pos};
    std::span<const qvhost::ParamChange> changes = everyBlockChanges;
    if (pos == 0) changes = firstBlockChanges;
    qvhost::Transport now;
    if (transport != nullptr) {
      now = *transport;
      now.samplePos += pos;
      now.changed = pos == 0;
    }
    plugin.Process(in, out, n, changes, transport != nullptr ? &now : nullptr);
  }
  plugin.SetActive(false);
  std::vector<float> both = outL;
  both.insert(both.end(), outR.begin(), outR.end());
  return both;
}

// ---- Factory, descriptor, extensions --------------------------------------------------------

TEST(ClapValidator, FactoryAndDescriptor) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  EXPECT_TRUE(clap::VersionCompatible(host->Entry().clapVersion));
  const clap::PluginFactory* factory = host->Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->getPluginCount(factory), 1u);
  EXPECT_EQ(factory->getPluginDescriptor(factory, 1), nullptr);
  EXPECT_EQ(factory->createPlugin(factory, host->HostRecord(), "com.example.other"), nullptr);
  EXPECT_EQ(factory->createPlugin(factory, host->HostRecord(), nullptr), nullptr);
  EXPECT_EQ(host->Entry().getFactory("clap.preset-discovery-factory/2"), nullptr);

  const clap::PluginDescriptor& d = host->Descriptor();
  EXPECT_STREQ(d.id, "com.halbrecken.quorvantel");
  EXPECT_STREQ(d.name, "Quorvantel");
  EXPECT_STREQ(d.vendor, "Halbrecken");
  EXPECT_STREQ(d.version, "1.0.0");
  EXPECT_EQ(host->Features(),
            (std::vector<std::string>{"audio-effect", "delay", "granular", "stereo"}));
}

TEST(ClapValidator, EveryDeclaredExtensionAnswers) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  const clap::Plugin* p = host->Plugin();
  for (const char* id : {clap::kExtParams, clap::kExtState, clap::kExtAudioPorts,
                         clap::kExtLatency, clap::kExtGui}) {
    EXPECT_NE(p->getExtension(p, id), nullptr) << id;
  }
  EXPECT_EQ(p->getExtension(p, clap::kExtNotePorts), nullptr);
  EXPECT_EQ(p->getExtension(p, "clap.unknown"), nullptr);
  EXPECT_EQ(p->getExtension(p, nullptr), nullptr);

  const clap::PluginAudioPorts* ports = host->AudioPorts();
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(p, input), 1u);
    clap::AudioPortInfo info{};
    ASSERT_TRUE(ports->get(p, 0, input, &info));
    EXPECT_EQ(info.channelCount, 2u);
    EXPECT_STREQ(info.portType, clap::kPortStereo);
    EXPECT_NE(info.flags & clap::kAudioPortIsMain, 0u);
    EXPECT_FALSE(ports->get(p, 1, input, &info));
  }
  const auto* latency = static_cast<const clap::PluginLatency*>(p->getExtension(p, clap::kExtLatency));
  EXPECT_EQ(latency->get(p), 0u);

  const clap::PluginGui* gui = host->Gui();
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->getPreferredApi(p, &api, &floating));
  EXPECT_STREQ(api, clap::kWindowApiX11);
  EXPECT_FALSE(floating);
  EXPECT_TRUE(gui->isApiSupported(p, clap::kWindowApiX11, false));
  EXPECT_FALSE(gui->isApiSupported(p, clap::kWindowApiWin32, false));
  EXPECT_FALSE(gui->isApiSupported(p, "cocoa", false));

  // The host's scale decides the size the host makes room for.
  ASSERT_TRUE(gui->create(p, clap::kWindowApiX11, false));
  EXPECT_TRUE(gui->setScale(p, 2.0));
  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(gui->getSize(p, &width, &height));
  EXPECT_EQ(width, 1600u);
  EXPECT_EQ(height, 1200u);
  EXPECT_FALSE(gui->setScale(p, std::nan("")));
  gui->destroy(p);
}

// ---- Parameters -----------------------------------------------------------------------------

TEST(ClapValidator, ParametersHaveStableIdsFlagsAndRanges) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  const std::vector<framework::ParameterDefinition> table = quorvantel::QuorvantelParameters();
  ASSERT_EQ(host->Info().parameters, 89);
  ASSERT_EQ(table.size(), 89u);
  for (int i = 0; i < 89; ++i) {
    const clap::ParamInfo& info = host->ParamInfoAt(i);
    SCOPED_TRACE(info.name);
    EXPECT_EQ(info.id, static_cast<clap::Id>(i));  // the index: never renumbered
    EXPECT_STREQ(info.name, table[static_cast<std::size_t>(i)].Name());
    EXPECT_NE(info.flags & clap::kParamIsAutomatable, 0u);
    const bool stepped = table[static_cast<std::size_t>(i)].Type() != framework::ParameterType::kDouble;
    EXPECT_EQ((info.flags & clap::kParamIsStepped) != 0, stepped);
    EXPECT_LE(info.minValue, info.defaultValue);
    EXPECT_LE(info.defaultValue, info.maxValue);
    EXPECT_DOUBLE_EQ(PlainValue(*host, i), info.defaultValue);
  }
  clap::ParamInfo info{};
  EXPECT_FALSE(host->Params()->getInfo(host->Plugin(), 89, &info));
  double value = 0;
  EXPECT_FALSE(host->Params()->getValue(host->Plugin(), 89, &value));
}

// Every text the plug-in shows reads back as the value it was shown for (for stepped
// parameters every step; for continuous ones a spread of values, compared by their texts).
TEST(ClapValidator, TextToValueAcceptsEveryValueToText) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  const clap::PluginParams* params = host->Params();
  const clap::Plugin* p = host->Plugin();
  for (int i = 0; i < host->Info().parameters; ++i) {
    const clap::ParamInfo& info = host->ParamInfoAt(i);
    SCOPED_TRACE(info.name);
    std::vector<double> values;
    if (info.flags & clap::kParamIsStepped) {
      for (double v = info.minValue; v <= info.maxValue; v += 1.0) values.push_back(v);
    } else {
      for (int k = 0; k <= 16; ++k) values.push_back(info.minValue + (info.maxValue - info.minValue) * k / 16.0);
    }
    for (double v : values) {
      char text[256];
      ASSERT_TRUE(params->valueToText(p, info.id, v, text, sizeof text)) << v;
      double back = std::nan("");
      ASSERT_TRUE(params->textToValue(p, info.id, text, &back)) << text;
      char again[256];
      ASSERT_TRUE(params->valueToText(p, info.id, back, again, sizeof again));
      EXPECT_STREQ(again, text) << v;
      if (info.flags & clap::kParamIsStepped) {
        EXPECT_EQ(back, v) << text;
      }
    }
    double ignored = 0;
    EXPECT_FALSE(params->textToValue(p, info.id, "not a value", &ignored));
  }
  char tiny[4];
  EXPECT_TRUE(params->valueToText(p, 0, 30.0, tiny, sizeof tiny));  // cut, terminated
  EXPECT_EQ(std::strlen(tiny), 3u);
  EXPECT_FALSE(params->valueToText(p, 999, 0.0, tiny, sizeof tiny));
}

TEST(ClapValidator, FlushSetsValuesWithoutProcessing) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  host->FlushValues({{87, 0.7}, {1, 3.0}, {88, 99.0}, {9, std::nan("")}});
  EXPECT_DOUBLE_EQ(PlainValue(*host, 87), 0.7);
  EXPECT_DOUBLE_EQ(PlainValue(*host, 1), 3.0);
  EXPECT_DOUBLE_EQ(PlainValue(*host, 88), host->ParamInfoAt(88).maxValue);  // kept in range
  EXPECT_DOUBLE_EQ(PlainValue(*host, 9), host->ParamInfoAt(9).defaultValue);  // NaN ignored
  host->FlushValues({{1, 2.9}});  // stepped: the whole number
  EXPECT_DOUBLE_EQ(PlainValue(*host, 1), 2.0);
  // Active but not processing: flush is an audio-thread call and still applies.
  host->SetActive(true);
  host->FlushValues({{87, 0.25}});
  EXPECT_DOUBLE_EQ(PlainValue(*host, 87), 0.25);
  host->SetActive(false);
  EXPECT_TRUE(host->Logs().empty());
}

// ---- Activation and processing --------------------------------------------------------------

TEST(ClapValidator, ActivateProcessResetCyclesAcrossBlockSizes) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  host->FlushValues({{25, 0.6}, {87, 0.5}});
  for (int block : {1, 2, 3, 64, 500, 4096}) {
    SCOPED_TRACE(block);
    host->SetBlockSize(block);
    for (int cycle = 0; cycle < 2; ++cycle) {
      host->SetActive(true);
      ASSERT_TRUE(host->Active());
      std::vector<float> out = Render(*host, 2 * block + 7, block);
      EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
      ClapPluginHost::AudioThreadScope audio(*host);
      host->Plugin()->reset(host->Plugin());
    }
  }
  for (const auto& log : host->Logs()) ADD_FAILURE() << log.message;
}

// Hosts often hand the same buffers in and out (in place) and may use 64-bit samples: every
// combination renders what separate 32-bit buffers render, to the precision of the samples.
TEST(ClapValidator, InPlaceAndDoubleBuffersRenderTheSame) {
  const int frames = 3000, block = 256;
  auto reference = LoadClap();
  ASSERT_TRUE(reference);
  reference->FlushValues({{25, 0.6}, {15, 12.0}, {87, 0.3}});
  const std::vector<float> expected = Render(*reference, frames, block);
  for (bool doubles : {false, true}) {
    SCOPED_TRACE(doubles);
    auto host = LoadClap();
    host->FlushValues({{25, 0.6}, {15, 12.0}, {87, 0.3}});
    host->SetBlockSize(block);
    host->SetActive(true);
    std::vector<float> l = Signal(frames, 0), r = Signal(frames, 1);
    std::vector<double> dl(l.begin(), l.end()), dr(r.begin(), r.end());
    for (int pos = 0; pos < frames; pos += block) {
      const int n = std::min(block, frames - pos);
      if (doubles) {
        double* io[2] = {dl.data() + pos, dr.data() + pos};
        host->ProcessDouble(io, io, n, {}, nullptr);
      } else {
        float* io[2] = {l.data() + pos, r.data() + pos};
        host->Process(io, io, n, {}, nullptr);
      }
    }
    host->SetActive(false);
    for (int i = 0; i < frames; ++i) {
      const double gotL = doubles ? dl[static_cast<std::size_t>(i)] : l[static_cast<std::size_t>(i)];
      const double gotR = doubles ? dr[static_cast<std::size_t>(i)] : r[static_cast<std::size_t>(i)];
      ASSERT_NEAR(gotL, expected[static_cast<std::size_t>(i)], 1e-6) << i;
      ASSERT_NEAR(gotR, expected[static_cast<std::size_t>(frames + i)], 1e-6) << i;
    }
  }
}

// A value event inside a block takes effect at its sample: the output is the unchanged render's
// up to it and changes from it on.
TEST(ClapValidator, ParameterEventTakesEffectAtItsSample) {
  const int frames = 2048, block = 512, at = 300;
  auto plain = LoadClap();
  auto automated = LoadClap();
  ASSERT_TRUE(plain && automated);
  MapLikeVst2(*plain);
  MapLikeVst2(*automated);
  const std::vector<float> before = Render(*plain, frames, block);
  const std::vector<float> after = Render(*automated, frames, block, {{at, 87, 1.0f}});  // Dry
  int first = -1;
  for (int i = 0; i < frames && first < 0; ++i) {
    if (before[static_cast<std::size_t>(i)] != after[static_cast<std::size_t>(i)]) first = i;
  }
  EXPECT_EQ(first, at);

  // The VST 2 build, its calls cut at the same sample, renders the same samples.
  std::string error;
  auto vst2 = qvhost::LoadPlugin(kVst2Path, "", &error);
  ASSERT_TRUE(vst2) << error;
  EXPECT_EQ(Render(*vst2, frames, block, {{at, 87, 1.0f}}), after);
}

// Tempo and the playing flag reach the effect as in the VST 2 build, also in the pieces of a
// block split at events.
TEST(ClapValidator, TransportAsInVst2AcrossSplitBlocks) {
  const int frames = 6 * 4096, block = 4096;
  std::string error;
  auto vst2 = qvhost::LoadPlugin(kVst2Path, "", &error);
  ASSERT_TRUE(vst2) << error;
  auto clap = LoadClap();
  ASSERT_TRUE(clap);
  MapLikeVst2(*clap);
  const std::vector<framework::ParameterDefinition> table = quorvantel::QuorvantelParameters();
  for (qvhost::IPlugin* p : {static_cast<qvhost::IPlugin*>(vst2.get()), static_cast<qvhost::IPlugin*>(clap.get())}) {
    p->SetParameter(56, 1.0f);                                         // Sync1 on
    p->SetParameter(54, static_cast<float>(table[54].NormalizedOf(1)));  // Shape1: not random
    p->SetParameter(8, 0.9f);                                          // Src Dpth
    p->SetParameter(9, 0.0f);
    p->SetParameter(11, 1.0f);                                         // Pan Dpth
  }
  qvhost::Transport transport;
  transport.samplePos = 123457;
  transport.tempo = 171.0;
  transport.numerator = 7;
  transport.denominator = 8;
  const std::vector<qvhost::ParamChange> split = {{1000, 87, 0.0f}, {3001, 87, 0.0f}};
  for (bool playing : {true, false}) {
    transport.playing = playing;
    const std::vector<float> expected = Render(*vst2, frames, block, split, &transport, split);
    EXPECT_EQ(Render(*clap, frames, block, split, &transport, split), expected) << playing;
  }
  // No transport at all: the effect runs free in both.
  EXPECT_EQ(Render(*clap, frames, block, split, nullptr, split),
            Render(*vst2, frames, block, split, nullptr, split));
}

// ---- State ----------------------------------------------------------------------------------

// Hands out the bytes in pieces of `piece` bytes; from byte `failAt` on every read fails.
struct PieceStream {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos = 0;
  std::size_t piece = 1;
  std::size_t failAt = SIZE_MAX;

  static std::int64_t Read(const clap::IStream* stream, void* buffer, std::uint64_t size) {
    auto* self = static_cast<PieceStream*>(stream->ctx);
    if (self->pos >= self->failAt) return -1;
    std::size_t n = std::min<std::size_t>({self->piece, size, self->bytes->size() - self->pos,
                                           self->failAt - self->pos});
    std::memcpy(buffer, self->bytes->data() + self->pos, n);
    self->pos += n;
    return static_cast<std::int64_t>(n);
  }
};

// Takes at most 3 bytes a call; fails once it holds `limit`.
struct SmallWrites {
  std::vector<std::uint8_t> bytes;
  std::size_t limit = SIZE_MAX;

  static std::int64_t Write(const clap::OStream* stream, const void* buffer, std::uint64_t size) {
    auto* self = static_cast<SmallWrites*>(stream->ctx);
    if (self->bytes.size() >= self->limit) return -1;
    const std::size_t n = std::min<std::size_t>(3, size);
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    self->bytes.insert(self->bytes.end(), b, b + n);
    return static_cast<std::int64_t>(n);
  }
};

TEST(ClapValidator, StateSurvivesShortReadsWritesAndFailsCleanly) {
  auto source = LoadClap();
  ASSERT_TRUE(source);
  source->FlushValues({{0, 80.0}, {25, 0.6}, {54, 1.0}, {87, 0.3}});
  const std::vector<std::uint8_t> saved = source->GetChunk(false);
  ASSERT_FALSE(saved.empty());

  SmallWrites small;
  const clap::OStream out = {&small, &SmallWrites::Write};
  ASSERT_TRUE(source->State()->save(source->Plugin(), &out));
  EXPECT_EQ(small.bytes, saved);
  SmallWrites failing;
  failing.limit = saved.size() / 2;
  const clap::OStream failOut = {&failing, &SmallWrites::Write};
  EXPECT_FALSE(source->State()->save(source->Plugin(), &failOut));

  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, saved.size()}) {
    auto target = LoadClap();
    PieceStream in{&saved, 0, piece};
    const clap::IStream stream = {&in, &PieceStream::Read};
    ASSERT_TRUE(target->State()->load(target->Plugin(), &stream)) << piece;
    for (int i : {0, 25, 54, 87}) EXPECT_DOUBLE_EQ(PlainValue(*target, i), PlainValue(*source, i));
  }

  // A stream that fails part way, or ends early, leaves the instance as it was.
  auto target = LoadClap();
  target->FlushValues({{87, 0.9}});
  for (std::size_t failAt : {std::size_t{0}, std::size_t{5}, saved.size() / 2, saved.size() - 1}) {
    SCOPED_TRACE(failAt);
    PieceStream in{&saved, 0, 16, failAt};
    const clap::IStream stream = {&in, &PieceStream::Read};
    EXPECT_FALSE(target->State()->load(target->Plugin(), &stream)) << failAt;
    // Cut inside the values (the chunk's tail is optional, as in the VST 2 build).
    if (failAt <= saved.size() / 2) {
      const std::vector<std::uint8_t> cut(saved.begin(), saved.begin() + static_cast<long>(failAt));
      EXPECT_FALSE(target->SetChunk(cut, false));
    }
    EXPECT_DOUBLE_EQ(PlainValue(*target, 87), 0.9);
  }
}

TEST(ClapValidator, StateIsTheVst2Chunk) {
  std::string error;
  auto vst2 = qvhost::LoadPlugin(kVst2Path, "", &error);
  ASSERT_TRUE(vst2) << error;
  auto clap = LoadClap();
  ASSERT_TRUE(clap);
  MapLikeVst2(*clap);
  vst2->SetParameter(0, 0.8f);
  vst2->SetParameter(46, 0.5f);
  vst2->SetParameter(88, 0.25f);
  ASSERT_TRUE(clap->SetChunk(vst2->GetChunk(false), false));
  for (int i = 0; i < 89; ++i) EXPECT_FLOAT_EQ(clap->GetParameter(i), vst2->GetParameter(i)) << i;
  clap->SetParameter(87, 0.4f);
  ASSERT_TRUE(vst2->SetChunk(clap->GetChunk(false), false));
  EXPECT_FLOAT_EQ(vst2->GetParameter(87), 0.4f);
  EXPECT_EQ(vst2->GetChunk(false), clap->GetChunk(false));
}

// What the editor does (a gesture on a parameter) reaches the host as output events: through a
// flush the plug-in asks for while nothing is processed, or with the next process call.
TEST(ClapValidator, EditorGesturesReachTheHostAsOutputEvents) {
  std::string error;
  auto host = ClapPluginHost::Start(quorvantel::QuorvantelClapEntry(), "linked", "", &error);
  ASSERT_TRUE(host) << error;
  quorvantel::QuorvantelClap* effect = quorvantel::FromClapPlugin(host->Plugin());
  ASSERT_NE(effect, nullptr);
  auto gesture = [&](int index, double normalized) {
    effect->BeginParamEdit(index);
    effect->SetParameterFromGUI(index, normalized);
    effect->EndParamEdit(index);
  };
  using Event = qvhost::ClapOutputEvent;
  auto expectGesture = [&](clap::Id id, double plain) {
    const std::vector<Event> events = host->OutputEventsReceived();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, clap::kEventParamGestureBegin);
    EXPECT_EQ(events[1].type, clap::kEventParamValue);
    EXPECT_EQ(events[2].type, clap::kEventParamGestureEnd);
    for (const Event& e : events) EXPECT_EQ(e.paramId, id);
    EXPECT_DOUBLE_EQ(events[1].value, plain);
    host->ClearOutputEvents();
  };

  gesture(87, 0.5);
  EXPECT_GE(host->FlushRequests(), 1);
  EXPECT_TRUE(host->OutputEventsReceived().empty());  // nothing until the host flushes
  host->Idle();
  expectGesture(87, 0.5);

  // While the host processes, the next block carries them and no flush is asked for.
  Render(*host, 64, 64);
  host->SetActive(true);
  std::vector<float> in(64), outL(64), outR(64);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {outL.data(), outR.data()};
  host->Process(ins, outs, 64, {}, nullptr);  // now processing
  host->ClearOutputEvents();
  const int flushes = host->FlushRequests();
  gesture(1, 1.0);  // Lng Mod, the last LFO
  host->Process(ins, outs, 64, {}, nullptr);
  expectGesture(1, 7.0);
  EXPECT_EQ(host->FlushRequests(), flushes);
  host->SetActive(false);
}

// ---- Thread rules ---------------------------------------------------------------------------

bool LoggedMisbehaving(const ClapPluginHost& host, const std::string& call) {
  for (const auto& log : host.Logs()) {
    if (log.severity == clap::kLogHostMisbehaving && log.message.find(call) != std::string::npos)
      return true;
  }
  return false;
}

TEST(ClapValidator, CallsOnTheWrongThreadAreReported) {
  auto host = LoadClap();
  ASSERT_TRUE(host);
  const clap::Plugin* p = host->Plugin();
  std::thread([&] { EXPECT_TRUE(p->activate(p, 44100.0, 1, 256)); }).join();
  EXPECT_TRUE(LoggedMisbehaving(*host, "activate"));
  // Audio-thread calls made from the main thread.
  EXPECT_TRUE(p->startProcessing(p));
  EXPECT_TRUE(LoggedMisbehaving(*host, "start_processing"));
  std::vector<float> zeros(256), out0(256), out1(256);
  float* in[2] = {zeros.data(), zeros.data()};
  float* out[2] = {out0.data(), out1.data()};
  clap::AudioBuffer inBuffer{in, nullptr, 2, 0, 0};
  clap::AudioBuffer outBuffer{out, nullptr, 2, 0, 0};
  clap::Process process{};
  process.steadyTime = -1;
  process.framesCount = 256;
  process.audioInputs = &inBuffer;
  process.audioOutputs = &outBuffer;
  process.audioInputsCount = 1;
  process.audioOutputsCount = 1;
  EXPECT_EQ(p->process(p, &process), clap::kProcessContinue);  // carries on regardless
  EXPECT_TRUE(LoggedMisbehaving(*host, "process"));
  const std::size_t logged = host->Logs().size();
  p->process(p, &process);
  EXPECT_EQ(host->Logs().size(), logged);  // once per call
  p->stopProcessing(p);
  p->deactivate(p);
}

}  // namespace
