// Audio files through libsndfile: a streaming reader, and a streaming writer that goes through a
// temporary file and a format chosen by name, by the output's extension or after the input.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/atomic_file.h"

namespace qvcli {

class AudioReader {
 public:
  // Throws CliError(kExitInput): missing or unreadable file, unsupported format.
  explicit AudioReader(const std::string& path);
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  int SampleRate() const { return info_.samplerate; }
  int Channels() const { return info_.channels; }
  std::int64_t Frames() const { return info_.frames; }
  int Format() const { return info_.format; }

  // Reads up to `frames` frames, interleaved, into out; returns the frames read (0 at the end).
  int Read(float* out, int frames);

 private:
  std::string path_;
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
};

// Output format: libsndfile's major format and subtype.
struct AudioFormat {
  int major = 0;
  int subtype = 0;
};

// "wav", "flac", "ogg", "aiff" (also "aif", "oga"); 0 when unknown.
int MajorFormatForName(const std::string& name);
// From a file name's extension; 0 when unknown.
int MajorFormatForPath(const std::string& path);
// "pcm16", "pcm24", "pcm32", "float"; 0 when unknown.
int SubtypeForName(const std::string& name);

// Chooses the output format: the named one (formatName, may be empty), else the output's
// extension, else the input's; the subtype is the named encoding, else the input's if the major
// format takes it, else that format's usual one. Throws CliError(kExitUsage) for unknown names or
// an encoding the format cannot hold.
AudioFormat ChooseOutputFormat(const std::string& formatName, const std::string& encodingName,
                               const std::string& outPath, int inputFormat, int channels,
                               int sampleRate);

class AudioWriter {
 public:
  // Opens a temporary file next to path. Throws CliError.
  AudioWriter(const std::string& path, AudioFormat format, int channels, int sampleRate);
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  // Interleaved frames. Throws CliError(kExitFailure) on a write error.
  void Write(const float* frames, int count);
  // Closes the file and renames it into place. Throws CliError(kExitFailure).
  void Commit();

 private:
  std::string path_;
  TempFile temp_;
  SNDFILE* file_ = nullptr;
};

}  // namespace qvcli
