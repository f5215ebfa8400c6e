// The effect's editor: builds the 174 controls of the 800 × 600 layout in drawing order (and
// after them a few labels where the layout leaves room) and, on
// every tick, takes over what the effect handed to it (statistics, greying, LFO states, envelope
// tables).
#pragma once

#include <cstdint>

#include "editor/editor_feed.h"
#include "editor/editor_surface.h"
#include "editor/layout_tables.h"
#include "editor/observer_array.h"
#include "editor/read_outs.h"

namespace editor {

class IEnvelopeCanvas;
class ITextControl;

// The four controls of an LFO that are grayed while no modulation source selects it.
enum LfoControl : int { kLfoShapeText = 0, kLfoRateKnob, kLfoSyncSwitch, kLfoSkewKnob };

class QuorvantelEditor : public IEditorSurface {
 public:
  static constexpr int kLayoutControlCount = 174;
  static constexpr int kControlCount = kLayoutControlCount + kExtraLabelCount;

  // Constructing thread. feed must outlive the editor.
  QuorvantelEditor(IEffectBase* plugin, const EditorFeed& feed);
  // Closes the window first: its thread may be in a tick that reaches this class's members.
  ~QuorvantelEditor() override;

  // Handles for tests and tools; editor thread.
  IControl* LfoControlAt(int lfo, LfoControl which) const { return lfoControls_[lfo][which]; }
  ITextControl* GrainRateReadOut() const { return grainRate_; }
  ITextControl* GrainDensityReadOut() const { return grainDensity_; }
  const ObserverArray& Observers() const { return observers_; }

  // Editor thread: the read-outs' own forms too ("C", "30%L", "1/4"; see value_texts.h).
  bool ValueFromText(int index, const std::string& text, double* plain) const override;

 protected:
  void TakeHandOvers() override;
  // The value as the read-outs show it, with its unit: "Length 84.8 ms", "Pan 30%L", "Rate2 1/4".
  std::string HintFor(int index) const override;

 private:
  void BuildEnvelopeRows();
  void BuildMixSection();
  void BuildModulatedRows();
  void BuildLfoRows();
  void BuildLabels();
  IControl* AddKnob(int x, int y, int parameter);
  IControl* AddSwitch(int x, int y, int parameter);

  const EditorFeed& feed_;
  BitmapRef knob_;
  BitmapRef switch_;
  TextStyle text_;
  ObserverArray observers_;

  double envelopeTables_[kFeedEnvelopeCount][kFeedTableLength] = {};  // display copies
  std::uint32_t envelopeSeen_[kFeedEnvelopeCount] = {};
  IEnvelopeCanvas* canvases_[kFeedEnvelopeCount] = {};

  IControl* midSide_ = nullptr;  // the Source read-out follows it
  LfoView lfoViews_[kFeedLfoCount];
  IControl* lfoControls_[kFeedLfoCount][4] = {};
  ITextControl* syncLabels_[kFeedLfoCount] = {};
  ITextControl* grainRate_ = nullptr;
  ITextControl* grainDensity_ = nullptr;
  std::uint32_t statisticsSeen_ = 0;
  std::uint32_t greyingSeen_ = 0;
};

}  // namespace editor
