// The CLAP adapter of the framework: the plug-in record a host drives, its extensions (audio
// ports, parameters, state, latency, editor), the process call with parameter events applied at
// their sample, and what the plug-in tells the host back (values and gestures as output events).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "clap/clap_abi.h"
#include "framework/effect_base.h"

namespace framework {

// The functions of the plug-in record and its extensions that the thread checks name; one bit
// each in IEffectClap's record of what was reported.
enum class ClapCall : int {
  kInit, kDestroy, kActivate, kDeactivate, kStartProcessing, kStopProcessing, kReset, kProcess,
  kOnMainThread, kParams, kParamsFlush, kState, kAudioPorts, kLatency, kGui,
};

class IEffectClap : public IEffectBase {
 public:
  // host must outlive the instance; descriptor is the module's, static.
  IEffectClap(const clap::Host* host, const clap::PluginDescriptor* descriptor,
              EffectIdentity identity);
  ~IEffectClap() override;

  // The record the host keeps for the instance's life; pluginData points back here.
  const clap::Plugin* Record() const { return &plugin_; }
  static IEffectClap* FromRecord(const clap::Plugin* plugin);

  // The host side the effect uses; audio thread during ProcessDouble (lock held), from the
  // transport of the block (or of the last transport event in it). Without a transport the host
  // runs free: playing, no tempo.
  bool HostIsPlaying() override;
  double HostTempo() override;
  int HostSamplePos() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(HostTransport& out) override;

  // Whether the calling thread is the one `call` belongs on, as the host's thread check says;
  // true when the host offers none. A wrong thread is reported once per call through the host's
  // log ("host misbehaving"); the caller carries on, since the instance lock keeps the instance
  // whole whatever thread calls. Any thread.
  bool CheckThread(ClapCall call);
  // Bit n: a wrong thread for ClapCall n was reported. Any thread.
  std::uint32_t ThreadFaultsReported() const { return threadFaults_.load(); }

  // The record's functions (effect_clap.cpp, process in clap_process.cpp). Each catches every
  // exception and answers false / 0 / nothing. Threads as clap_abi.h gives them.
  static bool Init(const clap::Plugin* plugin);
  static void Destroy(const clap::Plugin* plugin);
  static bool Activate(const clap::Plugin* plugin, double sampleRate, std::uint32_t minFrames,
                       std::uint32_t maxFrames);
  static void Deactivate(const clap::Plugin* plugin);
  static bool StartProcessing(const clap::Plugin* plugin);
  static void StopProcessing(const clap::Plugin* plugin);
  static void Reset(const clap::Plugin* plugin);
  static std::int32_t ProcessBlock(const clap::Plugin* plugin, const clap::Process* process);
  static const void* GetExtension(const clap::Plugin* plugin, const char* id);
  static void OnMainThread(const clap::Plugin* plugin);

  // The extension records GetExtension answers with; static, the same for every instance.
  static const clap::PluginParams kParams;
  static const clap::PluginState kState;
  static const clap::PluginAudioPorts kAudioPorts;
  static const clap::PluginLatency kLatency;
  static const clap::PluginGui kGui;

  // The window system this build embeds into (clap::kWindowApiX11 or clap::kWindowApiWin32;
  // platform/<system>/), and the parent the editor's window layer takes for a host window.
  static const char* NativeWindowApi();
  static void* NativeParent(const clap::Window& window);

 private:
  // The extensions' functions, one nested struct per file: clap_params.cpp, clap_state.cpp
  // (state, audio ports, latency), clap_gui.cpp. Each catches every exception.
  struct ParamsExtension;
  struct StateExtension;
  struct GuiExtension;

  // What the editor told the host while it was not processing, kept for the next process or
  // flush. Guarded by the InstanceLock.
  struct Outgoing {
    HostNotification::Kind kind;
    std::int32_t index;
    double plain;  // kAutomate
  };
  static constexpr int kOutgoingCapacity = 1024;

  // Marks this thread as inside process or flush for the scope's life (see SendToHost).
  class AudioCallScope {
   public:
    AudioCallScope();
    ~AudioCallScope();

   private:
    bool previous_;
  };

  // Audio thread, lock held: one process call.
  std::int32_t RunProcess(const clap::Process& process);
  // Lock held: a parameter's plain value from the host, truncated for stepped parameters and
  // kept inside the range; the editor is told and the effect applies it. Unknown ids and values
  // that are not finite are ignored.
  void SetFromHost(clap::Id id, double plain);
  // Lock held. Applies one input event: a parameter value (clamped, truncated for stepped
  // parameters, the editor told) or a transport; others are ignored.
  void ApplyEvent(const clap::EventHeader& event);
  // Lock held: every event of the list, in order.
  void ApplyEvents(const clap::InputEvents* in);
  // Lock held: the pending values and gestures into out, in order, at time 0; what the host does
  // not take stays for the next call.
  void DrainOutgoing(const clap::OutputEvents* out);
  // Audio thread, lock held: frames [offset, offset + n) of the host's buffers through the
  // effect, n <= MaxBlockSize().
  void ProcessPiece(const clap::Process& process, bool doubles, int offset, int n);
  // Sends a queued notification as an output event: keeps it under the lock, then asks the host
  // for a flush unless a process or flush call is under way. Lock not held.
  void SendToHost(const HostNotification& notification) noexcept override;
  void Log(clap::LogSeverity severity, const char* message) const;
  // Gui helpers, main thread, lock not held.
  bool ShowWindow();
  void HideWindow();

  clap::Plugin plugin_{};
  const clap::Host* host_ = nullptr;
  const clap::HostParams* hostParams_ = nullptr;
  const clap::HostLog* hostLog_ = nullptr;
  const clap::HostThreadCheck* hostThreadCheck_ = nullptr;
  std::atomic<std::uint32_t> threadFaults_{0};

  bool active_ = false;                 // main thread
  std::atomic<bool> processing_{false};  // set and cleared on the audio thread
  // The block's transport while process runs; lock held.
  clap::TransportEvent transport_{};
  bool hasTransport_ = false;
  // Room for an input the host aliased to an output (64-bit path), sized at activation.
  std::vector<double> aliasCopy_;

  Outgoing outgoing_[kOutgoingCapacity];
  int outgoingCount_ = 0;
  int outgoingDropped_ = 0;

  // The editor's window; main thread.
  bool guiCreated_ = false;
  bool guiShown_ = false;
  void* guiParent_ = nullptr;

  StateChunk stateChunk_;
};

}  // namespace framework
