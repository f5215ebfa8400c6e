// The host library's CLAP host: loads a .clap module through its clap_entry (or a plug-in linked
// into this program), makes one plug-in with the factory, answers as a host (thread check, log,
// parameter flush requests, state, editor) and drives it as quorvantel-host's commands need
// (IPlugin), keeping to the format's thread rules: the owner's thread is the main thread, and a
// thread is the audio thread only while it runs an audio-thread call (one at a time). The raw
// records stay reachable for tests that check the plug-in against the format.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"
#include "host/lib/plugin.h"

namespace qvhost {

struct ClapLogEntry {
  std::int32_t severity = 0;  // clap::LogSeverity
  std::string message;
};

// An event the plug-in handed the host in process or flush: a parameter value (plain) or a
// gesture's begin or end.
struct ClapOutputEvent {
  std::uint16_t type = 0;  // clap::kEventParamValue, kEventParamGestureBegin or ...End
  std::uint32_t time = 0;
  clap::Id paramId = 0;
  double value = 0.0;
};

class ClapPluginHost final : public IPlugin {
 public:
  // Loads the module at path (a bare file name is in the current folder), checks its entry's
  // version, initialises it and makes plug-in pluginId (empty: the module's first) with the
  // plug-in factory, then initialises the plug-in. On failure returns null with a one-line
  // reason in *error.
  static std::unique_ptr<ClapPluginHost> Load(const std::string& path,
                                              const std::string& pluginId, std::string* error);
  // The same for a module linked into this program; name stands for it in error texts.
  static std::unique_ptr<ClapPluginHost> Start(const clap::Entry& entry, const std::string& name,
                                               const std::string& pluginId, std::string* error);
  // Deactivates and destroys the plug-in, then deinitialises and unloads the module.
  ~ClapPluginHost() override;
  ClapPluginHost(const ClapPluginHost&) = delete;
  ClapPluginHost& operator=(const ClapPluginHost&) = delete;

  // The records, as the module and the plug-in gave them.
  const clap::Entry& Entry() const { return *entry_; }
  const clap::PluginFactory* Factory() const { return factory_; }
  const clap::Plugin* Plugin() const { return plugin_; }
  const clap::PluginDescriptor& Descriptor() const { return *plugin_->desc; }
  const clap::Host* HostRecord() const { return &host_; }
  // The plug-ins the module's factory lists, in order.
  std::vector<const clap::PluginDescriptor*> Descriptors() const;
  std::vector<std::string> Features() const;
  // Which of the extensions this host knows the plug-in answers, by id.
  std::vector<std::string> Extensions() const;
  const clap::PluginParams* Params() const { return params_; }
  const clap::PluginState* State() const { return state_; }
  const clap::PluginAudioPorts* AudioPorts() const { return audioPorts_; }
  const clap::PluginGui* Gui() const { return gui_; }
  const clap::ParamInfo& ParamInfoAt(int index) const { return paramInfos_[index]; }

  // What the plug-in told the host. Any thread; each takes the record lock.
  std::vector<ClapLogEntry> Logs() const;
  void ClearLogs();
  std::vector<ClapOutputEvent> OutputEventsReceived() const;
  void ClearOutputEvents();
  int FlushRequests() const { return flushRequests_.load(); }
  int CallbackRequests() const { return callbackRequests_.load(); }
  int RestartRequests() const { return restartRequests_.load(); }
  int RescanRequests() const { return rescanRequests_.load(); }
  // Called for every log message too, on the plug-in's thread (for printing it).
  void SetLogSink(std::function<void(const ClapLogEntry&)> sink) { logSink_ = std::move(sink); }

  // Marks the calling thread as the audio thread while it lives; scopes nest on one thread.
  class AudioThreadScope {
   public:
    explicit AudioThreadScope(ClapPluginHost& host);
    ~AudioThreadScope();

   private:
    ClapPluginHost& host_;
    std::thread::id previous_;
  };
  // What the host answers the plug-in's thread check for the calling thread.
  bool IsMainThread() const { return std::this_thread::get_id() == mainThread_; }
  bool IsAudioThread() const { return std::this_thread::get_id() == audioThread_.load(); }
  bool Active() const { return active_; }

  // How the normalised values of IPlugin map onto the plug-in's plain values and back, by
  // parameter index. The default is linear over the parameter's range, stepped parameters
  // rounded to whole numbers. Main thread, before use.
  using ValueMap = std::function<double(int index, double value)>;
  void SetValueMapping(ValueMap toPlain, ValueMap toNormalized);
  // The id .fxp and .fxb files name the plug-in by (default: a hash of its CLAP id).
  void SetPresetId(std::int32_t id) { info_.presetId = id; }
  double ToPlain(int index, double normalized) const;
  double ToNormalized(int index, double plain) const;

  // Hands the plug-in parameter values (plain) through params.flush, as a host does while it is
  // not processing: on the main thread while inactive, else as the audio thread. Main thread.
  void FlushValues(const std::vector<std::pair<int, double>>& values);

  // IPlugin.
  const PluginInfo& Info() const override { return info_; }
  std::string ParamName(int index) override;
  std::string ParamLabel(int) override { return ""; }
  std::string ParamDisplay(int index) override;
  std::string DisplayOfNormalized(int index, float x, bool* supported) override;
  float GetParameter(int index) override;
  void SetParameter(int index, float normalized) override;
  int GetProgram() override { return 0; }
  void SetProgram(int) override {}
  std::string ProgramName() override { return ""; }
  void SetProgramName(const std::string&) override {}
  std::string ProgramNameIndexed(int, bool* answered) override;
  std::vector<std::uint8_t> GetChunk(bool program) override;
  bool SetChunk(const std::vector<std::uint8_t>& bytes, bool program) override;
  void SetSampleRate(double rate) override;
  void SetBlockSize(int frames) override;
  void SetActive(bool on) override;
  void Process(float** inputs, float** outputs, int frames, std::span<const ParamChange> changes,
               const Transport* transport) override;
  void ProcessDouble(double** inputs, double** outputs, int frames,
                     std::span<const ParamChange> changes, const Transport* transport) override;
  void EditorSize(int* width, int* height) override;
  bool OpenEditor(std::uint32_t parentWindow) override;
  void Idle() override;
  void CloseEditor() override;
  // Asks the editor to draw at this scale (before its size is asked); whether it took it.
  bool SetGuiScale(double scale);
  ClapPluginHost* Clap() override { return this; }

  // The transport event of a block with this transport (flags for tempo, both timelines and the
  // time signature; playing as given).
  static clap::TransportEvent TransportEventFor(const Transport& transport);

 private:
  ClapPluginHost();
  static std::unique_ptr<ClapPluginHost> Begin(void* module, const clap::Entry* entry,
                                               const std::string& path,
                                               const std::string& pluginId, std::string& err);
  void ReadInfo();
  // The audio-thread part of Process and ProcessDouble, one piece of at most maxFrames_.
  template <typename Sample>
  void ProcessPiece(Sample** inputs, Sample** outputs, int frames,
                    std::span<const ParamChange> changes, const Transport* transport);
  template <typename Sample>
  void ProcessAny(Sample** inputs, Sample** outputs, int frames,
                  std::span<const ParamChange> changes, const Transport* transport);
  void StopProcessing();
  bool EnsureGui();

  // The host record's functions and the host's extensions; entered by the plug-in on any thread.
  static ClapPluginHost* From(const clap::Host* host);
  static const void* GetHostExtension(const clap::Host* host, const char* id);
  static void RequestRestart(const clap::Host* host);
  static void RequestProcess(const clap::Host* host);
  static void RequestCallback(const clap::Host* host);
  static bool HostIsMainThread(const clap::Host* host);
  static bool HostIsAudioThread(const clap::Host* host);
  static void HostLog(const clap::Host* host, std::int32_t severity, const char* message);
  static void HostRescan(const clap::Host* host, std::uint32_t flags);
  static void HostClear(const clap::Host* host, clap::Id id, std::uint32_t flags);
  static void HostRequestFlush(const clap::Host* host);
  static void HostMarkDirty(const clap::Host* host);
  static void HostResizeHintsChanged(const clap::Host* host);
  static bool HostRequestResize(const clap::Host* host, std::uint32_t width, std::uint32_t height);
  static bool HostRequestShow(const clap::Host* host);
  static bool HostRequestHide(const clap::Host* host);
  static void HostGuiClosed(const clap::Host* host, bool wasDestroyed);
  static bool PushOutput(const clap::OutputEvents* list, const clap::EventHeader* event);

  void* module_ = nullptr;
  const clap::Entry* entry_ = nullptr;
  bool moduleInitialized_ = false;
  const clap::PluginFactory* factory_ = nullptr;
  const clap::Plugin* plugin_ = nullptr;
  clap::Host host_{};
  const clap::PluginParams* params_ = nullptr;
  const clap::PluginState* state_ = nullptr;
  const clap::PluginAudioPorts* audioPorts_ = nullptr;
  const clap::PluginLatency* latency_ = nullptr;
  const clap::PluginGui* gui_ = nullptr;
  std::vector<clap::ParamInfo> paramInfos_;
  PluginInfo info_;
  ValueMap toPlain_;
  ValueMap toNormalized_;

  const std::thread::id mainThread_;
  std::atomic<std::thread::id> audioThread_{};

  double sampleRate_ = 44100.0;
  int maxFrames_ = 1024;
  bool active_ = false;
  std::atomic<bool> processing_{false};
  std::int64_t steadyTime_ = 0;
  // Held by every audio-thread call (process, flush, start and stop), so no two overlap.
  std::mutex audioMutex_;
  // Values SetParameter gave while another thread processes: the next block starts with them.
  std::mutex pendingMutex_;
  std::vector<std::pair<int, double>> pending_;
  // The audio thread's event storage for one block.
  std::vector<clap::ParamValueEvent> blockValues_;
  std::vector<const clap::EventHeader*> blockEvents_;
  clap::TransportEvent blockTransport_{};

  bool guiCreated_ = false;
  bool editorOpen_ = false;

  mutable std::mutex recordMutex_;  // guards logs_ and outputEvents_
  std::vector<ClapLogEntry> logs_;
  std::vector<ClapOutputEvent> outputEvents_;
  std::function<void(const ClapLogEntry&)> logSink_;
  std::atomic<int> flushRequests_{0};
  std::atomic<int> callbackRequests_{0};
  std::atomic<int> restartRequests_{0};
  std::atomic<int> rescanRequests_{0};
  std::atomic<bool> flushWanted_{false};
  std::atomic<bool> callbackWanted_{false};
};

// The window system this build's CLAP editors embed into (platform/<system>/).
const char* ClapWindowApi();

}  // namespace qvhost
