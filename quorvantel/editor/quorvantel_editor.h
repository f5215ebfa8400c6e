// The effect's editor: builds the 174 controls of the 800 × 600 layout in drawing order (and
// after them a few labels where the layout leaves room) and, on
// every tick, takes over what the effect handed to it (statistics, greying, LFO states, envelope
// tables).
#pragma once

#include <cstdint>

#include "framework/editor_link.h"
#include "gui/editor_surface.h"
#include "gui/observer_array.h"
#include "modulation/lfo_bank.h"
#include "quorvantel/editor/editor_feed.h"
#include "quorvantel/editor/layout_tables.h"
#include "quorvantel/editor/read_outs.h"

namespace quorvantel {

class IEnvelopeCanvas;

// The four controls of an LFO that are grayed while no modulation source selects it.
enum LfoControl : int { kLfoShapeText = 0, kLfoRateKnob, kLfoSyncSwitch, kLfoSkewKnob };
constexpr int kLfoControlCount = 4;

class QuorvantelEditor : public gui::IEditorSurface {
 public:
  static constexpr int kLayoutControlCount = 174;
  static constexpr int kControlCount = kLayoutControlCount + kExtraLabelCount;

  // Constructing thread. link and feed must outlive the editor.
  QuorvantelEditor(framework::IEditorLink& link, const EditorFeed& feed);
  // Closes the window first: its thread may be in a tick that reaches this class's members.
  ~QuorvantelEditor() override;

  // Handles for tests and tools; editor thread.
  gui::IControl* LfoControlAt(int lfo, LfoControl which) const { return lfoControls_[lfo][which]; }
  gui::ITextControl* GrainRateReadOut() const { return grainRate_; }
  gui::ITextControl* GrainDensityReadOut() const { return grainDensity_; }
  const gui::ObserverArray& Observers() const { return observers_; }

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
  gui::IControl* AddKnob(int x, int y, int parameter);
  gui::IControl* AddSwitch(int x, int y, int parameter);

  const EditorFeed& feed_;
  gui::BitmapRef knob_;
  gui::BitmapRef switch_;
  gui::TextStyle text_;
  gui::ObserverArray observers_;

  double envelopeTables_[engine::kEnvelopeSlotCount][engine::kWindowSize] = {};  // display copies
  std::uint32_t envelopeSeen_[engine::kEnvelopeSlotCount] = {};
  IEnvelopeCanvas* canvases_[engine::kEnvelopeSlotCount] = {};

  gui::IControl* midSide_ = nullptr;  // the Source read-out follows it
  LfoView lfoViews_[modulation::kLfoCount];
  gui::IControl* lfoControls_[modulation::kLfoCount][kLfoControlCount] = {};
  gui::ITextControl* syncLabels_[modulation::kLfoCount] = {};
  gui::ITextControl* grainRate_ = nullptr;
  gui::ITextControl* grainDensity_ = nullptr;
  std::uint32_t statisticsSeen_ = 0;
  std::uint32_t greyingSeen_ = 0;
};

}  // namespace quorvantel
