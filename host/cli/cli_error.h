// The one failure type of quorvantel-host: a one-line message and the exit code it ends with.
#pragma once

#include <stdexcept>
#include <string>

namespace qvcli {

// Exit codes, stated in the program's --help.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,  // processing or writing failed
  kExitUsage = 2,    // bad command line: unknown option, parameter, value or text
  kExitInput = 3,    // an input file is missing, unreadable, unsupported or malformed
  kExitPlugin = 4,   // the plug-in cannot be loaded or is not a VST 2 plug-in
};

class CliError : public std::runtime_error {
 public:
  CliError(int exitCode, const std::string& message)
      : std::runtime_error(message), exitCode_(exitCode) {}
  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

}  // namespace qvcli
