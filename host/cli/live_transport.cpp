// Time records from the audio system's transport or the free-running one.
#include "host/cli/live_transport.h"

#include <cmath>
#include <cstring>

namespace qvcli {

LiveTransport::LiveTransport(double freeTempo) {
  free_.tempo = freeTempo;
  free_.playing = true;
}

const vst2::VstTimeInfo& LiveTransport::Next(const TransportReading& reading, int offset,
                                             int frames) {
  const bool master = reading.bars && reading.beatsPerMinute > 0.0 && reading.beatsPerBar > 0.0 &&
                      reading.beatType > 0.0 && reading.ticksPerBeat > 0.0;
  if (master) {
    FromMaster(reading, offset);
  } else {
    record_ = TimeRecord(free_, rate_, freePos_, false);
  }
  const bool playing = (record_.flags & vst2::kTransportPlaying) != 0;
  // Changed: the first record, a switch between the two sources, start or stop, or a jump.
  const bool jumped = master && playing && record_.samplePos != expectedFrame_;
  if (!started_ || master != wasMaster_ || playing != wasPlaying_ || jumped)
    record_.flags |= vst2::kTransportChanged;
  started_ = true;
  wasMaster_ = master;
  wasPlaying_ = playing;
  expectedFrame_ = record_.samplePos + (playing ? frames : 0);
  freePos_ += frames;
  return record_;
}

void LiveTransport::FromMaster(const TransportReading& r, int offset) {
  vst2::VstTimeInfo& t = record_;
  t = vst2::VstTimeInfo{};
  const double quartersPerBeat = 4.0 / r.beatType;
  const double beats =
      (r.bar - 1) * r.beatsPerBar + (r.beat - 1) + r.tick / r.ticksPerBeat;
  const double into = r.rolling ? offset : 0.0;
  t.samplePos = static_cast<double>(r.frame) + into;
  t.sampleRate = rate_;
  t.tempo = r.beatsPerMinute;
  // The master's tempo counts its own beats; ppq counts quarters.
  t.ppqPos = beats * quartersPerBeat + into / rate_ * r.beatsPerMinute / 60.0 * quartersPerBeat;
  t.barStartPos = (r.bar - 1) * r.beatsPerBar * quartersPerBeat;
  t.timeSigNumerator = static_cast<vst2::int32>(std::lround(r.beatsPerBar));
  t.timeSigDenominator = static_cast<vst2::int32>(std::lround(r.beatType));
  t.flags = vst2::kPpqPosValid | vst2::kTempoValid | vst2::kBarsValid | vst2::kTimeSigValid;
  if (r.rolling) t.flags |= vst2::kTransportPlaying;
}

void TimeInfoShare::Publish(const vst2::VstTimeInfo& record) {
  std::uint64_t words[kWords] = {};
  std::memcpy(words, &record, sizeof record);
  const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
  sequence_.store(s + 1, std::memory_order_relaxed);
  // The odd count is visible before any word changes.
  std::atomic_thread_fence(std::memory_order_release);
  for (std::size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_relaxed);
  sequence_.store(s + 2, std::memory_order_release);
}

vst2::VstTimeInfo TimeInfoShare::Read() const {
  std::uint64_t words[kWords];
  for (;;) {
    const std::uint32_t before = sequence_.load(std::memory_order_acquire);
    if (before & 1u) continue;
    for (std::size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_relaxed);
    // The words are read before the count is checked again.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence_.load(std::memory_order_relaxed) == before) break;
  }
  vst2::VstTimeInfo record;
  std::memcpy(&record, words, sizeof record);
  return record;
}

}  // namespace qvcli
