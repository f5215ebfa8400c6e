// A VST 2 plug-in behind the format-neutral IPlugin: the calls of PluginHost, parameter changes
// applied between cut process calls, the transport answered as the host time record.
#pragma once

#include <memory>

#include "host/lib/plugin.h"
#include "host/lib/plugin_host.h"

namespace qvhost {

class Vst2Plugin final : public IPlugin {
 public:
  // Takes an opened host.
  explicit Vst2Plugin(std::unique_ptr<PluginHost> host);
  // Borrows one that outlives this object.
  explicit Vst2Plugin(PluginHost& host);

  const PluginInfo& Info() const override;
  std::string ParamName(int index) override { return host_->ParamName(index); }
  std::string ParamLabel(int index) override { return host_->ParamLabel(index); }
  std::string ParamDisplay(int index) override { return host_->ParamDisplay(index); }
  std::string DisplayOfNormalized(int index, float x, bool* supported) override {
    return host_->DisplayOfNormalized(index, x, supported);
  }
  float GetParameter(int index) override { return host_->GetParameter(index); }
  void SetParameter(int index, float normalized) override {
    host_->SetParameter(index, normalized);
  }
  int GetProgram() override { return host_->GetProgram(); }
  void SetProgram(int program) override { host_->SetProgram(program); }
  std::string ProgramName() override { return host_->ProgramName(); }
  void SetProgramName(const std::string& name) override { host_->SetProgramName(name); }
  std::string ProgramNameIndexed(int program, bool* answered) override;
  std::vector<std::uint8_t> GetChunk(bool program) override { return host_->GetChunk(program); }
  bool SetChunk(const std::vector<std::uint8_t>& bytes, bool program) override {
    return host_->SetChunk(bytes, program) == 1;
  }
  void SetSampleRate(double rate) override { host_->SetSampleRate(rate); }
  void SetBlockSize(int frames) override { host_->SetBlockSize(frames); }
  void SetActive(bool on) override;
  void Process(float** inputs, float** outputs, int frames, std::span<const ParamChange> changes,
               const Transport* transport) override;
  void ProcessDouble(double** inputs, double** outputs, int frames,
                     std::span<const ParamChange> changes, const Transport* transport) override;
  void EditorSize(int* width, int* height) override;
  bool OpenEditor(std::uint32_t parentWindow) override;
  void Idle() override;
  void CloseEditor() override;
  PluginHost* Vst2() override { return host_; }

  // The host time record for a piece starting offset frames into a block with this transport.
  static vst2::VstTimeInfo TimeRecord(const Transport& transport, int offset);

 private:
  // Cuts the block at every change's offset; before each piece the changes at its first frame
  // are set and the time record of its first frame is answered, then `piece` (offset, frames)
  // processes it.
  template <typename Piece>
  void InPieces(int frames, std::span<const ParamChange> changes, const Transport* transport,
                Piece&& piece);

  std::unique_ptr<PluginHost> owned_;
  PluginHost* host_;
  mutable PluginInfo info_;
  mutable bool infoRead_ = false;
  bool editorOpen_ = false;
};

}  // namespace qvhost
