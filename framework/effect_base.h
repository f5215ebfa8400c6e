// The generic plug-in framework base: composes the parameter set, the preset bank and the channel
// configuration, and keeps host identity, the attached editor with its link and the instance lock
// with its queue of host notifications. Knows nothing of grains and nothing of VST 2 records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/channel_config.h"
#include "framework/editor_link.h"
#include "framework/editor_view.h"
#include "framework/instance_lock.h"
#include "framework/midi_message.h"
#include "framework/parameter_set.h"
#include "framework/preset_bank.h"
#include "framework/state_chunk.h"

namespace framework {

// Where the host's transport stands; see IEffectBase::HostTimeInfo.
struct HostTransport {
  double samplePos = -1.0;
  double tempo = 120.0;
  double ppqPos = -1.0;
  double barStartPos = -1.0;
  int numerator = 4;
  int denominator = 4;
  double cycleStart = -1.0;
  double cycleEnd = -1.0;
  bool playing = false;
  bool cycleActive = false;
};

struct EffectIdentity {
  std::vector<ParameterDefinition> parameters;  // in index order
  const char* channelIo = "";
  int programCount = 0;
  const char* effectName = "";
  const char* productName = "";
  const char* vendorName = "";
  std::int32_t vendorVersion = 0;  // 0xVVVVRRMM
  std::int32_t uniqueId = 0;
  std::int32_t makerCode = 0;  // stored, never reported
  int latency = 0;
  bool receivesMidi = false;
  bool savesChunks = false;
  bool isInstrument = false;
};

constexpr int kEffectTextSize = 128;

class IEffectBase : private INotificationSink {
 public:
  explicit IEffectBase(EffectIdentity identity);
  IEffectBase(const IEffectBase&) = delete;
  IEffectBase& operator=(const IEffectBase&) = delete;

  // Virtual operations, in this order. Unless stated, called from the dispatcher (host UI
  // thread) with the InstanceLock held.
  virtual ~IEffectBase();
  // After sample rate or block size changes and when processing stops; takes the lock.
  // Default: lock and release.
  virtual void ResetProcessing();
  // A parameter's value changed; applies it to the processing. Any thread, takes the lock.
  virtual void OnParameterChanged(int index);
  // Every value was replaced at once (a state or a program was loaded), after OnParameterChanged
  // ran for each; lock held. Default: nothing.
  virtual void OnAllParametersReplaced() {}
  // Audio thread, lock held: outputs from inputs for frames samples (1..max block size); every
  // slot holds a buffer of at least frames doubles. Default: pass-through, extra outputs silent.
  virtual void ProcessDouble(double** inputs, double** outputs, int frames);
  virtual void EditorOpened() {}
  virtual void EditorClosed() {}
  // Processing switched on or off; takes the lock.
  virtual void ActivationChanged(bool active);
  virtual void HandleMidiMessage(const MidiMessage& message);
  // Writes the name of a MIDI key into out (64 bytes); false when it has none.
  virtual bool MidiKeyName(int key, char* out);
  virtual bool SaveState(StateChunk& chunk);
  virtual int LoadState(const StateChunk& chunk, int start);
  // Host queries, which need the host's answer at once; the format adapter provides them, the
  // base answers that the host knows nothing. The time queries come from the audio thread during
  // ProcessDouble, lock held.
  virtual int HostSamplePos() { return 0; }
  virtual double HostTempo() { return 0.0; }
  // Audio thread, during ProcessDouble: false while the host's transport stands still. Default:
  // true (a format without a transport always plays).
  virtual bool HostIsPlaying() { return true; }
  virtual void HostTimeSignature(int* numerator, int* denominator);
  virtual void HostTimeInfo(HostTransport& out);
  virtual int HostKind() { return hostNumber_; }
  virtual void EditorResized(int, int) {}
  virtual void PrepareForHost() {}
  // UI thread: shows every value in the editor, prepares it and takes ownership. Null is ignored.
  virtual void AttachEditor(std::unique_ptr<IEditorView> editor);
  // Dispatcher thread, lock held: resizes and zeroes the scratch buffers unless frames is the
  // current size; frames below 1 are ignored.
  // Scratch buffers never hold more than this. Effects that process in pieces of their own keep
  // it a multiple of their piece size, so cutting a longer block here changes nothing.
  static constexpr int kMaxScratchFrames = 65536;
  virtual void SetMaxBlockSize(int frames);
  virtual void SetLatencySamples(int samples) { latency_ = samples; }
  virtual bool SendMidiToHost(const MidiMessage&) { return false; }
  // The texts a format shows the host for parameter values and reads back from it. Lock held;
  // index valid. ValueToText writes the text of plain value (with its unit) into out (size
  // bytes). TextToValue gives the plain value a text stands for, not clamped; false when it
  // stands for none. Defaults: the display text and label, a display text or a number.
  virtual bool ValueToText(int index, double plain, char* out, std::size_t size);
  virtual bool TextToValue(int index, const char* text, double* plain);
  virtual bool SendMidiListToHost(std::span<const MidiMessage> messages);

  // Channels; dispatcher thread, lock held. Ranges are clamped to the existing channels.
  bool LegalIO(int inputs, int outputs) const { return channels_.LegalIO(inputs, outputs); }
  void SetInputConnections(int first, int count, bool connected) {
    channels_.SetInputConnections(first, count, connected);
  }
  void SetOutputConnections(int first, int count, bool connected) {
    channels_.SetOutputConnections(first, count, connected);
  }
  void LimitToStereo() { channels_.LimitToStereo(); }
  void EnsureStereoIo() { channels_.EnsureStereoIo(); }
  int InputCount() const { return channels_.InputCount(); }
  int OutputCount() const { return channels_.OutputCount(); }
  const ChannelConfig& Channels() const { return channels_; }

  // What the host is told of parameter changes: a gesture's begin and end (editor thread) and
  // automation. Any thread; each takes the lock and queues the notification, which goes to the
  // host once the thread's outermost hold of the lock ends (see InstanceMutex).
  void BeginParamEdit(int index);
  void AutomateParam(int index, double normalized);
  void EndParamEdit(int index);

  // Host identity.
  void SetHost(const char* name, std::int32_t version);
  std::int32_t HostVersion() const { return hostVersion_; }
  int EffectVersion(bool decimal) const;

  // Parameters: definitions any thread may read, values under the lock.
  int ParameterCount() const { return parameters_.Count(); }
  const ParameterSet& Parameters() const { return parameters_; }
  ParameterSet& Parameters() { return parameters_; }
  // Editor's UI thread: sets a parameter from a normalised value, tells the host (automation) and
  // applies it; takes the lock. Out-of-range indices and non-finite values are ignored.
  void SetParameterFromGUI(int index, double normalized);
  InstanceMutex& InstanceLock() { return instanceLock_; }
  // What the attached editor is given to reach this effect, in this process.
  IEditorLink& EditorLink() { return *editorLink_; }

  // State and programs; all take the lock (recursive).
  bool SerializeParams(StateChunk& chunk);
  // Reads the values (see ParameterSet::ReadValues), then NotifyAllParamsChanged.
  int UnserializeParams(const StateChunk& chunk, int start);
  const char* PresetName(int index) const { return presets_.Name(index); }
  const PresetBank& Presets() const { return presets_; }
  void StoreCurrentPreset(const char* name);
  bool RecallPreset(int index);
  void EnsureDefaultPreset();
  void MakeDefaultPresets(const char* name, int n);
  void PushValuesToEditor();
  void NotifyAllParamsChanged();

  double SampleRate() const { return sampleRate_; }
  int MaxBlockSize() const { return channels_.ScratchFrames(); }
  int Latency() const { return latency_; }
  IEditorView* Editor() const { return editor_.get(); }
  const char* EffectName() const { return effectName_; }
  const char* ProductName() const { return productName_; }
  const char* VendorName() const { return vendorName_; }
  std::int32_t UniqueId() const { return uniqueId_; }
  bool SavesChunks() const { return savesChunks_; }
  bool IsInstrument() const { return isInstrument_; }

 protected:
  // Closes and destroys the attached editor, if any. A derived destructor calls this first, so
  // the editor never outlives the parts of the instance it reaches. Called without the lock
  // held: the window is closed (its thread joined) before the lock is taken.
  void DestroyEditor();
  void SetSampleRateValue(double rate) { sampleRate_ = rate; }
  // The host number once the host has been asked, -1 before.
  int HostNumber() const { return hostNumber_; }
  // The process paths route the host's buffers through it.
  ChannelConfig& MutableChannels() { return channels_; }
  // Sends a queued notification to the host, lock not held: the format adapter's part; the base
  // has no host.
  void SendToHost(const HostNotification&) noexcept override {}

 private:
  ParameterSet parameters_;
  PresetBank presets_;
  ChannelConfig channels_;
  char effectName_[kEffectTextSize] = {};
  char productName_[kEffectTextSize] = {};
  char vendorName_[kEffectTextSize] = {};
  std::int32_t uniqueId_ = 0;
  std::int32_t makerCode_ = 0;
  std::int32_t vendorVersion_ = 0;
  int hostNumber_ = -1;
  std::int32_t hostVersion_ = 0;
  bool savesChunks_ = false;
  bool isInstrument_ = false;
  double sampleRate_ = 44100.0;
  int latency_ = 0;
  std::unique_ptr<IEditorView> editor_;
  std::unique_ptr<IEditorLink> editorLink_;
  InstanceMutex instanceLock_;
};

}  // namespace framework
