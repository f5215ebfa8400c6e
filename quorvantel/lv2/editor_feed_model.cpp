// The editor feed from parameter values.
#include "quorvantel/lv2/editor_feed_model.h"

#include <cmath>

#include "quorvantel/lv2/lv2_ports.h"
#include "quorvantel/parameters/parameter_table.h"

namespace quorvantel {

EditorFeedModel::EditorFeedModel(EditorFeed& feed) : feed_(feed) {
  for (int slot = 0; slot < engine::kEnvelopeSlotCount; ++slot)
    feed_.envelopes[slot].Publish(envelopes_[slot].table.data());
  for (int lfo = 0; lfo < modulation::kLfoCount; ++lfo) PublishLfo(lfo);
}

void EditorFeedModel::PublishLfo(int lfo) {
  const modulation::LfoSettings& settings = lfos_.Settings(lfo);
  EditorFeed::Lfo& view = feed_.lfos[lfo];
  view.shape.store(settings.shape, std::memory_order_relaxed);
  view.sync.store(settings.sync ? 1 : 0, std::memory_order_relaxed);
  view.division.store(settings.divisionIndex, std::memory_order_relaxed);
}

void EditorFeedModel::Apply(int index, double plain) {
  if (index < 0 || index >= kParameterCount || !std::isfinite(plain)) return;
  const ParameterTarget target = TargetOf(index);
  const int which = target.which;
  switch (target.input) {
    case EngineInput::kEnvelopeShape: {
      engine::EnvelopeSlot& slot = envelopes_[which];
      slot.shape = static_cast<int>(plain);
      slot.skew = 0.5f;
      engine::BuildWindow(slot);
      feed_.envelopes[which].Publish(slot.table.data());
      return;
    }
    case EngineInput::kEnvelopeSkew: {
      engine::EnvelopeSlot& slot = envelopes_[which];
      slot.skew = static_cast<float>(std::fmin(std::fmax(plain, 0.0), 1.0));
      engine::BuildWindow(slot);
      feed_.envelopes[which].Publish(slot.table.data());
      return;
    }
    case EngineInput::kLfoShape:
      lfos_.ApplyLfoParameter(modulation::LfoParam::kShape, which, plain);
      return PublishLfo(which);
    case EngineInput::kLfoRate:
      lfos_.ApplyLfoParameter(modulation::LfoParam::kRate, which, plain);
      return PublishLfo(which);
    case EngineInput::kLfoSync:
      lfos_.ApplyLfoParameter(modulation::LfoParam::kSync, which, plain);
      return PublishLfo(which);
    case EngineInput::kLfoSkew:
      lfos_.ApplyLfoParameter(modulation::LfoParam::kSkew, which, plain);
      return PublishLfo(which);
    case EngineInput::kSource: {
      sources_[which] = static_cast<int>(plain);
      std::uint32_t used = 0;
      for (const int lfo : sources_)
        if (lfo >= 0 && lfo < modulation::kLfoCount) used |= 1u << lfo;
      feed_.PublishGreying(~used & ((1u << modulation::kLfoCount) - 1));
      return;
    }
    default:
      return;
  }
}

void EditorFeedModel::ReadOut(int which, float value) {
  if (which < 0 || which >= kReadOutCount || !(value >= 0.0f && value < 2.0e9f)) return;
  statistics_[which] = static_cast<int>(value);
  feed_.PublishStatistics(statistics_[kReadOutGrainsPerSecond], statistics_[kReadOutDensity]);
}

}  // namespace quorvantel
