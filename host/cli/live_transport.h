// The host time live answers its plug-in with, period by period: the audio system's transport
// while a timebase master gives bars and beats (its tempo, position, rolling or stopped),
// otherwise a free-running transport at a fixed tempo that always plays, so the plug-in never
// freezes when nobody drives the transport.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "host/cli/render.h"
#include "vst2/vst2_abi.h"

namespace qvcli {

// What the audio system says about its transport at the start of a period.
struct TransportReading {
  bool bars = false;  // a timebase master supplies the musical position and tempo below
  bool rolling = false;
  std::int64_t frame = 0;  // transport position of the period's first frame
  double beatsPerMinute = 120.0;
  int bar = 1;   // 1-based
  int beat = 1;  // 1-based, within the bar
  int tick = 0;  // within the beat
  double ticksPerBeat = 1920.0;
  double beatsPerBar = 4.0;
  double beatType = 4.0;  // the note value of one beat: 4 a quarter, 8 an eighth
};

class LiveTransport {
 public:
  // freeTempo: beats per minute of the free-running transport.
  explicit LiveTransport(double freeTempo);

  // While no period runs (the engine keeps the audio thread out).
  void SetSampleRate(double rate) { rate_ = rate; }

  // Audio thread: the record for `frames` frames that start `offset` frames into the period
  // the reading describes. The free-running transport moves on by `frames`.
  const vst2::VstTimeInfo& Next(const TransportReading& reading, int offset, int frames);
  // Audio thread: the record Next made last.
  const vst2::VstTimeInfo& Current() const { return record_; }

 private:
  void FromMaster(const TransportReading& reading, int offset);

  RenderSettings free_;
  double rate_ = 44100.0;
  std::int64_t freePos_ = 0;
  bool started_ = false;
  bool wasMaster_ = false;
  bool wasPlaying_ = false;
  double expectedFrame_ = 0.0;
  vst2::VstTimeInfo record_{};
};

// The latest time record for threads other than the audio thread (a plug-in's editor may ask
// for the tempo): the audio thread publishes, any other thread reads a consistent copy. A
// sequence lock over relaxed atomic words: the writer never waits, a reader retries while a
// record is being written.
class TimeInfoShare {
 public:
  // Audio thread.
  void Publish(const vst2::VstTimeInfo& record);
  // Any other thread; a zeroed record before the first Publish.
  vst2::VstTimeInfo Read() const;

 private:
  static constexpr std::size_t kWords = (sizeof(vst2::VstTimeInfo) + 7) / 8;
  std::atomic<std::uint32_t> sequence_{0};
  std::atomic<std::uint64_t> words_[kWords] = {};
};

}  // namespace qvcli
