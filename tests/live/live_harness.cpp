// Servers, child processes and sound comparison for the live tests.
#include "tests/live/live_harness.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/transport.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace livetest {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    vars[entry.substr(0, entry.find('='))] = entry;
  }
  for (const std::string& entry : extra) vars[entry.substr(0, entry.find('='))] = entry;
  std::vector<std::string> list;
  for (auto& [name, entry] : vars) list.push_back(entry);
  return list;
}

int Sequence() {
  static std::atomic<int> next{0};
  return ++next;
}

class JackServer : public AudioServer {
 public:
  JackServer(int periodFrames, const std::string& dir)
      : name_("qvtest-" + std::to_string(getpid()) + "-" + std::to_string(Sequence())) {
    // Device reservation goes through D-Bus, which a test machine has no session of.
    server_ = std::make_unique<Child>(
        std::vector<std::string>{"jackd", "-n", name_, "-r", "-S", "-t", "5000", "-d", "dummy",
                                 "-r", "48000", "-p", std::to_string(periodFrames)},
        Env(), dir + "/jackd.out", dir + "/jackd.err");
    if (!server_->Started()) {
      why_ = "jackd is not installed";
      missing_ = true;
      return;
    }
    // Up once a client gets through to it.
    for (int attempt = 0; attempt < 100 && !up_ && server_->Running(); ++attempt) {
      Child lsp({"jack_lsp"}, Env(), "/dev/null", "/dev/null");
      up_ = lsp.Wait(5000) == 0;
      if (!up_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!up_) why_ = "jackd did not start: " + server_->Err();
  }
  ~JackServer() override {
    if (server_->Running()) {
      server_->Signal(SIGTERM);
      // It waits for its clients a while; one that had to be killed leaves its name behind.
      if (server_->Wait(15000) < 0) Kill();
    }
    server_.reset();
    if (killed_) Reclaim();
    // jackd leaves its socket and semaphores behind, even when it ends in order.
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/dev/shm", ignored)) {
      const std::string file = entry.path().filename().string();
      if (file.find("_" + name_ + "_") != std::string::npos) fs::remove(entry.path(), ignored);
    }
  }
  bool Up() const override { return up_; }
  std::string Why() const override { return why_; }
  std::vector<std::string> Env() const override {
    return {"JACK_DEFAULT_SERVER=" + name_, "JACK_NO_AUDIO_RESERVATION=1"};
  }
  void Kill() override {
    server_->Signal(SIGKILL);
    server_->Wait(5000);
    killed_ = true;
  }

 private:
  // A killed server leaves its name in JACK's registry of servers, which holds only a few: a
  // server started under the same name takes the entry over and gives it back as it ends.
  void Reclaim() {
    Child again({"jackd", "-n", name_, "-r", "-d", "dummy", "-r", "48000"}, Env(), "/dev/null",
                "/dev/null");
    for (int attempt = 0; attempt < 100 && again.Running(); ++attempt) {
      Child lsp({"jack_lsp"}, Env(), "/dev/null", "/dev/null");
      if (lsp.Wait(5000) == 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    again.Signal(SIGTERM);
    again.Wait(5000);
  }

  std::string name_;
  bool killed_ = false;
  std::unique_ptr<Child> server_;
  bool up_ = false;
  std::string why_;
};

class PipeWireServer : public AudioServer {
 public:
  PipeWireServer(int quantum, const std::string& dir) {
    // A short path of its own: the socket's name must fit a sockaddr_un.
    std::string pattern = "/tmp/qvpw-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      why_ = "cannot create a runtime folder";
      return;
    }
    runtime_ = pattern;
    server_ = std::make_unique<Child>(std::vector<std::string>{"pipewire"}, Env(),
                                      dir + "/pipewire.out", dir + "/pipewire.err");
    if (!server_->Started()) {
      why_ = "pipewire is not installed";
      missing_ = true;
      return;
    }
    for (int attempt = 0; attempt < 200 && !up_ && server_->Running(); ++attempt) {
      up_ = fs::exists(runtime_ + "/pipewire-0");
      if (!up_) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    // Its dummy driver runs the graph: pin its rate and quantum as a JACK server's would be.
    up_ = up_ &&
          RunOn(*this, {"pw-metadata", "-n", "settings", "0", "clock.force-rate", "48000"}, dir) &&
          RunOn(*this,
                {"pw-metadata", "-n", "settings", "0", "clock.force-quantum",
                 std::to_string(quantum)},
                dir);
    if (!up_) why_ = "pipewire did not start: " + server_->Err();
  }
  ~PipeWireServer() override {
    server_.reset();
    std::error_code ignored;
    if (!runtime_.empty()) fs::remove_all(runtime_, ignored);
  }
  bool Up() const override { return up_; }
  std::string Why() const override { return why_; }
  std::vector<std::string> Env() const override {
    return {"XDG_RUNTIME_DIR=" + runtime_, "PIPEWIRE_RUNTIME_DIR=" + runtime_,
            "LSAN_OPTIONS=suppressions=" QV_PIPEWIRE_LSAN_SUPPRESSIONS};
  }
  std::vector<std::string> Client(std::vector<std::string> argv) const override {
    argv.insert(argv.begin(), "pw-jack");
    return argv;
  }
  void Kill() override { server_->Signal(SIGKILL), server_->Wait(5000); }

 private:
  std::string runtime_;
  std::unique_ptr<Child> server_;
  bool up_ = false;
  std::string why_;
};

}  // namespace

Scratch::Scratch() {
  std::string pattern = (fs::temp_directory_path() / "qvlive-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

Scratch::~Scratch() {
  // QV_KEEP_SCRATCH=1 keeps the recordings and logs of a failing run to look at.
  if (std::getenv("QV_KEEP_SCRATCH") != nullptr) {
    std::fprintf(stderr, "kept %s\n", path_.c_str());
    return;
  }
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& outPath, const std::string& errPath)
    : outPath_(outPath), errPath_(errPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> vars = Environment(env);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

Child::~Child() {
  if (!Running()) return;
  Signal(SIGTERM);
  if (Wait(5000) < 0) {
    Signal(SIGKILL);
    Wait(5000);
  }
}

bool Child::Running() {
  if (pid_ <= 0 || status_ >= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

void Child::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

int Child::Wait(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

std::string Child::Out() const { return ReadAll(outPath_); }
std::string Child::Err() const { return ReadAll(errPath_); }

bool WaitForText(Child& child, const std::string& text, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if ((child.Out() + child.Err()).find(text) != std::string::npos) return true;
    if (!child.Running() || std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::unique_ptr<AudioServer> StartJack(int periodFrames, const std::string& scratchDir) {
  return std::make_unique<JackServer>(periodFrames, scratchDir);
}

std::unique_ptr<AudioServer> StartPipeWire(int quantum, const std::string& scratchDir) {
  return std::make_unique<PipeWireServer>(quantum, scratchDir);
}

TransportClock::TransportClock(const AudioServer& server) {
  // libjack finds the server through the environment.
  for (const std::string& entry : server.Env()) {
    const std::size_t eq = entry.find('=');
    setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
  }
  jack_status_t status{};
  client_ = jack_client_open("qvtest-clock", JackNoStartServer, &status);
}

TransportClock::~TransportClock() {
  if (client_ != nullptr) jack_client_close(static_cast<jack_client_t*>(client_));
}

long long TransportClock::Frame() const {
  if (client_ == nullptr) return -1;
  jack_position_t pos;
  jack_transport_query(static_cast<jack_client_t*>(client_), &pos);
  return pos.frame;
}

std::vector<std::string> Host(std::vector<std::string> words,
                              const std::vector<std::string>& more) {
  words.insert(words.begin(), {QV_HOST_BIN});
  words.push_back("--plugin");
  words.push_back(QV_PLUGIN_PATH);
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

bool WaitForFile(const std::string& path, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string StereoInput(const Scratch& dir, double seconds) {
  const std::string mono = dir / "mono.wav", stereo = dir / "in.wav";
  Child generate({QV_HOST_BIN, "generate", mono, "--seconds", std::to_string(seconds),
                  "--sample-rate", "48000", "--encoding", "float"},
                 {}, dir / "generate.out", dir / "generate.err");
  if (generate.Wait(20000) != 0) return "";
  const Sound m = ReadSound(mono);
  Sound s;
  s.channels = 2;
  s.rate = 48000;
  const std::size_t frames = m.Frames();
  s.samples.resize(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    s.samples[2 * i] = m.samples[i];
    s.samples[2 * i + 1] = i >= 300 ? -0.5f * m.samples[i - 300] : 0.0f;
  }
  WriteSound(stereo, s);
  return stereo;
}

bool RunOn(const AudioServer& server, const std::vector<std::string>& argv,
           const std::string& scratchDir, std::string* output) {
  const std::string out = scratchDir + "/tool.out";
  Child tool(server.Client(argv), server.Env(), out, scratchDir + "/tool.err");
  const bool ok = tool.Wait(20000) == 0;
  if (output != nullptr) *output = tool.Out() + tool.Err();
  return ok;
}

Sound ReadSound(const std::string& path) {
  Sound sound;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return sound;
  sound.channels = info.channels;
  sound.rate = info.samplerate;
  sound.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
  sf_readf_float(file, sound.samples.data(), info.frames);
  sf_close(file);
  return sound;
}

void WriteSound(const std::string& path, const Sound& sound) {
  SF_INFO info{};
  info.samplerate = sound.rate;
  info.channels = sound.channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return;
  sf_writef_float(file, sound.samples.data(), static_cast<sf_count_t>(sound.Frames()));
  sf_close(file);
}

namespace {

double Peak(const Sound& s) {
  double peak = 0.0;
  for (float v : s.samples) peak = std::max(peak, static_cast<double>(std::fabs(v)));
  return peak;
}

double Db(double ratio) {
  return ratio > 0.0 ? 20.0 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

}  // namespace

Alignment Align(const Sound& recording, const Sound& reference, std::size_t maxOffset) {
  Alignment best;
  double bestError = std::numeric_limits<double>::infinity();
  const int ch = reference.channels;
  const std::size_t frames = reference.Frames();
  if (ch == 0 || recording.channels != ch) return best;
  for (std::size_t offset = 0; offset <= maxOffset && offset + frames <= recording.Frames();
       ++offset) {
    double error = 0.0;
    for (std::size_t i = 0; i < frames * ch && error < bestError; ++i) {
      error = std::max(error, static_cast<double>(std::fabs(recording.samples[offset * ch + i] -
                                                            reference.samples[i])));
    }
    if (error < bestError) {
      bestError = error;
      best.offset = offset;
    }
  }
  const double peak = Peak(reference);
  best.differenceDb = peak > 0.0 ? Db(bestError / peak) : Db(bestError);
  Sound shifted;
  shifted.channels = ch;
  shifted.samples.assign(recording.samples.begin() + static_cast<std::ptrdiff_t>(best.offset * ch),
                         recording.samples.end());
  best.firstDifference = FirstDifference(shifted, reference, -300.0);
  return best;
}

std::size_t FirstDifference(const Sound& a, const Sound& b, double levelDb, std::size_t from) {
  const int ch = b.channels;
  const std::size_t frames = std::min(a.Frames(), b.Frames());
  const double limit = Peak(b) * std::pow(10.0, levelDb / 20.0);
  for (std::size_t f = from; f < frames; ++f) {
    for (int c = 0; c < ch; ++c) {
      if (std::fabs(a.samples[f * ch + c] - b.samples[f * ch + c]) > limit) return f;
    }
  }
  return frames;
}

}  // namespace livetest
