// A client of the JACK server, or of PipeWire's JACK: its audio ports run through a LiveEngine
// in JACK's process callback with the transport read for the plug-in, and the server's changes
// of period size and sample rate, its xruns and its going away are handed on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/cli_error.h"
#include "host/cli/live_engine.h"

namespace qvcli {

// No JACK server runs (nor PipeWire under pw-jack): the one failure edit --audio passes over.
class NoJackServer : public CliError {
 public:
  NoJackServer()
      : CliError(kExitFailure,
                 "no JACK server is running: start one with `jackd -d alsa` or run this under "
                 "`pw-jack`") {}
};

struct JackClientOptions {
  std::string name = "quorvantel";
  // A name in use is refused; otherwise the next free one is taken ("quorvantel-01"), as JACK
  // itself renames.
  bool exactName = false;
  bool inputs = true;  // false: the two outputs only (edit --audio)
};

class JackSession {
 public:
  // Main thread. Connects to the running server and registers the ports. Throws NoJackServer,
  // CliError(kExitFailure) when the name is in
  // use and exactName is set, or when the server refuses; CliError(kExitUsage) for a name JACK
  // cannot take.
  explicit JackSession(const JackClientOptions& options);
  // Main thread: Close.
  ~JackSession();
  JackSession(const JackSession&) = delete;
  JackSession& operator=(const JackSession&) = delete;

  // Main thread, until Close.
  const std::string& Name() const;  // as the server knows the client
  int SampleRate() const;
  int BufferSize() const;
  std::vector<std::string> InputPorts() const;  // "quorvantel:in_1", "quorvantel:in_2"
  std::vector<std::string> OutputPorts() const;

  // Other clients' audio ports that give audio (sources) or take it, only the hardware's when
  // physicalOnly.
  std::vector<std::string> AudioPorts(bool sources, bool physicalOnly) const;
  // Checks the port names of an option (--in takes sources, --out sinks): each must be another
  // client's audio port of that direction. Throws CliError(kExitUsage) naming the port and
  // listing the ones there are.
  void CheckPorts(const std::vector<std::string>& names, bool sources,
                  const std::string& option) const;

  // Main thread: engine processes every period from now on, configured with the server's rate
  // and period size first and again whenever the server changes them. The engine must outlive
  // Close. Throws CliError(kExitFailure) when the server refuses.
  void Start(LiveEngine& engine);
  // Main thread, after Start: sources[k] feeds input k (one source feeds both); output k
  // feeds sinks[k] (one sink takes both). Throws CliError(kExitFailure).
  void ConnectInputs(const std::vector<std::string>& sources);
  void ConnectOutputs(const std::vector<std::string>& sinks);

  // Any thread.
  bool ServerGone() const;
  std::uint64_t Xruns() const;

  // Main thread: leaves the server; no callback runs afterwards (also when it went away).
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qvcli
