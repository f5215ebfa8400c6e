// Temporary output files renamed into place, and whole-file reading.
#include "host/cli/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/cli/cli_error.h"

namespace qvcli {
namespace {

// The temporary file being written, removed by the signal handler when the user interrupts.
char gPendingPath[4096];
volatile sig_atomic_t gPending = 0;

extern "C" void RemovePendingAndExit(int signal) {
  if (gPending) unlink(gPendingPath);
  _exit(128 + signal);
}

void WatchSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = RemovePendingAndExit;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

std::string Reason() { return std::strerror(errno); }

}  // namespace

TempFile::TempFile(const std::string& target) : target_(target) {
  WatchSignals();
  // No interruption between creating the file and registering it for removal.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGHUP);
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  std::string pattern = target + ".partial-XXXXXX";
  fd_ = mkstemp(pattern.data());
  const int error = errno;
  if (fd_ >= 0) {
    path_ = pattern;
    if (path_.size() < sizeof gPendingPath) {
      std::memcpy(gPendingPath, path_.c_str(), path_.size() + 1);
      gPending = 1;
    }
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd_ < 0) throw CliError(kExitFailure, "cannot write " + target + ": " + std::strerror(error));
  // mkstemp creates the file private; give it the permissions a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

TempFile::~TempFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlink(path_.c_str());
  gPending = 0;
}

void TempFile::Commit() {
  if (fd_ >= 0) {
    if (fsync(fd_) != 0 || close(fd_) != 0) {
      fd_ = -1;
      throw CliError(kExitFailure, "cannot write " + target_ + ": " + Reason());
    }
    fd_ = -1;
  }
  if (rename(path_.c_str(), target_.c_str()) != 0) {
    throw CliError(kExitFailure, "cannot write " + target_ + ": " + Reason());
  }
  committed_ = true;
  gPending = 0;
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  TempFile file(path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file.Fd(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw CliError(kExitFailure, "cannot write " + path + ": " + Reason());
    done += static_cast<std::size_t>(n);
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
