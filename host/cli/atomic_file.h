// Output files that appear only when complete: written under a temporary name in the target's
// folder and renamed over the target at the end, so a failure never leaves a half-written file
// or damages an existing one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvcli {

class TempFile {
 public:
  // Creates "<target>.partial-XXXXXX" next to the target. Throws CliError(kExitFailure).
  explicit TempFile(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }
  // The descriptor was handed on (to libsndfile, which closes it).
  void ReleaseFd() { fd_ = -1; }
  // Renames the temporary file over the target. Throws CliError(kExitFailure).
  void Commit();

 private:
  std::string target_;
  std::string path_;
  int fd_ = -1;
  bool committed_ = false;
};

// Writes bytes to path through a TempFile. Throws CliError(kExitFailure).
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Reads a whole file. Throws CliError(kExitInput) naming the file and the reason.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

}  // namespace qvcli
