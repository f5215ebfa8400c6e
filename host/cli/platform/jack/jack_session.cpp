// The JACK client behind live and edit --audio, through libjack (JACK 2, or PipeWire's libjack
// under pw-jack).
#include "host/cli/jack_session.h"

#include <jack/jack.h>
#include <jack/transport.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>


namespace qvcli {
namespace {

constexpr int kPorts = LiveEngine::kPorts;
constexpr int kMostRenames = 99;

// libjack's own messages ("Cannot connect to server socket", ...) would only repeat, less
// clearly, what the errors below say.
void Quiet(const char*) {}

std::string NameTakenError(const std::string& name) {
  return "the JACK client name \"" + name +
         "\" is taken by another client; end it or choose another name with --name";
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
  return text;
}

std::vector<std::string> TakeNames(const char** names) {
  std::vector<std::string> list;
  if (names == nullptr) return list;
  for (const char** n = names; *n != nullptr; ++n) list.emplace_back(*n);
  jack_free(names);
  return list;
}

}  // namespace

struct JackSession::Impl {
  jack_client_t* client = nullptr;
  std::string name;
  jack_port_t* in[kPorts] = {};
  jack_port_t* out[kPorts] = {};
  LiveEngine* engine = nullptr;  // set before activation, read by the callbacks
  bool active = false;
  std::atomic<bool> gone{false};
  std::atomic<std::uint64_t> xruns{0};

  // Whether another client already has ports under `client:` (PipeWire lets two clients share
  // a name, and their ports would then be indistinguishable).
  bool OthersUse(const std::string& clientName) const {
    const std::string prefix = clientName + ":";
    for (const std::string& port : TakeNames(jack_get_ports(client, nullptr, nullptr, 0))) {
      if (port.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }

  // JACK's process thread.
  static int OnProcess(jack_nframes_t frames, void* arg) {
    const auto entered = std::chrono::steady_clock::now();
    Impl& s = *static_cast<Impl*>(arg);
    const float* ins[kPorts] = {};
    float* outs[kPorts] = {};
    for (int k = 0; k < kPorts; ++k) {
      if (s.in[k] != nullptr) ins[k] = static_cast<const float*>(jack_port_get_buffer(s.in[k], frames));
      outs[k] = static_cast<float*>(jack_port_get_buffer(s.out[k], frames));
    }
    jack_position_t pos;
    const jack_transport_state_t state = jack_transport_query(s.client, &pos);
    TransportReading reading;
    reading.rolling = state == JackTransportRolling;
    reading.frame = pos.frame;
    if ((pos.valid & JackPositionBBT) != 0) {
      reading.bars = true;
      reading.beatsPerMinute = pos.beats_per_minute;
      reading.bar = pos.bar;
      reading.beat = pos.beat;
      reading.tick = pos.tick;
      reading.ticksPerBeat = pos.ticks_per_beat;
      reading.beatsPerBar = pos.beats_per_bar;
      reading.beatType = pos.beat_type;
    }
    s.engine->Process(ins, outs, static_cast<int>(frames), reading, entered);
    return 0;
  }

  // JACK's notification thread (PipeWire may call from its process thread, between periods).
  static int OnBufferSize(jack_nframes_t frames, void* arg) {
    Impl& s = *static_cast<Impl*>(arg);
    s.engine->Configure(jack_get_sample_rate(s.client), static_cast<int>(frames));
    return 0;
  }
  static int OnSampleRate(jack_nframes_t rate, void* arg) {
    Impl& s = *static_cast<Impl*>(arg);
    s.engine->Configure(rate, static_cast<int>(jack_get_buffer_size(s.client)));
    return 0;
  }
  static int OnXrun(void* arg) {
    static_cast<Impl*>(arg)->xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }
  // Any JACK thread; the client may not be used further, only closed.
  static void OnShutdown(jack_status_t, const char*, void* arg) {
    static_cast<Impl*>(arg)->gone.store(true, std::memory_order_release);
  }
};

JackSession::JackSession(const JackClientOptions& options) : impl_(std::make_unique<Impl>()) {
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  const int longest = jack_client_name_size() - 1;
  if (options.name.empty() || static_cast<int>(options.name.size()) > longest ||
      options.name.find(':') != std::string::npos) {
    throw CliError(kExitUsage, "option --name: a JACK client name is 1 to " +
                                   std::to_string(longest) + " characters without \":\"");
  }
  Impl& s = *impl_;
  for (int attempt = 0;; ++attempt) {
    char suffix[16] = "";
    if (attempt > 0) std::snprintf(suffix, sizeof suffix, "-%02d", attempt);
    const std::string wanted = options.name + suffix;
    jack_status_t status{};
    s.client = jack_client_open(wanted.c_str(), JackNoStartServer, &status);
    if (s.client == nullptr) {
      if ((status & JackServerFailed) != 0) throw NoJackServer();
      char code[16];
      std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(status));
      throw CliError(kExitFailure, "the JACK server refused the client \"" + wanted +
                                       "\" (status " + code + ")");
    }
    s.name = jack_get_client_name(s.client);
    // JACK 2 renames a client whose name is in use; PipeWire accepts it twice.
    if (s.name == wanted && !s.OthersUse(wanted)) break;
    const bool renamedFree = s.name != wanted && !s.OthersUse(s.name);
    if (!options.exactName && renamedFree) break;
    jack_client_close(s.client);
    s.client = nullptr;
    if (options.exactName) throw CliError(kExitFailure, NameTakenError(options.name));
    if (attempt == kMostRenames)
      throw CliError(kExitFailure, NameTakenError(options.name) + " (and " +
                                       std::to_string(kMostRenames) + " numbered names after it)");
  }
  for (int k = 0; k < kPorts; ++k) {
    const std::string number = std::to_string(k + 1);
    if (options.inputs) {
      s.in[k] = jack_port_register(s.client, ("in_" + number).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                   JackPortIsInput, 0);
    }
    s.out[k] = jack_port_register(s.client, ("out_" + number).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                  JackPortIsOutput, 0);
    if ((options.inputs && s.in[k] == nullptr) || s.out[k] == nullptr) {
      Close();
      throw CliError(kExitFailure, "the JACK server refused to register the ports of \"" +
                                       s.name + "\"");
    }
  }
  jack_on_info_shutdown(s.client, Impl::OnShutdown, &s);
  jack_set_xrun_callback(s.client, Impl::OnXrun, &s);
}

JackSession::~JackSession() { Close(); }

const std::string& JackSession::Name() const { return impl_->name; }

int JackSession::SampleRate() const {
  return static_cast<int>(jack_get_sample_rate(impl_->client));
}

int JackSession::BufferSize() const {
  return static_cast<int>(jack_get_buffer_size(impl_->client));
}

std::vector<std::string> JackSession::InputPorts() const {
  std::vector<std::string> names;
  for (jack_port_t* p : impl_->in) {
    if (p != nullptr) names.emplace_back(jack_port_name(p));
  }
  return names;
}

std::vector<std::string> JackSession::OutputPorts() const {
  std::vector<std::string> names;
  for (jack_port_t* p : impl_->out) {
    if (p != nullptr) names.emplace_back(jack_port_name(p));
  }
  return names;
}

std::vector<std::string> JackSession::AudioPorts(bool sources, bool physicalOnly) const {
  unsigned long flags = sources ? JackPortIsOutput : JackPortIsInput;
  if (physicalOnly) flags |= JackPortIsPhysical;
  const std::string own = impl_->name + ":";
  std::vector<std::string> list;
  for (std::string& port :
       TakeNames(jack_get_ports(impl_->client, nullptr, JACK_DEFAULT_AUDIO_TYPE, flags))) {
    if (port.compare(0, own.size(), own) != 0) list.push_back(std::move(port));
  }
  return list;
}

void JackSession::CheckPorts(const std::vector<std::string>& names, bool sources,
                             const std::string& option) const {
  const std::string own = impl_->name + ":";
  for (const std::string& name : names) {
    jack_port_t* port = jack_port_by_name(impl_->client, name.c_str());
    std::string fault;
    if (port == nullptr || name.compare(0, own.size(), own) == 0) {
      fault = "there is no JACK port \"" + name + "\"";
    } else if (std::string(jack_port_type(port)) != JACK_DEFAULT_AUDIO_TYPE) {
      fault = name + " is not an audio port";
    } else if (((jack_port_flags(port) & JackPortIsOutput) != 0) != sources) {
      fault = name + (sources ? " takes audio in, it gives none" : " gives audio, it takes none");
    }
    if (fault.empty()) continue;
    const std::vector<std::string> there = AudioPorts(sources, false);
    const std::string what =
        sources ? "audio ports that can feed " + impl_->name : "audio ports that can take its output";
    throw CliError(kExitUsage, "option --" + option + ": " + fault + "; " +
                                   (there.empty() ? "the server has no " + what
                                                  : "the " + what + " are: " + Joined(there)));
  }
}

void JackSession::Start(LiveEngine& engine) {
  Impl& s = *impl_;
  s.engine = &engine;
  engine.Configure(jack_get_sample_rate(s.client), static_cast<int>(jack_get_buffer_size(s.client)));
  jack_set_process_callback(s.client, Impl::OnProcess, &s);
  jack_set_buffer_size_callback(s.client, Impl::OnBufferSize, &s);
  jack_set_sample_rate_callback(s.client, Impl::OnSampleRate, &s);
  if (jack_activate(s.client) != 0)
    throw CliError(kExitFailure, "the JACK server did not start the client \"" + s.name + "\"");
  s.active = true;
}

namespace {

void ConnectPair(jack_client_t* client, const std::string& from, const std::string& to) {
  const int result = jack_connect(client, from.c_str(), to.c_str());
  if (result != 0 && result != EEXIST)
    throw CliError(kExitFailure, "cannot connect " + from + " to " + to);
}

}  // namespace

void JackSession::ConnectInputs(const std::vector<std::string>& sources) {
  if (sources.empty()) return;
  const std::vector<std::string> ours = InputPorts();
  for (std::size_t k = 0; k < ours.size(); ++k)
    ConnectPair(impl_->client, sources[std::min(k, sources.size() - 1)], ours[k]);
}

void JackSession::ConnectOutputs(const std::vector<std::string>& sinks) {
  if (sinks.empty()) return;
  const std::vector<std::string> ours = OutputPorts();
  for (std::size_t k = 0; k < ours.size(); ++k)
    ConnectPair(impl_->client, ours[k], sinks[std::min(k, sinks.size() - 1)]);
}

bool JackSession::ServerGone() const { return impl_->gone.load(std::memory_order_acquire); }

std::uint64_t JackSession::Xruns() const { return impl_->xruns.load(std::memory_order_relaxed); }

void JackSession::Close() {
  Impl& s = *impl_;
  if (s.client == nullptr) return;
  if (s.active && !ServerGone()) jack_deactivate(s.client);
  s.active = false;
  jack_client_close(s.client);
  s.client = nullptr;
}

}  // namespace qvcli
