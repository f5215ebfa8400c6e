// The editor's layout tables, one row per line.
#include "quorvantel/editor/layout_tables.h"

namespace quorvantel {

using namespace gui;

// clang-format off
const EnvelopeRow kEnvelopeRows[kEnvelopeRowCount] = {
  // shape                      text       skew                        knob       canvas
    {EnvelopeShapeParameter(0), 360, 25,   EnvelopeSkewParameter(0),   430, 40,   360, 40},
    {EnvelopeShapeParameter(1), 360, 75,   EnvelopeSkewParameter(1),   430, 90,   360, 90},
    {EnvelopeShapeParameter(2), 360, 125,  EnvelopeSkewParameter(2),   430, 140,  360, 140},
    {EnvelopeShapeParameter(3), 360, 175,  EnvelopeSkewParameter(3),   430, 190,  360, 190},
};

const ModulatedRow kModulatedRows[kModulatedRowCount] = {
  // value                 fader      x2   formatter          with Mid/Side on
    {kParamLength,         70,  30,   150, FormatTwoDecimals, nullptr},
    {kParamOnset,          70,  75,   150, FormatTwoDecimals, nullptr},
    {kParamSource,         70,  120,  150, FormatSource,      FormatSourceMidSide},
    {kParamEnvelopeSelect, 70,  165,  150, FormatInteger,     nullptr},
    {kParamPan,            70,  210,  150, FormatPan,         nullptr},
    {kParamDir,            70,  255,  150, FormatTwoDecimals, nullptr},
    {kParamPitch,          70,  300,  150, FormatTwoDecimals, nullptr},
    {kParamSpeed,          70,  345,  150, FormatTwoDecimals, nullptr},
    {kParamDelay,          70,  390,  150, FormatTwoDecimals, nullptr},
    {kParamFeedback,       70,  435,  150, FormatTwoDecimals, nullptr},
    {kParamFeedbackApply,  70,  480,  150, FormatTwoDecimals, nullptr},
    {kParamAmplitude,      70,  525,  150, FormatTwoDecimals, nullptr},
    {kParamFreeze,         370, 525,  450, FormatTwoDecimals, nullptr},
    {kParamBufferLength,   370, 480,  450, FormatTwoDecimals, nullptr},
    {kParamScanRate,       370, 435,  450, FormatTwoDecimals, nullptr},
};

const LabelRow kLabels[kLabelCount] = {
    {{700, 562, 740, 578}, kAlignRight, "Version 0.3"},
    {{180, 10, 220, 26},   kAlignRight, "Value"},
    {{220, 10, 260, 26},   kAlignRight, "Depth"},
    {{550, 10, 590, 26},   kAlignLeft,  "Shape"},
    {{615, 10, 655, 26},   kAlignLeft,  "Rate"},
    {{700, 10, 740, 26},   kAlignLeft,  "Skew"},
    {{376, 318, 416, 334}, kAlignLeft,  "Mid/Side"},
    {{360, 240, 400, 256}, kAlignLeft,  "Dry Gain"},
    {{440, 240, 480, 256}, kAlignLeft,  "Wet Gain"},
    {{10, 30, 50, 46},     kAlignRight, "Length"},
    {{10, 75, 50, 91},     kAlignRight, "Onset"},
    {{10, 120, 50, 136},   kAlignRight, "Source"},
    {{10, 165, 50, 181},   kAlignRight, "Env #"},
    {{10, 210, 50, 226},   kAlignRight, "Pan"},
    {{10, 255, 50, 271},   kAlignRight, "Dir"},
    {{10, 300, 50, 316},   kAlignRight, "Pitch"},
    {{10, 345, 50, 361},   kAlignRight, "Speed"},
    {{10, 390, 50, 406},   kAlignRight, "Delay"},
    {{10, 435, 50, 451},   kAlignRight, "Fdbk"},
    {{10, 480, 50, 496},   kAlignRight, "FB %"},
    {{10, 525, 50, 541},   kAlignRight, "Ampl"},
    {{310, 525, 350, 541}, kAlignRight, "Freeze"},
    {{310, 480, 350, 496}, kAlignRight, "Buf Len"},
    {{310, 435, 350, 451}, kAlignRight, "Scan Rate"},
    {{430, 10, 470, 26},   kAlignRight, "Env Skew"},
    {{120, 399, 160, 415}, kAlignRight, "Delay Sync"},
    {{380, 355, 420, 371}, kAlignRight, "Grains/Sec"},
    {{380, 375, 420, 391}, kAlignRight, "Density"},
    {{500, 10, 540, 26},   kAlignRight, "LFO#"},
    {{500, 45, 540, 61},   kAlignRight, "1"},
    {{500, 90, 540, 106},  kAlignRight, "2"},
    {{500, 135, 540, 151}, kAlignRight, "3"},
    {{500, 180, 540, 196}, kAlignRight, "4"},
    {{500, 225, 540, 241}, kAlignRight, "5"},
    {{500, 270, 540, 286}, kAlignRight, "6"},
    {{500, 315, 540, 331}, kAlignRight, "7"},
    {{500, 360, 540, 376}, kAlignRight, "8"},
};

const LabelRow kExtraLabels[kExtraLabelCount] = {
    {{662, 57, 698, 73},   kAlignLeft,  "sync"},
    {{662, 102, 698, 118}, kAlignLeft,  "sync"},
    {{662, 147, 698, 163}, kAlignLeft,  "sync"},
    {{662, 192, 698, 208}, kAlignLeft,  "sync"},
    {{662, 237, 698, 253}, kAlignLeft,  "sync"},
    {{662, 282, 698, 298}, kAlignLeft,  "sync"},
    {{662, 327, 698, 343}, kAlignLeft,  "sync"},
    {{662, 372, 698, 388}, kAlignLeft,  "sync"},
    {{462, 45, 488, 61},   kAlignLeft,  "#1"},
    {{462, 95, 488, 111},  kAlignLeft,  "#2"},
    {{462, 145, 488, 161}, kAlignLeft,  "#3"},
    {{462, 195, 488, 211}, kAlignLeft,  "#4"},
};
// clang-format on

LfoRow LfoRowAt(int n) {
  const int lfo = n - 1;
  return LfoRow{LfoParameter(lfo, 0), LfoParameter(lfo, 1), LfoParameter(lfo, 2),
                LfoParameter(lfo, 3), 45 * n};
}

}  // namespace quorvantel
