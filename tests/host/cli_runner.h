// Runs quorvantel-host as a child process for end-to-end tests and captures what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace clitest {

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A fresh folder per test under the build's temporary area, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvhost-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell command in dir; $HOST names quorvantel-host. Standard error is captured apart.
inline Result RunShell(const ScratchDir& dir, const std::string& shellCommand) {
  const std::string errPath = dir / "stderr.txt";
  const std::string command = "cd " + Quote(dir.Path().string()) +
                              " && HOST=" + Quote(QV_HOST_BIN) + " && { " + shellCommand +
                              "; } 2>" + Quote(errPath);
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.err = ReadText(errPath);
  return r;
}

// quorvantel-host run in dir; args are passed through the shell, each quoted.
template <typename... A>
Result RunHost(const ScratchDir& dir, const A&... args) {
  std::string command = "\"$HOST\"";
  ((command += " " + Quote(std::string(args))), ...);
  return RunShell(dir, command);
}

}  // namespace clitest
