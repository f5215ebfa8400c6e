// What quorvantel-host's commands ask of a loaded plug-in, whatever its format: identity,
// parameters as normalised values with their display texts, programs, state, processing with
// parameter changes at exact frames, and the editor. Vst2Plugin and ClapPluginHost implement it.
// Members are called on the owner's (main) thread, except Process and ProcessDouble, which may
// run on one other thread that the caller keeps apart from the calls that change processing
// (SetSampleRate, SetBlockSize, SetActive).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qvhost {

class PluginHost;
class ClapPluginHost;

enum class PluginFormat { kVst2, kClap };

struct PluginInfo {
  PluginFormat format = PluginFormat::kVst2;
  std::string name;
  std::string vendor;
  std::string product;  // VST 2 only
  std::string id;       // VST 2: the four characters of the unique id; CLAP: the plug-in id
  std::string version;  // "1.0.0"
  // The version as VST 2 hosts show it: 10000 for 1.0.0.
  std::int32_t versionNumber = 0;
  // What preset files (.fxp, .fxb) name the plug-in by: the VST 2 unique id; for CLAP one the
  // caller may give (the same plug-in's VST 2 id), else a hash of the id.
  std::int32_t presetId = 0;
  int inputs = 0;
  int outputs = 0;
  int parameters = 0;
  int programs = 0;  // CLAP has none
  int latency = 0;
  bool hasEditor = false;
  bool canDouble = false;
  bool prefersChunks = false;  // state as an opaque chunk rather than parameter values
  bool instrument = false;
};

// A parameter change at frame `offset` of a block (offsets never decrease). An index below 0
// changes nothing: the block is only split there (formats that take changes between calls cut
// their calls at every offset given).
struct ParamChange {
  int offset = 0;
  int index = -1;
  float normalized = 0.0f;
};

// Where the host's transport stands at the first frame of a block.
struct Transport {
  std::int64_t samplePos = 0;
  double sampleRate = 44100.0;
  double tempo = 120.0;  // beats per minute
  int numerator = 4;
  int denominator = 4;
  bool playing = true;
  bool changed = false;  // the transport just started or moved
};

class IPlugin {
 public:
  virtual ~IPlugin() = default;

  virtual const PluginInfo& Info() const = 0;

  // Parameters, by index 0 .. Info().parameters - 1. Values are normalised 0 .. 1; for a CLAP
  // plug-in the host maps them onto the plain range (see ClapPluginHost::SetValueMapping).
  virtual std::string ParamName(int index) = 0;
  virtual std::string ParamLabel(int index) = 0;  // the unit, when the format keeps it apart
  virtual std::string ParamDisplay(int index) = 0;
  // The display text at normalised value x without changing the parameter; *supported false
  // when the plug-in cannot say (the caller then sets the value and reads the display).
  virtual std::string DisplayOfNormalized(int index, float x, bool* supported = nullptr) = 0;
  virtual float GetParameter(int index) = 0;
  virtual void SetParameter(int index, float normalized) = 0;

  // Programs (none in CLAP: the calls do nothing and answer nothing).
  virtual int GetProgram() = 0;
  virtual void SetProgram(int program) = 0;
  virtual std::string ProgramName() = 0;
  virtual void SetProgramName(const std::string& name) = 0;
  // *answered: whether the plug-in gave a name.
  virtual std::string ProgramNameIndexed(int program, bool* answered = nullptr) = 0;

  // The state as the plug-in saves it (program: the current program only, where the format
  // tells them apart); empty when it gives none. SetChunk answers whether it was taken.
  virtual std::vector<std::uint8_t> GetChunk(bool program) = 0;
  virtual bool SetChunk(const std::vector<std::uint8_t>& bytes, bool program) = 0;

  // Processing settings, while inactive; SetActive(true) starts processing with them.
  virtual void SetSampleRate(double rate) = 0;
  virtual void SetBlockSize(int frames) = 0;
  virtual void SetActive(bool on) = 0;
  // One block: one pointer per channel (Info().inputs and outputs), output overwritten. changes
  // take effect at their frames; transport null: the host has none to give.
  virtual void Process(float** inputs, float** outputs, int frames,
                       std::span<const ParamChange> changes, const Transport* transport) = 0;
  virtual void ProcessDouble(double** inputs, double** outputs, int frames,
                             std::span<const ParamChange> changes,
                             const Transport* transport) = 0;

  // The editor: its size (0 when unknown), opened into the host's window (X11 Window id or
  // HWND), kept alive by Idle from the window's loop, closed.
  virtual void EditorSize(int* width, int* height) = 0;
  virtual bool OpenEditor(std::uint32_t parentWindow) = 0;
  virtual void Idle() = 0;
  virtual void CloseEditor() = 0;

  // The format's own host, for what only it knows; null for the other format.
  virtual PluginHost* Vst2() { return nullptr; }
  virtual ClapPluginHost* Clap() { return nullptr; }
};

}  // namespace qvhost

namespace qvhost {

// Whether path names a CLAP module (it ends in ".clap", in any case).
bool IsClapPath(const std::string& path);

// Loads and opens the plug-in at path, as a host does before using it: a CLAP module (see
// IsClapPath; pluginId picks one of several, empty the first) or a VST 2 module (pluginId must be
// empty). Null with a one-line reason in *error on failure. Main thread.
std::unique_ptr<IPlugin> LoadPlugin(const std::string& path, const std::string& pluginId,
                                    std::string* error);

}  // namespace qvhost
