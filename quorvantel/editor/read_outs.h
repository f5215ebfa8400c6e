// The observers that keep a row of controls in step: the depth knob feeding its range fader,
// and the read-outs that print a fader's band, a value, an LFO's rate and its skew's name.
#pragma once

#include <string>

#include "framework/parameter.h"
#include "gui/control.h"

namespace gui {
class IEditorSurface;
class IKnobStripControl;
class ITextControl;
}  // namespace gui

namespace quorvantel {

class IRangeFaderControl;

// What the LFO read-outs know of an LFO, as the plug-in last handed it to the editor thread.
struct LfoView {
  int shape = 0;  // LfoShape
  bool sync = false;
  int division = 0;  // row of the sync divisions
};

// Writes the band (a, b) of plain values as the read-out text.
using BandFormatter = std::string (*)(double a, double b);
// "%.2lf", or "%.2lf ~ %.2lf" for a band.
std::string FormatTwoDecimals(double a, double b);
// "%d" of the truncated value(s); the comparison is of the unrounded values.
std::string FormatInteger(double a, double b);
// "C" at the centre, else "N%L" or "N%R" (N = distance from the centre in percent).
std::string FormatPan(double a, double b);
// The input channel a Source value makes grains read: "C" at the centre, else "N%R" towards 0
// (the right input) or "N%L" towards 1 (the left input).
std::string FormatSource(double a, double b);
// The same with mid/side coding on, where 0 reads the side signal and 1 the mid: "N%S", "N%M".
std::string FormatSourceMidSide(double a, double b);

// Observers are built and updated on the editor thread; each watched control notifies them
// during the tick, before the redraw decision.

// Feeds the depth knob into its fader: SetDepth, then the fader is redrawn (not sent).
class RangeFaderGroup : public gui::IObserverInterface {
 public:
  RangeFaderGroup(gui::IKnobStripControl* depthKnob, IRangeFaderControl* fader);
  ~RangeFaderGroup() override;
  void Update() override;

 private:
  gui::IKnobStripControl* depthKnob_;
  IRangeFaderControl* fader_;
};

// Prints the fader's band as its parameter's plain values.
class RangeFaderReadOut : public gui::IObserverInterface {
 public:
  RangeFaderReadOut(gui::IEditorSurface& surface, const gui::Rect& rect,
                    const gui::TextStyle& style, IRangeFaderControl* fader);
  ~RangeFaderReadOut() override;
  void Update() override;
  void SetFormatter(BandFormatter formatter) { formatter_ = formatter; }
  // While the switch is on (value above 0.5), prints with whenOn instead; follows the switch.
  void FollowSwitch(gui::IControl* modeSwitch, BandFormatter whenOn);
  gui::ITextControl* Text() const { return text_; }

 private:
  IRangeFaderControl* fader_;
  gui::ITextControl* text_;
  const framework::ParameterDefinition* parameter_;
  BandFormatter formatter_ = FormatTwoDecimals;
  gui::IControl* modeSwitch_ = nullptr;
  BandFormatter whenOn_ = nullptr;
};

// "%.2f" of the watched control's parameter; grayed and hidden with the control.
class ValueReadOut : public gui::IObserverInterface {
 public:
  ValueReadOut(gui::IEditorSurface& surface, const gui::Rect& rect, const gui::TextStyle& style,
               gui::IControl* control);
  ~ValueReadOut() override;
  void Update() override;
  gui::ITextControl* Text() const { return text_; }

 private:
  gui::IEditorSurface& surface_;
  gui::IControl* control_;
  gui::ITextControl* text_;
};

// "%.2f Hz" of the rate, or the sync division's label while the LFO is synced.
class LfoRateReadOut : public gui::IObserverInterface {
 public:
  LfoRateReadOut(const LfoView& lfo, gui::IEditorSurface& surface, const gui::Rect& rect,
                 const gui::TextStyle& style, gui::IControl* rateKnob, gui::IControl* syncSwitch);
  ~LfoRateReadOut() override;
  void Update() override;
  gui::ITextControl* Text() const { return text_; }

 private:
  const LfoView& lfo_;
  gui::IEditorSurface& surface_;
  gui::IControl* rateKnob_;
  gui::IControl* syncSwitch_;
  gui::ITextControl* text_;
};

// Names the skew for the LFO's shape and shows the skew knob, or hides both for a shape
// without skew.
class LfoSkewLabelReadOut : public gui::IObserverInterface {
 public:
  LfoSkewLabelReadOut(const LfoView& lfo, gui::IEditorSurface& surface, const gui::Rect& rect,
                      const gui::TextStyle& style, gui::IControl* shapeControl,
                      gui::IControl* skewKnob);
  ~LfoSkewLabelReadOut() override;
  void Update() override;
  gui::ITextControl* Text() const { return text_; }

 private:
  const LfoView& lfo_;
  gui::IControl* shapeControl_;
  gui::IControl* skewKnob_;
  gui::ITextControl* text_;
};

}  // namespace quorvantel
