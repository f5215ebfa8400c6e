// Reading time:Position objects and running the position on between them.
#include "framework/lv2/time_position.h"

#include <cmath>
#include <cstring>

namespace framework {
namespace {

// A property's value as a number, when it is one of the four numeric atom types and finite.
bool NumberOf(const LV2_Atom* value, std::uint32_t room, const Lv2Urids& u, double* out) {
  double v = 0.0;
  if (value->type == u.atomFloat && value->size >= sizeof(float) && room >= sizeof(float)) {
    float f;
    std::memcpy(&f, value + 1, sizeof f);
    v = f;
  } else if (value->type == u.atomDouble && value->size >= sizeof(double) &&
             room >= sizeof(double)) {
    std::memcpy(&v, value + 1, sizeof v);
  } else if (value->type == u.atomInt && value->size >= sizeof(std::int32_t) &&
             room >= sizeof(std::int32_t)) {
    std::int32_t i;
    std::memcpy(&i, value + 1, sizeof i);
    v = i;
  } else if (value->type == u.atomLong && value->size >= sizeof(std::int64_t) &&
             room >= sizeof(std::int64_t)) {
    std::int64_t i;
    std::memcpy(&i, value + 1, sizeof i);
    v = static_cast<double>(i);
  } else {
    return false;
  }
  if (!std::isfinite(v)) return false;
  *out = v;
  return true;
}

constexpr std::uint32_t Pad8(std::uint32_t n) { return (n + 7u) & ~7u; }

}  // namespace

bool Lv2Transport::Read(const LV2_Atom* atom, std::uint32_t size, const Lv2Urids& u) {
  if (atom == nullptr || size < sizeof(LV2_Atom_Object) || atom->size > size - sizeof(LV2_Atom) ||
      (atom->type != u.atomObject && atom->type != u.atomBlank) ||
      atom->size < sizeof(LV2_Atom_Object_Body)) {
    return false;
  }
  const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
  if (object->body.otype != u.timePosition) return false;

  double bar = NAN, barBeat = NAN, beat = NAN, unit = NAN, perBar = NAN, bpm = NAN;
  double newFrame = NAN, newSpeed = NAN;
  // Properties follow the body header, each 8-byte aligned, within the object's own size.
  const auto* begin = reinterpret_cast<const std::uint8_t*>(&object->body + 1);
  const std::uint32_t total = object->atom.size - sizeof(LV2_Atom_Object_Body);
  for (std::uint32_t at = 0; at + sizeof(LV2_Atom_Property_Body) <= total;) {
    const auto* property = reinterpret_cast<const LV2_Atom_Property_Body*>(begin + at);
    const std::uint32_t room = total - at - static_cast<std::uint32_t>(sizeof *property);
    if (property->value.size > room) break;
    double v = 0.0;
    if (NumberOf(&property->value, room, u, &v)) {
      const LV2_URID key = property->key;
      if (key == u.timeBar) bar = v;
      else if (key == u.timeBarBeat) barBeat = v;
      else if (key == u.timeBeat) beat = v;
      else if (key == u.timeBeatUnit) unit = v;
      else if (key == u.timeBeatsPerBar) perBar = v;
      else if (key == u.timeBeatsPerMinute) bpm = v;
      else if (key == u.timeFrame) newFrame = v;
      else if (key == u.timeSpeed) newSpeed = v;
    }
    at += static_cast<std::uint32_t>(sizeof *property) + Pad8(property->value.size);
  }

  *this = Lv2Transport{};
  musical = !std::isnan(bar) || !std::isnan(barBeat) || !std::isnan(beat) ||
            !std::isnan(unit) || !std::isnan(perBar) || !std::isnan(bpm);
  if (!std::isnan(newSpeed)) {
    speed = newSpeed;
    playing = newSpeed != 0.0;
  }
  if (newFrame >= 0.0) frame = newFrame;
  if (bpm > 0.0 && bpm < 1.0e6) tempo = bpm;
  if (unit >= 1.0 && unit <= 256.0) beatUnit = static_cast<int>(unit);
  if (perBar >= 1.0 && perBar <= 256.0) beatsPerBar = static_cast<int>(perBar);
  // Beats are of the unit's length; the framework counts quarter notes.
  const double quartersPerBeat = 4.0 / (beatUnit > 0 ? beatUnit : 4);
  if (std::isnan(beat) && bar >= 0.0 && barBeat >= 0.0 && beatsPerBar > 0)
    beat = bar * beatsPerBar + barBeat;
  if (beat >= 0.0) {
    quarters = beat * quartersPerBeat;
    if (barBeat >= 0.0 && barBeat <= beat) barStart = (beat - barBeat) * quartersPerBeat;
  }
  return true;
}

void Lv2Transport::Advance(int frames, double sampleRate) {
  if (!playing || frames <= 0 || !(sampleRate > 0.0)) return;
  const double moved = frames * speed;
  if (frame >= 0.0) frame = std::fmax(frame + moved, 0.0);
  if (quarters >= 0.0 && tempo > 0.0) {
    quarters = std::fmax(quarters + moved / sampleRate * tempo / 60.0, 0.0);
    if (barStart >= 0.0 && beatsPerBar > 0) {
      const double barQuarters = beatsPerBar * 4.0 / (beatUnit > 0 ? beatUnit : 4);
      barStart = std::floor(quarters / barQuarters) * barQuarters;
    }
  }
}

void Lv2Transport::Fill(HostTransport& out) const {
  if (frame >= 0.0) out.samplePos = frame;
  if (tempo > 0.0) out.tempo = tempo;
  if (quarters >= 0.0) out.ppqPos = quarters;
  if (barStart >= 0.0) out.barStartPos = barStart;
  if (beatsPerBar > 0 && beatUnit > 0) {
    out.numerator = beatsPerBar;
    out.denominator = beatUnit;
  }
  out.playing = playing;
}

}  // namespace framework
