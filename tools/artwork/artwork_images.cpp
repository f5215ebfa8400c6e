// The background, knob strip and switch drawn from the artwork source.
#include "tools/artwork/artwork_images.h"

#include <cmath>
#include <cstdint>
#include <memory>

#include "raster/font.h"
#include "raster/shapes.h"
#include "tools/artwork/sdf_paint.h"

namespace artwork {
namespace {

constexpr double kPi = 3.14159265358979323846;

const Command* Find(const Source& source, const std::string& name) {
  for (const Command& c : source.commands)
    if (c.words[0] == name) return &c;
  return nullptr;
}

// Scattered soft dots, from a fixed-seed generator so the image is reproducible (the same dots
// at every scale k).
void DrawGrains(raster::Bitmap& dst, double k, double x, double y, double w, double h, int count,
                std::uint32_t seed, raster::Pixel colour) {
  std::uint32_t s = seed * 2654435761u + 1u;
  auto next = [&]() {
    s ^= s << 13, s ^= s >> 17, s ^= s << 5;
    return double(s) / 4294967296.0;
  };
  for (int i = 0; i < count; ++i) {
    const double gx = x + next() * w, gy = y + next() * h;
    const double r = 0.8 + 2.2 * next() * next();
    const double fade = 0.35 + 0.65 * next();
    const raster::Pixel c =
        (colour & 0x00FFFFFFu) | (raster::Pixel(raster::AlphaOf(colour) * fade) << 24);
    FillDisc(dst, gx * k, gy * k, r * k, c, c);
  }
}

}  // namespace

bool DrawBackground(const Source& source, int scale, raster::Bitmap& out, std::string& error) {
  const double k = scale;
  bool started = false;
  std::string fontName = "Arial";
  int seatSize = 26;
  if (const Command* knob = Find(source, "knob")) seatSize = Args(source, *knob, error).Int(1);
  for (const Command& c : source.commands) {
    Args a(source, c, error);
    const std::string& cmd = c.words[0];
    if (cmd == "font") {
      fontName = a.Word(1);
    } else if (cmd == "background") {
      out = raster::Bitmap(a.Int(1) * scale, a.Int(2) * scale);
      const raster::Pixel top = a.Colour(3), bottom = a.Colour(4);
      for (int y = 0; y < out.Height(); ++y)
        raster::HorizontalRun(out, y, 0, out.Width() - 1,
                              MixColor(top, bottom, double(y) / std::max(1, out.Height() - 1)));
      started = true;
    } else if (!started) {
      continue;  // knob, switch and anything else before the background belong elsewhere
    } else if (cmd == "panel") {
      const double x = a.Number(1), y = a.Number(2), w = a.Number(3), h = a.Number(4);
      GradientRoundBox(out, x * k, y * k, w * k, h * k, 6.0 * k, a.Colour(5), a.Colour(6));
      StrokeRoundBox(out, x * k, y * k, w * k, h * k, 6.0 * k, a.Colour(7), k);
    } else if (cmd == "band") {
      FillRoundBox(out, a.Number(1) * k, a.Number(2) * k, a.Number(3) * k, a.Number(4) * k, 4.0 * k,
                   a.Colour(5));
    } else if (cmd == "field") {
      const double x = a.Number(1), y = a.Number(2), w = a.Number(3), h = a.Number(4);
      FillRoundBox(out, x * k, y * k, w * k, h * k, 3.0 * k, a.Colour(5));
      StrokeRoundBox(out, x * k, y * k, w * k, h * k, 3.0 * k, a.Colour(6), k);
    } else if (cmd == "groove") {
      // One pixel around the fader's own rectangle, lit from below.
      const double x = a.Number(1) - 1, y = a.Number(2) - 1, w = a.Number(3) + 2,
                   h = a.Number(4) + 2;
      FillRoundBox(out, x * k, (y + 1) * k, w * k, h * k, 2.0 * k,
                   NamedColour(source, "grooveEdge", error));
      FillRoundBox(out, x * k, y * k, w * k, h * k, 2.0 * k,
                   NamedColour(source, "grooveFill", error));
    } else if (cmd == "seat") {
      const double r = seatSize * 0.5;
      const raster::Pixel shade = NamedColour(source, "seat", error);
      FillDisc(out, (a.Number(1) + r) * k, (a.Number(2) + r + 1.0) * k, r * k, shade, shade);
    } else if (cmd == "rule") {
      const raster::Pixel colour = a.Colour(4);
      raster::FillBox(
          out, out.Bounds(),
          raster::Box{a.Int(1) * scale, a.Int(2) * scale, a.Int(3) * scale, (a.Int(2) + 1) * scale},
          raster::Paint{colour, raster::BlendMode::kAlpha, 1.0f, false});
    } else if (cmd == "grains") {
      DrawGrains(out, k, a.Number(1), a.Number(2), a.Number(3), a.Number(4), a.Int(5),
                 std::uint32_t(a.Int(6)), a.Colour(7));
    } else if (cmd == "text") {
      const int x = a.Int(1) * scale, y = a.Int(2) * scale, size = a.Int(3) * scale;
      const raster::Pixel colour = a.Colour(4);
      const bool bold = a.Word(5) == "bold";
      const std::string align = a.Word(6), text = a.Word(7);
      if (!error.empty()) return false;
      std::unique_ptr<raster::Font> font = raster::Font::Find(fontName, size, bold, false, error);
      if (font == nullptr) return false;
      const int width = font->TextWidth(text);
      const int left = align == "centre" ? x - width / 2 : align == "right" ? x - width : x;
      font->Draw(out, out.Bounds(), left, y - font->Ascent(), text, colour);
    } else if (cmd != "knob" && cmd != "switch") {
      error = "line " + std::to_string(c.line) + ": unknown command " + cmd;
    }
    if (!error.empty()) return false;
  }
  if (!started) error = "no background command";
  return started && error.empty();
}

bool DrawKnobStrip(const Source& source, int scale, raster::Bitmap& out, std::string& error) {
  const double k = scale;
  const Command* c = Find(source, "knob");
  if (c == nullptr) {
    error = "no knob command";
    return false;
  }
  Args a(source, *c, error);
  const int size = a.Int(1) * scale, frames = a.Int(2);
  const double sweep = a.Number(3);
  auto colour = [&](const char* name) { return NamedColour(source, name, error); };
  const raster::Pixel track = colour("knobTrack"), value = colour("knobValue"),
                      bodyTop = colour("knobBodyTop"), bodyBottom = colour("knobBodyBottom"),
                      edge = colour("knobEdge"), pointer = colour("knobPointer");
  if (!error.empty()) return false;
  if (size < 8 * scale || frames < 2) {
    error = "knob needs a size of at least 8 and at least 2 frames";
    return false;
  }
  out = raster::Bitmap(size, size * frames, 0);
  const double c0 = size * 0.5;
  const double arcR = size * 0.5 - 2.0 * k, bodyR = size * 0.5 - 5.0 * k;
  const double a0 = -sweep * 0.5;
  for (int i = 0; i < frames; ++i) {
    raster::Bitmap frame(size, size, 0);
    const double angle = a0 + sweep * i / (frames - 1);
    StrokeArc(frame, c0, c0, arcR, a0, a0 + sweep, 2.6 * k, track);
    if (i > 0) StrokeArc(frame, c0, c0, arcR, a0, angle, 2.0 * k, value);
    FillDisc(frame, c0, c0 + 0.6 * k, bodyR + 1.0 * k, edge, edge);
    FillDisc(frame, c0, c0, bodyR, bodyTop, bodyBottom);
    const double rad = angle * kPi / 180.0;
    StrokeSegment(frame, c0 + 2.0 * k * std::sin(rad), c0 - 2.0 * k * std::cos(rad),
                  c0 + (bodyR - 1.5 * k) * std::sin(rad), c0 - (bodyR - 1.5 * k) * std::cos(rad),
                  1.8 * k, pointer);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) out.At(x, i * size + y) = frame.At(x, y);
  }
  return true;
}

bool DrawSwitch(const Source& source, int scale, raster::Bitmap& out, std::string& error) {
  const double k = scale;
  const Command* c = Find(source, "switch");
  if (c == nullptr) {
    error = "no switch command";
    return false;
  }
  Args a(source, *c, error);
  const int size = a.Int(1) * scale, frames = a.Int(2);
  auto colour = [&](const char* name) { return NamedColour(source, name, error); };
  const raster::Pixel off = colour("switchOff"), offEdge = colour("switchOffEdge"),
                      on = colour("switchOn"), onEdge = colour("switchOnEdge");
  if (!error.empty()) return false;
  if (size < 4 * scale || frames != 2) {
    error = "switch needs a size of at least 4 and exactly 2 frames";
    return false;
  }
  out = raster::Bitmap(size, size * 2, 0);
  FillRoundBox(out, 0, 0, size, size, 2.0 * k, off);
  StrokeRoundBox(out, 0, 0, size, size, 2.0 * k, offEdge, k);
  FillRoundBox(out, 0, size, size, size, 2.0 * k, on);
  StrokeRoundBox(out, 0, size, size, size, 2.0 * k, onEdge, k);
  FillRoundBox(out, 2.5 * k, size + 2.5 * k, size - 5.0 * k, size - 5.0 * k, 1.0 * k, onEdge);
  return true;
}

}  // namespace artwork
