// The observers that keep a row of controls in step: the depth knob feeding its range fader,
// and the read-outs that print a fader's band, a value, an LFO's rate and its skew's name.
#pragma once

#include <string>

#include "editor/control.h"

class Parameter;

namespace editor {

class IEditorSurface;
class IKnobStripControl;
class IRangeFaderControl;
class ITextControl;

// What the LFO read-outs know of an LFO, as the plug-in last handed it to the editor thread.
struct LfoView {
  int shape = 0;  // LfoShape 0..6
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
class RangeFaderGroup : public IObserverInterface {
 public:
  RangeFaderGroup(IKnobStripControl* depthKnob, IRangeFaderControl* fader);
  ~RangeFaderGroup() override;
  void Update() override;

 private:
  IKnobStripControl* depthKnob_;
  IRangeFaderControl* fader_;
};

// Prints the fader's band as its parameter's plain values.
class RangeFaderReadOut : public IObserverInterface {
 public:
  RangeFaderReadOut(IEffectBase* plugin, IEditorSurface& surface, const Rect& rect,
                    const TextStyle& style, IRangeFaderControl* fader);
  ~RangeFaderReadOut() override;
  void Update() override;
  void SetFormatter(BandFormatter formatter) { formatter_ = formatter; }
  // While the switch is on (value above 0.5), prints with whenOn instead; follows the switch.
  void FollowSwitch(IControl* modeSwitch, BandFormatter whenOn);
  ITextControl* Text() const { return text_; }

 private:
  IRangeFaderControl* fader_;
  ITextControl* text_;
  const Parameter* parameter_;
  BandFormatter formatter_ = FormatTwoDecimals;
  IControl* modeSwitch_ = nullptr;
  BandFormatter whenOn_ = nullptr;
};

// "%.2f" of the watched control's parameter; grayed and hidden with the control.
class ValueReadOut : public IObserverInterface {
 public:
  ValueReadOut(IEffectBase* plugin, IEditorSurface& surface, const Rect& rect,
               const TextStyle& style, IControl* control);
  ~ValueReadOut() override;
  void Update() override;
  ITextControl* Text() const { return text_; }

 private:
  IEditorSurface& surface_;
  IControl* control_;
  ITextControl* text_;
};

// "%.2f Hz" of the rate, or the sync division's label while the LFO is synced.
class LfoRateReadOut : public IObserverInterface {
 public:
  LfoRateReadOut(const LfoView& lfo, IEffectBase* plugin, IEditorSurface& surface, const Rect& rect,
                 const TextStyle& style, IControl* rateKnob, IControl* syncSwitch);
  ~LfoRateReadOut() override;
  void Update() override;
  ITextControl* Text() const { return text_; }

 private:
  const LfoView& lfo_;
  IEditorSurface& surface_;
  IControl* rateKnob_;
  IControl* syncSwitch_;
  ITextControl* text_;
};

// Names the skew for the LFO's shape and shows the skew knob, or hides both for a shape
// without skew.
class LfoSkewLabelReadOut : public IObserverInterface {
 public:
  LfoSkewLabelReadOut(const LfoView& lfo, IEffectBase* plugin, IEditorSurface& surface,
                      const Rect& rect, const TextStyle& style, IControl* shapeControl,
                      IControl* skewKnob);
  ~LfoSkewLabelReadOut() override;
  void Update() override;
  ITextControl* Text() const { return text_; }

 private:
  const LfoView& lfo_;
  IControl* shapeControl_;
  IControl* skewKnob_;
  ITextControl* text_;
};

}  // namespace editor
