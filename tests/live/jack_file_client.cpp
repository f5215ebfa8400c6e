// A JACK client for the live tests, run under JACK 2 or under pw-jack:
//   wait PORT...                    until every port exists
//   play IN.wav --to A,B --from C,D --record OUT.wav [--ready F] [--go G] [--started F]
//        [--extra N]                as the transport's timebase master (120 bpm, 4/4), holds
//                                   the transport stopped, announces itself in F, connects once
//                                   the ports exist, waits for the file G if given, starts the
//                                   transport and plays IN from its
//                                   first rolling frame while a second client records C and D
//                                   from that same frame (IN's length plus N frames); the
//                                   steady-clock time of that frame goes into the --started file
//   record OUT.wav --from C,D --seconds S    records at once, transport untouched
// Player and recorder are two clients so that player -> effect -> recorder is a chain JACK
// runs in one period, never a loop.
#include <jack/jack.h>
#include <jack/transport.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTempo = 120.0;
// A tick per frame at 48 kHz and 120 bpm: JACK's position counts whole ticks, and a coarser
// tick would move the musical position the effect sees away from the offline render's.
constexpr double kTicksPerBeat = 24000.0;
constexpr int kTimeoutMs = 20000;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "jack_file_client: %s\n", why.c_str());
  std::exit(1);
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(',', begin);
    parts.push_back(text.substr(begin, end == std::string::npos ? end : end - begin));
    if (end == std::string::npos) return parts;
    begin = end + 1;
  }
}

jack_client_t* Open(const char* name) {
  jack_status_t status{};
  jack_client_t* c = jack_client_open(name, JackNoStartServer, &status);
  if (c == nullptr) Fail("no JACK server (status " + std::to_string(status) + ")");
  return c;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void WaitPorts(jack_client_t* c, const std::vector<std::string>& ports) {
  for (const std::string& p : ports) {
    if (!WaitFor([&] { return jack_port_by_name(c, p.c_str()) != nullptr; }))
      Fail("no port " + p);
  }
}

// A client's ports show before it is active, and JACK refuses connections to them until then.
void Connect(jack_client_t* c, const std::string& from, const std::string& to) {
  if (!WaitFor([&] { return jack_connect(c, from.c_str(), to.c_str()) == 0; }))
    Fail("cannot connect " + from + " to " + to);
}

void WriteWav(const std::string& path, const std::vector<float>& interleaved) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (f == nullptr) Fail("cannot write " + path);
  sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / 2));
  sf_close(f);
}

// Two channels of a recording, filled by the recorder's process callback.
struct Recorder {
  jack_client_t* client = nullptr;
  jack_port_t* in[2] = {};
  std::vector<float> samples;  // interleaved
  std::size_t frames = 0;      // wanted
  std::atomic<std::size_t> done{0};
  bool followTransport = true;
  bool started = false;

  static int Process(jack_nframes_t n, void* arg) {
    Recorder& r = *static_cast<Recorder*>(arg);
    if (r.followTransport && !r.started) {
      r.started = jack_transport_query(r.client, nullptr) == JackTransportRolling;
      if (!r.started) return 0;
    }
    const float* a = static_cast<const float*>(jack_port_get_buffer(r.in[0], n));
    const float* b = static_cast<const float*>(jack_port_get_buffer(r.in[1], n));
    std::size_t at = r.done.load(std::memory_order_relaxed);
    for (jack_nframes_t i = 0; i < n && at < r.frames; ++i, ++at) {
      r.samples[2 * at] = a[i];
      r.samples[2 * at + 1] = b[i];
    }
    r.done.store(at, std::memory_order_release);
    return 0;
  }
};

struct Player {
  jack_client_t* client = nullptr;
  jack_port_t* out[2] = {};
  std::vector<float> samples;  // interleaved stereo
  std::size_t pos = 0;
  bool started = false;
  std::atomic<long long> startedAt{0};  // steady-clock nanoseconds of the first rolling period

  static int Process(jack_nframes_t n, void* arg) {
    Player& p = *static_cast<Player*>(arg);
    float* a = static_cast<float*>(jack_port_get_buffer(p.out[0], n));
    float* b = static_cast<float*>(jack_port_get_buffer(p.out[1], n));
    if (!p.started && jack_transport_query(p.client, nullptr) == JackTransportRolling) {
      p.started = true;
      p.startedAt.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    }
    const std::size_t frames = p.samples.size() / 2;
    for (jack_nframes_t i = 0; i < n; ++i) {
      const bool playing = p.started && p.pos < frames;
      a[i] = playing ? p.samples[2 * p.pos] : 0.0f;
      b[i] = playing ? p.samples[2 * p.pos + 1] : 0.0f;
      if (playing) ++p.pos;
    }
    return 0;
  }

  // Bars and beats at 120 bpm in 4/4 from the frame.
  static void Timebase(jack_transport_state_t, jack_nframes_t, jack_position_t* pos, int, void*) {
    const double beats = pos->frame / static_cast<double>(pos->frame_rate) * kTempo / 60.0;
    const long whole = static_cast<long>(beats);
    pos->valid = JackPositionBBT;
    pos->beats_per_bar = 4.0f;
    pos->beat_type = 4.0f;
    pos->ticks_per_beat = kTicksPerBeat;
    pos->beats_per_minute = kTempo;
    pos->bar = static_cast<int32_t>(whole / 4 + 1);
    pos->beat = static_cast<int32_t>(whole % 4 + 1);
    pos->tick = static_cast<int32_t>(std::lround((beats - whole) * kTicksPerBeat));
    pos->bar_start_tick = (pos->bar - 1) * 4 * kTicksPerBeat;
  }
};

std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback) {
  for (int i = 0; i + 1 < argc; ++i) {
    if (argv[i] == name) return argv[i + 1];
  }
  return fallback;
}

void Touch(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  const std::string temp = path + ".part";
  std::ofstream(temp) << text << "\n";
  std::rename(temp.c_str(), path.c_str());
}

void StartRecorder(Recorder& rec, const std::vector<std::string>& from) {
  rec.client = Open("qvtest-rec");
  rec.in[0] = jack_port_register(rec.client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  rec.in[1] = jack_port_register(rec.client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(rec.client, Recorder::Process, &rec);
  if (jack_activate(rec.client) != 0) Fail("cannot activate the recorder");
  WaitPorts(rec.client, from);
  for (int k = 0; k < 2; ++k)
    Connect(rec.client, from[std::min<std::size_t>(k, from.size() - 1)], jack_port_name(rec.in[k]));
}

int Play(int argc, char** argv) {
  const std::string inPath = argv[2];
  const std::vector<std::string> to = Split(Option(argc, argv, "--to", ""));
  const std::vector<std::string> from = Split(Option(argc, argv, "--from", ""));
  const std::string outPath = Option(argc, argv, "--record", "");
  const std::size_t extra = std::stoul(Option(argc, argv, "--extra", "2048"));

  Player player;
  SF_INFO info{};
  SNDFILE* f = sf_open(inPath.c_str(), SFM_READ, &info);
  if (f == nullptr || info.channels != 2) Fail("need a stereo file: " + inPath);
  player.samples.resize(static_cast<std::size_t>(info.frames) * 2);
  sf_readf_float(f, player.samples.data(), info.frames);
  sf_close(f);

  player.client = Open("qvtest-play");
  player.out[0] = jack_port_register(player.client, "out_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  player.out[1] = jack_port_register(player.client, "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(player.client, Player::Process, &player);
  if (jack_set_timebase_callback(player.client, 0, Player::Timebase, &player) != 0)
    Fail("cannot become timebase master");
  jack_transport_stop(player.client);
  jack_transport_locate(player.client, 0);
  if (jack_activate(player.client) != 0) Fail("cannot activate the player");
  if (!WaitFor([&] {
        jack_position_t pos;
        return jack_transport_query(player.client, &pos) == JackTransportStopped && pos.frame == 0 &&
               (pos.valid & JackPositionBBT) != 0;
      }))
    Fail("the transport did not stop at 0 with bars and beats");
  Touch(Option(argc, argv, "--ready", ""), "ready");

  Recorder rec;
  rec.frames = player.samples.size() / 2 + extra;
  rec.samples.assign(rec.frames * 2, 0.0f);
  StartRecorder(rec, from);
  WaitPorts(player.client, to);
  for (int k = 0; k < 2; ++k)
    Connect(player.client, jack_port_name(player.out[k]), to[std::min<std::size_t>(k, to.size() - 1)]);
  // A few periods for the new connections to take part in the graph.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string go = Option(argc, argv, "--go", "");
  if (!go.empty() && !WaitFor([&] { return access(go.c_str(), F_OK) == 0; }))
    Fail("no " + go + " to start on");
  jack_transport_start(player.client);
  if (!WaitFor([&] { return player.startedAt.load(std::memory_order_acquire) != 0; }))
    Fail("the transport did not start");
  Touch(Option(argc, argv, "--started", ""),
        std::to_string(player.startedAt.load(std::memory_order_acquire)));
  const int seconds = static_cast<int>(rec.frames / 48000) + 1;
  if (!WaitFor([&] { return rec.done.load(std::memory_order_acquire) >= rec.frames; },
               kTimeoutMs + 2000 * seconds))
    Fail("the recording did not fill");
  jack_transport_stop(player.client);
  jack_deactivate(rec.client);
  jack_deactivate(player.client);
  WriteWav(outPath, rec.samples);
  jack_client_close(rec.client);
  jack_client_close(player.client);
  return 0;
}

int Record(int argc, char** argv) {
  Recorder rec;
  rec.followTransport = false;
  const double seconds = std::stod(Option(argc, argv, "--seconds", "1"));
  rec.frames = static_cast<std::size_t>(seconds * 48000);
  rec.samples.assign(rec.frames * 2, 0.0f);
  rec.done = 0;
  StartRecorder(rec, Split(Option(argc, argv, "--from", "")));
  if (!WaitFor([&] { return rec.done.load(std::memory_order_acquire) >= rec.frames; }))
    Fail("the recording did not fill");
  jack_deactivate(rec.client);
  WriteWav(argv[2], rec.samples);
  jack_client_close(rec.client);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "wait" && argc > 2) {
    jack_client_t* c = Open("qvtest-wait");
    WaitPorts(c, std::vector<std::string>(argv + 2, argv + argc));
    jack_client_close(c);
    return 0;
  }
  if (mode == "play" && argc > 2) return Play(argc, argv);
  if (mode == "record" && argc > 2) return Record(argc, argv);
  Fail("usage: wait PORT... | play IN --to A,B --from C,D --record OUT | record OUT --from C,D");
}
