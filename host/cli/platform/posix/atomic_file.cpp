// Output files renamed into place or copied to a stream, and whole-file reading.
#include "host/cli/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/cli/cli_error.h"
#include "host/cli/interrupt.h"

namespace qvcli {
namespace {

std::string Reason() { return std::strerror(errno); }

// Writes all of [data, data + size) to fd; false with errno set on failure.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int AnonymousTempFile() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/quorvantel-host-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw CliError(kExitFailure, "cannot create a temporary file: " + Reason());
  unlink(pattern.c_str());
  return fd;
}

void CreateParentFolders(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (parent.empty() || std::filesystem::is_directory(parent, ec)) return;
  std::filesystem::create_directories(parent, ec);
  if (ec)
    throw CliError(kExitFailure,
                   "cannot create the folder " + parent.string() + ": " + ec.message());
}

OutputFile::OutputFile(const std::string& target) : name_(target), target_(target) {
  WatchInterrupts();
  if (target == "-" && isatty(STDOUT_FILENO)) {
    throw CliError(kExitUsage,
                   "not writing binary data to the terminal; redirect standard output to a file "
                   "(> out) or a program (| ...), or name an output file");
  }
  if (target != "-") CreateParentFolders(target);
  struct stat st {};
  const bool exists = target != "-" && stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    throw CliError(kExitFailure, "cannot write " + target + ": it is a folder");
  }
  if (target == "-" || (exists && !S_ISREG(st.st_mode))) {
    if (target == "-") {
      streamFd_ = STDOUT_FILENO;
    } else {
      streamFd_ = open(target.c_str(), O_WRONLY | O_CLOEXEC);
      if (streamFd_ < 0) throw CliError(kExitFailure, "cannot write " + target + ": " + Reason());
      closeStream_ = true;
    }
    fd_ = AnonymousTempFile();
    return;
  }
  // A link to a file: replace the file it points to, not the link.
  char resolved[PATH_MAX];
  if (exists && realpath(target.c_str(), resolved) != nullptr) target_ = resolved;

  // No interruption between creating the file and registering it for removal.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGHUP);
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  std::string pattern = target_ + ".partial-XXXXXX";
  fd_ = mkstemp(pattern.data());
  const int error = errno;
  if (fd_ >= 0) {
    temp_ = pattern;
    SetPendingRemoval(temp_.c_str());
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd_ < 0) throw CliError(kExitFailure, "cannot write " + target + ": " + std::strerror(error));
  // mkstemp creates the file private; give it the permissions a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) close(fd_);
  if (closeStream_ && streamFd_ >= 0) close(streamFd_);
  if (!committed_ && !temp_.empty()) {
    unlink(temp_.c_str());
    SetPendingRemoval(nullptr);
  }
}

void OutputFile::Commit() {
  const std::string failed = "cannot write " + name_ + ": ";
  if (Streamed()) {
    if (lseek(fd_, 0, SEEK_SET) != 0) throw CliError(kExitFailure, failed + Reason());
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw CliError(kExitFailure, failed + Reason());
      if (n == 0) break;
      if (!WriteAll(streamFd_, buffer, static_cast<std::size_t>(n))) {
        throw CliError(kExitFailure, failed + Reason());
      }
    }
    committed_ = true;
    return;
  }
  const int fd = fd_;
  fd_ = -1;
  if (fsync(fd) != 0 || close(fd) != 0) throw CliError(kExitFailure, failed + Reason());
  if (rename(temp_.c_str(), target_.c_str()) != 0) throw CliError(kExitFailure, failed + Reason());
  committed_ = true;
  SetPendingRemoval(nullptr);
}

void WriteOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  OutputFile file(path);
  if (!WriteAll(file.Fd(), reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
    throw CliError(kExitFailure, "cannot write " + path + ": " + Reason());
  }
  file.Commit();
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    throw CliError(kExitInput, "cannot read " + path + ": " + Reason());
  if (S_ISDIR(info.st_mode)) throw CliError(kExitInput, "cannot read " + path + ": it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CliError(kExitInput, "cannot read " + path + ": " + Reason());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw CliError(kExitInput, "cannot read " + path + ": read error");
  return bytes;
}

}  // namespace qvcli
