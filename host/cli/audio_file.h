// Audio files through libsndfile: a streaming reader that notices files cut short, and a
// streaming writer that goes through an OutputFile in a format chosen by name, by the output's
// extension or after the input, and counts the samples its encoding clips.
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
  // path "-" reads standard input. Throws CliError(kExitInput): missing or unreadable file,
  // unsupported format, no audio in it.
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

  // The file holds less audio than its header announces (known from the start for WAV and
  // AIFF, else once reading ends early).
  bool CutShort() const { return cutShort_; }
  // The name for messages: the path, or "standard input".
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  std::int64_t framesRead_ = 0;
  bool cutShort_ = false;
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
// extension, else (no extension, as for "-" or a device) the input's; the subtype is the named
// encoding, else the input's if the major format takes it, else that format's usual one. Throws
// CliError(kExitUsage) for unknown names, an extension that is not an audio format we write, or
// an encoding the format cannot hold.
AudioFormat ChooseOutputFormat(const std::string& formatName, const std::string& encodingName,
                               const std::string& outPath, int inputFormat, int channels,
                               int sampleRate);

class AudioWriter {
 public:
  // Opens the output (see OutputFile). Throws CliError.
  AudioWriter(const std::string& path, AudioFormat format, int channels, int sampleRate);
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  // Interleaved frames. Throws CliError(kExitFailure) on a write error.
  void Write(const float* frames, int count);
  // Closes the file and puts it in place. Throws CliError(kExitFailure).
  void Commit();

  // Samples beyond full scale that an integer encoding clipped; float encodings clip nothing.
  std::int64_t Clipped() const { return clipped_; }

 private:
  OutputFile output_;
  int channels_;
  SNDFILE* file_ = nullptr;
  bool clips_ = false;
  std::int64_t clipped_ = 0;
};

}  // namespace qvcli
