// Output files renamed into place or copied to a stream, and whole-file reading, on Windows:
// temporary files are created exclusively and replace the target with MoveFileEx, which (unlike
// rename) may overwrite an existing file; devices and pipes are written in place. Paths are UTF-8.
#include "host/cli/atomic_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/platform/win32/wide_text.h"
#include "host/cli/cli_error.h"
#include "host/cli/interrupt.h"

namespace qvcli {
namespace {

std::string Reason() { return std::strerror(errno); }

// A device or a pipe rather than a file: a path in the device namespace (\\.\pipe\name,
// \\.\COM3) or a reserved name (NUL, CON, COM1, ... in any folder, with any extension).
bool IsDevice(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  const std::size_t slash = path.find_last_of("\\/");
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
      name == "CONOUT$")
    return true;
  return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) &&
         name[3] >= '1' && name[3] <= '9';
}

// The file a symbolic link leads to; the path itself for anything else.
std::string FinalPath(const std::string& path) {
  const std::wstring wide = win32::Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return path;
  const HANDLE file =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring final(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(file, final.data(), DWORD(final.size()), 0);
  CloseHandle(file);
  return n > 0 && n < final.size() ? win32::Utf8({final.data(), n}) : path;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const int n = _write(fd, data, unsigned(std::min<std::size_t>(size, 1u << 30)));
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates "<base>XXXXXX" exclusively with six random characters; -1 with errno set on failure.
int CreateUnique(const std::string& base, int extraFlags, std::string* path) {
  unsigned seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = base;
    for (int i = 0; i < 6; ++i) {
      seed = seed * 1664525u + 1013904223u;
      candidate += "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> 16) % 36];
    }
    const int fd =
        _wopen(win32::Wide(candidate).c_str(),
               _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | extraFlags, _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
      *path = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

int AnonymousTempFile() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, folder);
  std::string path;
  // Windows removes a _O_TEMPORARY file when its last descriptor closes.
  const int fd = CreateUnique(win32::Utf8(folder) + "quorvantel-host-", _O_TEMPORARY, &path);
  if (fd < 0) throw CliError(kExitFailure, "cannot create a temporary file: " + Reason());
  return fd;
}

void CreateParentFolders(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(win32::Wide(path)).parent_path();
  std::error_code ec;
  if (parent.empty() || std::filesystem::is_directory(parent, ec)) return;
  std::filesystem::create_directories(parent, ec);
  if (ec)
    throw CliError(kExitFailure, "cannot create the folder " + win32::Utf8(parent.wstring()) +
                                     ": " + ec.message());
}

OutputFile::OutputFile(const std::string& target) : name_(target), target_(target) {
  WatchInterrupts();
  if (target == "-" && _isatty(_fileno(stdout))) {
    throw CliError(kExitUsage,
                   "not writing binary data to the terminal; redirect standard output to a file "
                   "(> out) or a program (| ...), or name an output file");
  }
  if (target != "-" && !IsDevice(target)) CreateParentFolders(target);
  if (target == "-") {
    streamFd_ = _fileno(stdout);
    _setmode(streamFd_, _O_BINARY);
    fd_ = AnonymousTempFile();
    return;
  }
  if (IsDevice(target)) {
    streamFd_ = _wopen(win32::Wide(target).c_str(), _O_WRONLY | _O_BINARY);
    if (streamFd_ < 0) throw CliError(kExitFailure, "cannot write " + target + ": " + Reason());
    closeStream_ = true;
    fd_ = AnonymousTempFile();
    return;
  }
  const DWORD attributes = GetFileAttributesW(win32::Wide(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw CliError(kExitFailure, "cannot write " + target + ": it is a folder");
  target_ = FinalPath(target);
  fd_ = CreateUnique(target_ + ".partial-", 0, &temp_);
  if (fd_ < 0) throw CliError(kExitFailure, "cannot write " + target + ": " + Reason());
  SetPendingRemoval(temp_.c_str());
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) _close(fd_);
  if (closeStream_ && streamFd_ >= 0) _close(streamFd_);
  if (!committed_ && !temp_.empty()) {
    _wunlink(win32::Wide(temp_).c_str());
    SetPendingRemoval(nullptr);
  }
}

void OutputFile::Commit() {
  const std::string failed = "cannot write " + name_ + ": ";
  if (Streamed()) {
    if (_lseek(fd_, 0, SEEK_SET) != 0) throw CliError(kExitFailure, failed + Reason());
    char buffer[1 << 16];
    for (int n; (n = _read(fd_, buffer, sizeof buffer)) != 0;) {
      if (n < 0 || !WriteAll(streamFd_, buffer, std::size_t(n)))
        throw CliError(kExitFailure, failed + Reason());
    }
    committed_ = true;
    return;
  }
  const int fd = fd_;
  fd_ = -1;
  if (_commit(fd) != 0 || _close(fd) != 0) throw CliError(kExitFailure, failed + Reason());
  if (!MoveFileExW(win32::Wide(temp_).c_str(), win32::Wide(target_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw CliError(kExitFailure, failed + win32::ErrorText(GetLastError()));
  }
  committed_ = true;
  SetPendingRemoval(nullptr);
}

void WriteOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  OutputFile file(path);
  if (!WriteAll(file.Fd(), reinterpret_cast<const char*>(bytes.data()), bytes.size()))
    throw CliError(kExitFailure, "cannot write " + path + ": " + Reason());
  file.Commit();
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  const std::wstring wide = win32::Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    throw CliError(kExitInput, "cannot read " + path + ": No such file or directory");
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    throw CliError(kExitInput, "cannot read " + path + ": it is a folder");
  std::ifstream in(wide.c_str(), std::ios::binary);
  if (!in) throw CliError(kExitInput, "cannot read " + path + ": " + Reason());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw CliError(kExitInput, "cannot read " + path + ": read error");
  return bytes;
}

}  // namespace qvcli
