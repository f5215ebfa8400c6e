// What the live tests run: a JACK 2 server of the test's own on the dummy backend (no
// hardware), a PipeWire daemon with its own runtime folder and no session manager, child
// processes (quorvantel-host, the test client, the servers' tools) with their output kept,
// and recordings compared with offline renders.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace livetest {

// A folder per test, removed afterwards.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A child process with extra environment; its standard output and error go to files.
class Child {
 public:
  // argv[0] is looked up in $PATH. env: "NAME=value" entries added to (or replacing) ours.
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
        const std::string& outPath, const std::string& errPath);
  // Ends it (SIGTERM, then SIGKILL) if it still runs.
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  bool Running();
  void Signal(int signal);
  // The exit code, 128 + signal when killed, -1 when it still runs after timeoutMs.
  int Wait(int timeoutMs);
  std::string Out() const;
  std::string Err() const;

 private:
  pid_t pid_ = 0;
  int status_ = -1;
  std::string outPath_, errPath_;
};

// Until the child wrote `text` (to its output or its error); false when it ended or timed out.
bool WaitForText(Child& child, const std::string& text, int timeoutMs);

// An audio server for the tests: its clients' environment and the command a client runs under.
class AudioServer {
 public:
  virtual ~AudioServer() = default;
  // False when the server could not start; Why() then says why, and Missing() whether it is
  // only not installed (a test then skips; the test command installs it, so in CI it fails).
  virtual bool Up() const = 0;
  virtual std::string Why() const = 0;
  bool Missing() const { return missing_; }
  virtual std::vector<std::string> Env() const = 0;
  // The command line of a client: argv itself, or prefixed ("pw-jack").
  virtual std::vector<std::string> Client(std::vector<std::string> argv) const { return argv; }
  // Ends the server now, as a crash would.
  virtual void Kill() = 0;

 protected:
  bool missing_ = false;
};

// In a test: skips when the server is not installed, fails when it is and does not start.
#define QV_REQUIRE_SERVER(server)                            \
  do {                                                       \
    if ((server)->Missing()) GTEST_SKIP() << (server)->Why(); \
    ASSERT_TRUE((server)->Up()) << (server)->Why();          \
  } while (false)

// jackd -n qvtest-PID-N -r -S -d dummy -r 48000 -p FRAMES (no realtime; synchronous, so a
// period ends only when every client has run, which a loaded machine would otherwise break).
std::unique_ptr<AudioServer> StartJack(int periodFrames, const std::string& scratchDir);
// pipewire with a runtime folder of its own, no session manager, its dummy driver at 48 kHz and
// the given quantum.
std::unique_ptr<AudioServer> StartPipeWire(int quantum, const std::string& scratchDir);

// Where the server's transport is now, from a JACK client of the test's own (JACK 2 only).
class TransportClock {
 public:
  explicit TransportClock(const AudioServer& server);
  ~TransportClock();
  TransportClock(const TransportClock&) = delete;
  TransportClock& operator=(const TransportClock&) = delete;
  bool Open() const { return client_ != nullptr; }
  // The first frame of the period the server runs now; -1 without a client. (Not the frame
  // interpolated from the wall clock: a loaded machine's server falls behind it.)
  long long Frame() const;

 private:
  void* client_ = nullptr;
};

// quorvantel-host with these words, the plug-in under test and then `more`.
std::vector<std::string> Host(std::vector<std::string> words,
                              const std::vector<std::string>& more = {});
bool WaitForFile(const std::string& path, int timeoutMs);
// A stereo phrase at 48 kHz in dir/in.wav: the demo phrase on the left, a quieter, inverted and
// later copy on the right, so a swapped or merged channel shows.
std::string StereoInput(const Scratch& dir, double seconds);

// Runs a program to its end (20 s at most) on the server; true when it exited with 0.
bool RunOn(const AudioServer& server, const std::vector<std::string>& argv,
           const std::string& scratchDir, std::string* output = nullptr);

// Audio files as interleaved float samples.
struct Sound {
  int channels = 0;
  int rate = 0;
  std::vector<float> samples;
  std::size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};
Sound ReadSound(const std::string& path);
void WriteSound(const std::string& path, const Sound& sound);

// How a recording lines up with a reference: the offset (frames into the recording) where it
// matches best, and from there the largest difference over the reference's length, in dB
// relative to the reference's peak (-inf when equal).
struct Alignment {
  std::size_t offset = 0;
  double differenceDb = 0.0;
  std::size_t firstDifference = 0;  // frames into the reference; its length when none
};
Alignment Align(const Sound& recording, const Sound& reference, std::size_t maxOffset);

// The first frame from which `a` and `b` (aligned at 0) differ by more than `level` relative to
// b's peak; a's length when they never do.
std::size_t FirstDifference(const Sound& a, const Sound& b, double levelDb, std::size_t from = 0);

}  // namespace livetest
