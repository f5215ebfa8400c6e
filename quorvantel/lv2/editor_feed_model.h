// What the plug-in hands its editor besides parameter values (envelope tables, LFO shapes, sync
// and divisions, which LFOs are grayed, the statistics), worked out in the LV2 UI from the port
// values alone, by the same engine and modulation code the plug-in applies them with. The UI
// reaches the plug-in through the host's ports only, so this is how its editor gets the feed.
#pragma once

#include "engine/envelope_window.h"
#include "modulation/lfo_bank.h"
#include "modulation/mod_routing.h"
#include "quorvantel/editor/editor_feed.h"

namespace quorvantel {

class EditorFeedModel {
 public:
  // Publishes a fresh instance's tables and LFO states into feed, which must outlive the model.
  explicit EditorFeedModel(EditorFeed& feed);

  // A parameter (0 .. 88) holds plain value now, as the plug-in applies it: envelope shapes
  // truncated (a new shape starts at skew 0.5 until the skew is set again), LFO settings as the
  // bank takes them, and a source change re-greys the LFOs. One thread at a time (the UI's
  // lock); the editor reads the feed on its own thread meanwhile.
  void Apply(int index, double plain);
  // A read-out port's value (Lv2ReadOut order); both statistics are handed over together.
  void ReadOut(int which, float value);

 private:
  void PublishLfo(int lfo);

  EditorFeed& feed_;
  engine::EnvelopeSlot envelopes_[engine::kEnvelopeSlotCount];
  modulation::LfoBank lfos_;  // only its settings are used; it never ticks
  int sources_[modulation::kModulatedSettingCount] = {};
  int statistics_[2] = {};
};

}  // namespace quorvantel
