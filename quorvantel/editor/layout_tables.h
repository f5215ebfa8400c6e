// The editor's layout data: the envelope rows, the modulated-parameter rows, the LFO rows and
// the labels, with parameter indices and pixel positions. The builder (quorvantel_editor.cpp)
// makes one row of controls per entry.
#pragma once

#include "engine/envelope_window.h"
#include "gui/records.h"
#include "modulation/lfo_bank.h"
#include "modulation/mod_routing.h"
#include "quorvantel/editor/read_outs.h"
#include "quorvantel/parameters/parameter_table.h"

namespace quorvantel {

struct EnvelopeRow {
  int shapeParameter;  // "Envelope"
  int textX, textY;    // shape text
  int skewParameter;   // "Env Skew"
  int knobX, knobY;    // skew knob
  int canvasX, canvasY;
};
constexpr int kEnvelopeRowCount = engine::kEnvelopeSlotCount;
extern const EnvelopeRow kEnvelopeRows[kEnvelopeRowCount];

// Fader at (faderX, faderY); depth knob at (x2 + 80, faderY); source text at (x2 + 110, faderY).
// The depth knob and the source text are bound to the setting's "Dpth" and "Mod" parameters.
struct ModulatedRow {
  int value;  // the setting's value parameter
  int faderX, faderY;
  int x2;
  BandFormatter formatter;
  BandFormatter midSideFormatter;  // with "MidSide" on, when the text depends on it; else null
};
constexpr int kModulatedRowCount = modulation::kModulatedSettingCount;
extern const ModulatedRow kModulatedRows[kModulatedRowCount];

// LFO n (1..8) sits at y = 45 n, with the "Shape%d", "Rate%d", "Sync%d" and "Skew%d"
// parameters of LFO n.
constexpr int kLfoRowCount = modulation::kLfoCount;
struct LfoRow {
  int shape, rate, sync, skew;  // parameter indices
  int y;
};
LfoRow LfoRowAt(int n);

struct LabelRow {
  gui::Rect rect;
  gui::TextAlignment alignment;
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
constexpr gui::Rect kGrainRateRect{440, 355, 470, 375};
constexpr gui::Rect kGrainDensityRect{440, 375, 470, 395};

}  // namespace quorvantel
