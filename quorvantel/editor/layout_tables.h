// The editor's layout data: the envelope rows, the modulated-parameter rows, the LFO rows and
// the labels, with parameter indices and pixel positions. The builder (quorvantel_editor.cpp)
// makes one row of controls per entry.
#pragma once

#include "editor/read_outs.h"
#include "editor/records.h"

namespace editor {

struct EnvelopeRow {
  int shapeParameter;  // "Envelope"
  int textX, textY;    // shape text
  int skewParameter;   // "Env Skew"
  int knobX, knobY;    // skew knob
  int canvasX, canvasY;
};
constexpr int kEnvelopeRowCount = 4;
extern const EnvelopeRow kEnvelopeRows[kEnvelopeRowCount];

// Fader at (faderX, faderY); depth knob at (x2 + 80, faderY); source text at (x2 + 110, faderY).
struct ModulatedRow {
  int value, source, depth;  // parameter indices
  int faderX, faderY;
  int x2;
  BandFormatter formatter;
  BandFormatter midSideFormatter;  // with "MidSide" on, when the text depends on it; else null
};
constexpr int kModulatedRowCount = 15;
extern const ModulatedRow kModulatedRows[kModulatedRowCount];

// LFO n (1..8) sits at y = 45 n; its "Shape%d", "Rate%d", "Sync%d", "Skew%d" parameters are
// 50 + 4n .. 53 + 4n.
constexpr int kLfoRowCount = 8;
struct LfoRow {
  int shape, rate, sync, skew;  // parameter indices
  int y;
};
LfoRow LfoRowAt(int n);

struct LabelRow {
  Rect rect;
  TextAlignment alignment;
  const char* text;
};
// The fixed labels, then "1" .. "8" beside the LFO rows: 37 in all.
constexpr int kLabelCount = 37;
extern const LabelRow kLabels[kLabelCount];

// Labels added after the fixed layout where it leaves room, clear of every control: "sync" to
// the right of each LFO's sync switch, and "#1" .. "#4" to the right of each envelope slot's
// skew knob (the numbers the "Env #" row picks).
constexpr int kExtraLabelCount = 12;
extern const LabelRow kExtraLabels[kExtraLabelCount];

// The statistics texts beside "Grains/Sec" and "Density".
constexpr Rect kGrainRateRect{440, 355, 470, 375};
constexpr Rect kGrainDensityRect{440, 375, 470, 395};

}  // namespace editor
