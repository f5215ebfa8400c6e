// libsndfile reading and writing for quorvantel-host.
#include "host/cli/audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "host/cli/cli_error.h"

namespace qvcli {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The subtype a major format is written with when the input's cannot be kept.
int UsualSubtype(int major) { return major == SF_FORMAT_OGG ? SF_FORMAT_VORBIS : SF_FORMAT_PCM_24; }

// The extension after the last dot of the file name, lower case; empty when there is none.
std::string ExtensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot + 1));
}

// Standard input as a seekable descriptor: itself when it is a file, else spooled into an
// anonymous temporary file (decoders seek, pipes cannot).
int SeekableStdin() {
  if (lseek(STDIN_FILENO, 0, SEEK_CUR) >= 0) return dup(STDIN_FILENO);
  const int fd = AnonymousTempFile();
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw CliError(kExitInput,
                     std::string("cannot read standard input: ") + std::strerror(errno));
    if (n == 0) break;
    if (write(fd, buffer, static_cast<std::size_t>(n)) != n) {
      throw CliError(kExitFailure,
                     std::string("cannot spool standard input: ") + std::strerror(errno));
    }
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

// libsndfile shortens a WAV or AIFF whose data chunk runs past the end of the file to what is
// there, and says so only in its log ("data : 8000 (should be 2912)").
bool HeaderAnnouncesMore(SNDFILE* file) {
  char log[8192] = {};
  sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
  const std::string text(log);
  for (const char* chunk : {"\ndata :", "\n SSND :", "\nSSND :"}) {
    const std::size_t at = text.find(chunk);
    if (at == std::string::npos) continue;
    const std::size_t end = text.find('\n', at + 1);
    if (text.substr(at, end - at).find("(should be") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : name_(path == "-" ? "standard input" : path) {
  if (path == "-") {
    file_ = sf_open_fd(SeekableStdin(), SFM_READ, &info_, SF_TRUE);
  } else {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      throw CliError(kExitInput, "cannot read " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) {
      throw CliError(kExitInput, "cannot read " + path + ": it is a folder");
    }
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
  }
  if (file_ == nullptr) {
    const int code = sf_error(nullptr);
    if (code == SF_ERR_UNRECOGNISED_FORMAT || code == SF_ERR_MALFORMED_FILE ||
        code == SF_ERR_UNSUPPORTED_ENCODING) {
      throw CliError(kExitInput,
                     name_ + ": unsupported or damaged audio file (" + sf_error_number(code) + ")");
    }
    throw CliError(kExitInput, "cannot read " + name_ + ": " + sf_strerror(nullptr));
  }
  if (info_.channels < 1 || info_.samplerate < 1 || info_.frames < 0) {
    sf_close(file_);
    file_ = nullptr;
    throw CliError(kExitInput, name_ + ": audio file without channels or sample rate");
  }
  if (info_.frames == 0) {
    sf_close(file_);
    file_ = nullptr;
    throw CliError(kExitInput, name_ + ": the file holds no audio");
  }
  cutShort_ = HeaderAnnouncesMore(file_);
}

AudioReader::~AudioReader() {
  if (file_ != nullptr) sf_close(file_);
}

int AudioReader::Read(float* out, int frames) {
  const sf_count_t n = sf_readf_float(file_, out, frames);
  if (n < 0 || (n == 0 && sf_error(file_) != SF_ERR_NO_ERROR)) {
    throw CliError(kExitInput, "cannot read " + name_ + ": " + sf_strerror(file_));
  }
  framesRead_ += n;
  if (n < frames && framesRead_ < info_.frames) cutShort_ = true;
  return static_cast<int>(n);
}

int MajorFormatForName(const std::string& name) {
  const std::string n = Lower(name);
  if (n == "wav") return SF_FORMAT_WAV;
  if (n == "flac") return SF_FORMAT_FLAC;
  if (n == "ogg" || n == "oga") return SF_FORMAT_OGG;
  if (n == "aiff" || n == "aif") return SF_FORMAT_AIFF;
  return 0;
}

int MajorFormatForPath(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  return ext.empty() ? 0 : MajorFormatForName(ext);
}

int SubtypeForName(const std::string& name) {
  const std::string n = Lower(name);
  if (n == "pcm16") return SF_FORMAT_PCM_16;
  if (n == "pcm24") return SF_FORMAT_PCM_24;
  if (n == "pcm32") return SF_FORMAT_PCM_32;
  if (n == "float") return SF_FORMAT_FLOAT;
  return 0;
}

AudioFormat ChooseOutputFormat(const std::string& formatName, const std::string& encodingName,
                               const std::string& outPath, int inputFormat, int channels,
                               int sampleRate) {
  AudioFormat f;
  if (!formatName.empty()) {
    f.major = MajorFormatForName(formatName);
    if (f.major == 0) {
      throw CliError(kExitUsage, "unknown output format \"" + formatName +
                                     "\"; choose one of: wav, flac, ogg, aiff");
    }
    // A FLAC stream named .wav is taken for what its name says by every other program.
    const int named = MajorFormatForPath(outPath);
    if (named != 0 && named != f.major) {
      throw CliError(kExitUsage, "--format " + formatName + " does not match the name " + outPath +
                                     "; name the output ." + Lower(formatName) +
                                     " or leave --format out");
    }
  } else if (const std::string ext = ExtensionOf(outPath); !ext.empty()) {
    f.major = MajorFormatForName(ext);
    if (f.major == 0) {
      throw CliError(kExitUsage, "cannot write ." + ext + " files; name the output .wav, .flac, " +
                                     ".ogg or .aiff, or choose the format with --format");
    }
  } else {
    f.major = inputFormat & SF_FORMAT_TYPEMASK;
  }
  SF_INFO probe{};
  probe.channels = channels;
  probe.samplerate = sampleRate;
  if (!encodingName.empty()) {
    f.subtype = SubtypeForName(encodingName);
    if (f.subtype == 0) {
      throw CliError(kExitUsage, "unknown encoding \"" + encodingName +
                                     "\"; choose one of: pcm16, pcm24, pcm32, float");
    }
    probe.format = f.major | f.subtype;
    if (!sf_format_check(&probe)) {
      throw CliError(kExitUsage, "the output format cannot hold encoding " + encodingName);
    }
    return f;
  }
  f.subtype = inputFormat & SF_FORMAT_SUBMASK;
  probe.format = f.major | f.subtype;
  if (!sf_format_check(&probe)) f.subtype = UsualSubtype(f.major);
  probe.format = f.major | f.subtype;
  if (!sf_format_check(&probe)) {
    throw CliError(kExitUsage, "cannot write " + std::to_string(channels) + " channels at " +
                                   std::to_string(sampleRate) +
                                   " Hz in that format; choose another with --format");
  }
  return f;
}

AudioWriter::AudioWriter(const std::string& path, AudioFormat format, int channels, int sampleRate)
    : output_(path), channels_(channels) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format.major | format.subtype;
  file_ = sf_open_fd(output_.Fd(), SFM_WRITE, &info, SF_FALSE);
  if (file_ == nullptr) {
    throw CliError(kExitFailure, "cannot write " + path + ": " + sf_strerror(nullptr));
  }
  // The PEAK chunk of float files carries the time of writing: without it the same render gives
  // the same bytes.
  sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  // Integer encodings clip rather than wrap around when the output exceeds full scale.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  clips_ = format.subtype != SF_FORMAT_FLOAT && format.subtype != SF_FORMAT_DOUBLE;
}

AudioWriter::~AudioWriter() {
  if (file_ != nullptr) sf_close(file_);
}

void AudioWriter::Write(const float* frames, int count) {
  if (clips_) {
    const std::size_t samples = static_cast<std::size_t>(count) * channels_;
    for (std::size_t i = 0; i < samples; ++i) clipped_ += std::fabs(frames[i]) > 1.0f;
  }
  if (sf_writef_float(file_, frames, count) != count) {
    throw CliError(kExitFailure, "cannot write " + output_.Name() + ": " + sf_strerror(file_));
  }
}

void AudioWriter::Commit() {
  sf_write_sync(file_);
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    throw CliError(kExitFailure, "cannot write " + output_.Name() + ": " + sf_error_number(closed));
  }
  output_.Commit();
}

}  // namespace qvcli
