// Output files that never leave damage behind. A regular file (new or existing) appears only
// when complete: it is written under a temporary name in the target's folder and renamed over
// the target at the end. Standard output ("-"), a named pipe or a device is written in place and
// never replaced by a file: the content is prepared in an anonymous temporary file (audio
// encoders need to seek) and copied to it at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvcli {

class OutputFile {
 public:
  // Missing folders on the way to a file are created, as "render -o FOLDER" creates FOLDER.
  // Throws CliError(kExitFailure) when the target cannot be written (a folder, no permission),
  // CliError(kExitUsage) for standard output on a terminal, which binary data would garble.
  explicit OutputFile(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // A seekable descriptor for the content; it stays owned by this object.
  int Fd() const { return fd_; }
  // True for standard output, a pipe or a device.
  bool Streamed() const { return streamFd_ >= 0; }
  // The target as the user named it, for messages.
  const std::string& Name() const { return name_; }
  // Puts the content in place. Throws CliError(kExitFailure).
  void Commit();

 private:
  std::string name_;
  std::string target_;  // the path renamed over: symbolic links resolved
  std::string temp_;    // empty for an anonymous temporary file
  int fd_ = -1;
  int streamFd_ = -1;
  bool closeStream_ = false;
  bool committed_ = false;
};

// Creates the folders on the way to path that do not exist yet. Throws CliError(kExitFailure).
void CreateParentFolders(const std::string& path);

// Writes bytes to path through an OutputFile. Throws CliError(kExitFailure).
void WriteOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// An unnamed temporary file in $TMPDIR (else /tmp), gone when closed. Throws
// CliError(kExitFailure).
int AnonymousTempFile();

// Reads a whole file. Throws CliError(kExitInput) naming the file and the reason.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

}  // namespace qvcli
