// A VST 2 plug-in through the format-neutral interface.
#include "host/lib/vst2_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qvhost {

namespace {

std::string FourChars(std::int32_t id) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
    text += c >= 32 && c < 127 ? c : '?';
  }
  return text;
}

}  // namespace

Vst2Plugin::Vst2Plugin(std::unique_ptr<PluginHost> host)
    : owned_(std::move(host)), host_(owned_.get()) {}

Vst2Plugin::Vst2Plugin(PluginHost& host) : host_(&host) {}

const PluginInfo& Vst2Plugin::Info() const {
  if (infoRead_) return info_;
  const vst2::AEffect& e = *host_->Effect();
  PluginInfo& i = info_;
  i.format = PluginFormat::kVst2;
  i.name = host_->EffectName();
  i.vendor = host_->VendorString();
  i.product = host_->ProductString();
  i.id = FourChars(e.uniqueID);
  i.versionNumber = e.version;
  i.version = std::to_string(e.version / 10000) + "." + std::to_string(e.version / 100 % 100) +
              "." + std::to_string(e.version % 100);
  i.presetId = e.uniqueID;
  i.inputs = std::max(0, e.numInputs);
  i.outputs = std::max(0, e.numOutputs);
  i.parameters = std::max(0, e.numParams);
  i.programs = std::max(0, e.numPrograms);
  i.latency = e.initialDelay;
  i.hasEditor = (e.flags & vst2::kFlagHasEditor) != 0;
  i.canDouble = (e.flags & vst2::kFlagCanDoubleReplacing) != 0;
  i.prefersChunks = (e.flags & vst2::kFlagProgramChunks) != 0;
  i.instrument = host_->Dispatch(vst2::kEffectGetPlugCategory) == 2;
  infoRead_ = true;
  return info_;
}

std::string Vst2Plugin::ProgramNameIndexed(int program, bool* answered) {
  vst2::intptr result = 0;
  std::string name = host_->ProgramNameIndexed(program, &result);
  if (answered != nullptr) *answered = result != 0;
  return name;
}

void Vst2Plugin::SetActive(bool on) {
  host_->SetActive(on);
  // The time record belongs to a run of blocks.
  if (!on) host_->Script().timeInfo.reset();
}

vst2::VstTimeInfo Vst2Plugin::TimeRecord(const Transport& s, int offset) {
  vst2::VstTimeInfo t{};
  t.samplePos = static_cast<double>(s.samplePos + offset);
  t.sampleRate = s.sampleRate;
  t.ppqPos = t.samplePos / s.sampleRate * s.tempo / 60.0;
  t.tempo = s.tempo;
  const double quartersPerBar = 4.0 * s.numerator / s.denominator;
  t.barStartPos = std::floor(t.ppqPos / quartersPerBar) * quartersPerBar;
  t.timeSigNumerator = s.numerator;
  t.timeSigDenominator = s.denominator;
  t.flags = vst2::kPpqPosValid | vst2::kTempoValid | vst2::kBarsValid | vst2::kTimeSigValid;
  if (s.playing) t.flags |= vst2::kTransportPlaying;
  if (s.changed && offset == 0) t.flags |= vst2::kTransportChanged;
  return t;
}

template <typename Piece>
void Vst2Plugin::InPieces(int frames, std::span<const ParamChange> changes,
                          const Transport* transport, Piece&& piece) {
  std::size_t next = 0;
  for (int done = 0; done < frames;) {
    for (; next < changes.size() && changes[next].offset <= done; ++next) {
      if (changes[next].index >= 0) host_->SetParameter(changes[next].index, changes[next].normalized);
    }
    const int end = next < changes.size() ? std::min(changes[next].offset, frames) : frames;
    if (transport != nullptr) host_->Script().timeInfo = TimeRecord(*transport, done);
    piece(done, end - done);
    // The callback record would otherwise grow with every block.
    host_->ClearCalls();
    done = end;
  }
  for (; next < changes.size(); ++next) {
    if (changes[next].index >= 0) host_->SetParameter(changes[next].index, changes[next].normalized);
  }
}

void Vst2Plugin::Process(float** inputs, float** outputs, int frames,
                         std::span<const ParamChange> changes, const Transport* transport) {
  const Transport* none = nullptr;
  if (transport == none) host_->Script().timeInfo.reset();
  const int numIn = Info().inputs, numOut = Info().outputs;
  const bool replacing = (host_->Effect()->flags & vst2::kFlagCanReplacing) != 0;
  std::vector<float*> in(static_cast<std::size_t>(numIn) + 1, nullptr);
  std::vector<float*> out(static_cast<std::size_t>(numOut) + 1, nullptr);
  InPieces(frames, changes, transport, [&](int offset, int n) {
    for (int c = 0; c < numIn; ++c) in[c] = inputs[c] + offset;
    for (int c = 0; c < numOut; ++c) out[c] = outputs[c] + offset;
    if (replacing) {
      host_->ProcessReplacing(in.data(), out.data(), n);
    } else {
      // The old accumulating path adds to what the buffers hold.
      for (int c = 0; c < numOut; ++c) std::fill_n(out[c], n, 0.0f);
      host_->ProcessAccumulating(in.data(), out.data(), n);
    }
  });
}

void Vst2Plugin::ProcessDouble(double** inputs, double** outputs, int frames,
                               std::span<const ParamChange> changes, const Transport* transport) {
  if (transport == nullptr) host_->Script().timeInfo.reset();
  const int numIn = Info().inputs, numOut = Info().outputs;
  std::vector<double*> in(static_cast<std::size_t>(numIn) + 1, nullptr);
  std::vector<double*> out(static_cast<std::size_t>(numOut) + 1, nullptr);
  InPieces(frames, changes, transport, [&](int offset, int n) {
    for (int c = 0; c < numIn; ++c) in[c] = inputs[c] + offset;
    for (int c = 0; c < numOut; ++c) out[c] = outputs[c] + offset;
    host_->ProcessDouble(in.data(), out.data(), n);
  });
}

void Vst2Plugin::EditorSize(int* width, int* height) {
  vst2::ERect* rect = nullptr;
  if (host_->Dispatch(vst2::kEffectEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) return;
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  if (w > 0 && h > 0 && w <= 8192 && h <= 8192) *width = w, *height = h;
}

bool Vst2Plugin::OpenEditor(std::uint32_t parentWindow) {
  const auto parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parentWindow));
  editorOpen_ = host_->Dispatch(vst2::kEffectEditOpen, 0, 0, parent) != 0;
  return editorOpen_;
}

void Vst2Plugin::Idle() {
  if (editorOpen_) host_->Dispatch(vst2::kEffectEditIdle);
}

void Vst2Plugin::CloseEditor() {
  if (!editorOpen_) return;
  host_->Dispatch(vst2::kEffectEditClose);
  editorOpen_ = false;
}

}  // namespace qvhost
