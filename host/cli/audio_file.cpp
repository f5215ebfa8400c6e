// libsndfile reading and writing for quorvantel-host.
#include "host/cli/audio_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
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

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    throw CliError(kExitInput, "cannot read " + path + ": " + std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) throw CliError(kExitInput, "cannot read " + path + ": it is a folder");
  file_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (file_ == nullptr) {
    const int code = sf_error(nullptr);
    if (code == SF_ERR_UNRECOGNISED_FORMAT || code == SF_ERR_MALFORMED_FILE ||
        code == SF_ERR_UNSUPPORTED_ENCODING) {
      throw CliError(kExitInput,
                     path + ": unsupported or damaged audio file (" + sf_error_number(code) + ")");
    }
    throw CliError(kExitInput, "cannot read " + path + ": " + sf_strerror(nullptr));
  }
  if (info_.channels < 1 || info_.samplerate < 1 || info_.frames < 0) {
    sf_close(file_);
    file_ = nullptr;
    throw CliError(kExitInput, path + ": audio file without channels or sample rate");
  }
}

AudioReader::~AudioReader() {
  if (file_ != nullptr) sf_close(file_);
}

int AudioReader::Read(float* out, int frames) {
  const sf_count_t n = sf_readf_float(file_, out, frames);
  if (n < 0 || (n == 0 && sf_error(file_) != SF_ERR_NO_ERROR)) {
    throw CliError(kExitInput, "cannot read " + path_ + ": " + sf_strerror(file_));
  }
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
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
  return MajorFormatForName(path.substr(dot + 1));
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
  } else {
    f.major = MajorFormatForPath(outPath);
    if (f.major == 0) f.major = inputFormat & SF_FORMAT_TYPEMASK;
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
    : path_(path), temp_(path) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format.major | format.subtype;
  file_ = sf_open_fd(temp_.Fd(), SFM_WRITE, &info, SF_TRUE);
  if (file_ == nullptr) {
    throw CliError(kExitFailure, "cannot write " + path + ": " + sf_strerror(nullptr));
  }
  temp_.ReleaseFd();
  // Integer encodings clip rather than wrap around when the output exceeds full scale.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter() {
  if (file_ != nullptr) sf_close(file_);
}

void AudioWriter::Write(const float* frames, int count) {
  if (sf_writef_float(file_, frames, count) != count) {
    throw CliError(kExitFailure, "cannot write " + path_ + ": " + sf_strerror(file_));
  }
}

void AudioWriter::Commit() {
  sf_write_sync(file_);
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    throw CliError(kExitFailure, "cannot write " + path_ + ": " + sf_error_number(closed));
  }
  temp_.Commit();
}

}  // namespace qvcli
