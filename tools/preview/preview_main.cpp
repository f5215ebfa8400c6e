// qv_preview: composes the embedded background with knobs, switches, fader bars, envelope plots
// and texts at their editor positions and writes the picture as a PNG, to judge the artwork.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor/bitmap_cache.h"
#include "editor/draw_context.h"
#include "editor/resources.h"
#include "raster/blit.h"
#include "raster/png_write.h"

namespace {

struct Label {
  Rect r;
  int align;
  const char* text;
};

// The editor's static labels.
const Label kLabels[] = {
    {{700, 562, 740, 578}, kAlignRight, "Version 0.3"},
    {{180, 10, 220, 26}, kAlignRight, "Value"},
    {{220, 10, 260, 26}, kAlignRight, "Depth"},
    {{550, 10, 590, 26}, kAlignLeft, "Shape"},
    {{615, 10, 655, 26}, kAlignLeft, "Rate"},
    {{700, 10, 740, 26}, kAlignLeft, "Skew"},
    {{376, 318, 416, 334}, kAlignLeft, "Mid/Side"},
    {{360, 240, 400, 256}, kAlignLeft, "Dry Gain"},
    {{440, 240, 480, 256}, kAlignLeft, "Wet Gain"},
    {{10, 30, 50, 46}, kAlignRight, "Length"},
    {{10, 75, 50, 91}, kAlignRight, "Onset"},
    {{10, 120, 50, 136}, kAlignRight, "Source"},
    {{10, 165, 50, 181}, kAlignRight, "Env #"},
    {{10, 210, 50, 226}, kAlignRight, "Pan"},
    {{10, 255, 50, 271}, kAlignRight, "Dir"},
    {{10, 300, 50, 316}, kAlignRight, "Pitch"},
    {{10, 345, 50, 361}, kAlignRight, "Speed"},
    {{10, 390, 50, 406}, kAlignRight, "Delay"},
    {{10, 435, 50, 451}, kAlignRight, "Fdbk"},
    {{10, 480, 50, 496}, kAlignRight, "FB %"},
    {{10, 525, 50, 541}, kAlignRight, "Ampl"},
    {{310, 525, 350, 541}, kAlignRight, "Freeze"},
    {{310, 480, 350, 496}, kAlignRight, "Buf Len"},
    {{310, 435, 350, 451}, kAlignRight, "Scan Rate"},
    {{430, 10, 470, 26}, kAlignRight, "Env Skew"},
    {{120, 399, 160, 415}, kAlignRight, "Delay Sync"},
    {{380, 355, 420, 371}, kAlignRight, "Grains/Sec"},
    {{380, 375, 420, 391}, kAlignRight, "Density"},
    {{500, 10, 540, 26}, kAlignRight, "LFO#"},
};

// Fader rows: position, the value read-out shown above and the modulation source.
struct FaderRow {
  int x, y, x2;
  float value, depth;
  const char* readout;
  const char* source;
};

const FaderRow kFaderRows[] = {
    {70, 30, 150, 0.30f, 0.20f, "84.00 ms", "1"},   {70, 75, 150, 0.50f, 0.00f, "40.00 ms", "-"},
    {70, 120, 150, 0.50f, 0.40f, "C", "2"},         {70, 165, 150, 0.10f, 0.00f, "2", "-"},
    {70, 210, 150, 0.40f, 0.30f, "L 20", "3"},      {70, 255, 150, 0.75f, 0.00f, "0.50", "-"},
    {70, 300, 150, 0.50f, 0.10f, "0.00 st", "4"},   {70, 345, 150, 0.60f, 0.00f, "1.00", "-"},
    {70, 390, 150, 0.20f, 0.00f, "250.00 ms", "-"}, {70, 435, 150, 0.30f, 0.25f, "0.30", "5"},
    {70, 480, 150, 0.50f, 0.00f, "0.50", "-"},      {70, 525, 150, 0.70f, 0.00f, "0.70", "-"},
    {370, 525, 450, 0.00f, 0.00f, "0.00", "-"},     {370, 480, 450, 0.80f, 0.30f, "3.00 s", "6"},
    {370, 435, 450, 0.55f, 0.00f, "1.00", "-"},
};

const char* const kShapes[] = {"Random", "Sine", "Triangle", "Square",
                               "Const",  "S&H",  "Rnd Sqr",  "Sine"};
const char* const kWindows[] = {"Hann", "Gauss", "Trapezoid", "Expo Dec"};

// Draws the whole editor as it looks with sample values into dc.
void Compose(DrawContext& dc) {
  TextStyle text;
  TextStyle right = text, centre = text;
  right.alignment = kAlignRight;
  centre.alignment = kAlignCenter;
  const Blend copy{BlendCopy, 1.0f};

  const BitmapRef background = LoadBitmap(kBackgroundId, kBackgroundName, 1);
  const BitmapRef knob = LoadBitmap(kKnobId, kKnobName, 127);
  const BitmapRef button = LoadBitmap(kSwitchId, kSwitchName, 2);
  dc.DrawBitmap(background, Rect{0, 0, 800, 600}, 0, 0, &copy);

  int frame = 1;
  // Grayed bitmap controls draw at weight 0.25.
  auto drawKnob = [&](int x, int y, float weight = 1.0f) {
    frame = frame * 37 % 127 + 1;
    const Blend blend{BlendNone, weight};
    dc.DrawBitmapFrame(knob, Rect{x, y, x + 26, y + 26}, frame, &blend);
  };
  auto drawSwitch = [&](int x, int y, bool on, float weight = 1.0f) {
    const Blend blend{BlendNone, weight};
    dc.DrawBitmapFrame(button, Rect{x, y, x + 10, y + 10}, on ? 2 : 1, &blend);
  };

  for (int k = 0; k < 4; ++k) {
    const int y = 25 + 50 * k;
    dc.DrawText(text, kWindows[k], Rect{360, y, 500, y + 20});
    // The envelope canvas: black, white outline, the window as red columns from the bottom.
    const Rect canvas{360, y + 15, 420, y + 45};
    dc.FillRect(Color{255, 0, 0, 0}, canvas, nullptr);
    dc.DrawRect(Color{255, 255, 255, 255}, canvas);
    for (int i = 0; i < 58; ++i) {
      const float t = i / 57.0f;
      const float v = k == 0   ? 0.5f - 0.5f * std::cos(6.2831853f * t)
                      : k == 1 ? std::exp(-std::pow((t - 0.5f) * 4.5f, 2.0f))
                      : k == 2 ? std::fmin(1.0f, std::fmin(t, 1.0f - t) * 4.0f)
                               : std::exp(-5.0f * t);
      dc.DrawVerticalLine(Color{255, 255, 0, 0}, canvas.left + 1 + i,
                          canvas.bottom - 1 - int(v * 28), canvas.bottom - 1);
    }
    drawKnob(430, y + 15);
  }
  drawSwitch(360, 320, true);
  drawKnob(360, 260);
  dc.DrawText(centre, "-6.0", Rect{355, 290, 390, 310});
  drawKnob(440, 260);
  dc.DrawText(centre, "0.0", Rect{435, 290, 470, 310});

  for (const FaderRow& row : kFaderRows) {
    // The range fader: gray track, default tick, value box brightened additively.
    const Color gray{255, 127, 127, 127};
    dc.FillRect(gray, Rect{row.x, row.y, row.x + 151, row.y + 11}, nullptr);
    dc.DrawRect(gray, Rect{row.x + 5 + 70, row.y + 1, row.x + 5 + 70, row.y + 8});
    const int m = int(row.value * 140), half = int(140 * row.depth) / 2;
    const Blend add{BlendAdd, 0.25f};
    dc.FillRect(Color{255, 255, 255, 255},
                Rect{row.x + m - half, row.y, row.x + 10 + m + half, row.y + 10}, &add);
    drawKnob(row.x2 + 80, row.y);
    dc.DrawText(text, row.source, Rect{row.x2 + 110, row.y, row.x2 + 140, row.y + 20});
    dc.DrawText(text, row.readout, Rect{row.x, row.y - 20, row.x + 60, row.y});
  }
  drawSwitch(90, 400, false);

  // LFOs 7 and 8 are selected by no modulation source: grayed.
  TextStyle grayed = text;
  grayed.color = Color{255, 127, 127, 127};
  for (int n = 1; n <= 8; ++n) {
    const int y = 45 * n;
    const bool off = n >= 7;
    const TextStyle& style = off ? grayed : text;
    const float weight = off ? 0.25f : 1.0f;
    dc.DrawText(style, kShapes[n - 1], Rect{550, y, 610, y + 20});
    drawKnob(615, y, weight);
    drawSwitch(650, y + 14, n % 3 == 0, weight);
    dc.DrawText(style, n % 3 == 0 ? "1/8" : "1.25 Hz", Rect{650, y, 700, y + 12});
    drawKnob(700, y, weight);
    dc.DrawText(style, "0.50", Rect{730, y, 760, y + 12});
    dc.DrawText(style, "Skew", Rect{730, y + 12, 800, y + 24});
    const std::string number = std::to_string(n);
    dc.DrawText(right, number.c_str(), Rect{500, y, 540, y + 16});
  }

  for (const Label& label : kLabels) {
    TextStyle style = text;
    style.alignment = label.align;
    dc.DrawText(style, label.text, label.r);
  }
  dc.DrawText(right, "11025", Rect{440, 355, 470, 375});
  dc.DrawText(right, "48", Rect{440, 375, 470, 395});
}

}  // namespace

// Usage: qv_preview [OUT.png [X Y W H FACTOR ZOOM.png]]; the second form also writes an area
// enlarged by an integer factor, to look at single pixels. Prints the time of a full redraw.
int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : "preview.png";
  DrawContext dc(800, 600);
  Compose(dc);  // decodes the images and realises the font
  constexpr int kRuns = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRuns; ++i) Compose(dc);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("full 800 x 600 redraw: %.2f ms\n", took.count() / kRuns);

  std::string error;
  if (!raster::WritePngFile(dc.Target(), out, error)) {
    std::fprintf(stderr, "qv_preview: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  if (argc == 8) {
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), w = std::atoi(argv[4]),
              h = std::atoi(argv[5]), f = std::atoi(argv[6]);
    const raster::Bitmap zoom =
        raster::Scaled(raster::Cropped(dc.Target(), x, y, w, h), w * f, h * f);
    if (!raster::WritePngFile(zoom, argv[7], error)) {
      std::fprintf(stderr, "qv_preview: %s\n", error.c_str());
      return 1;
    }
    std::printf("%s\n", argv[7]);
  }
  return 0;
}
