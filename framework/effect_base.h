// The generic plug-in framework base: composes the parameter set, the preset bank and the channel
// configuration, and keeps host identity, the editor link and the instance lock. Knows nothing of
// grains and nothing of VST 2 records.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "plugin/channel_config.h"
#include "plugin/editor_view.h"
#include "plugin/midi_message.h"
#include "plugin/parameter_set.h"
#include "plugin/preset_bank.h"
#include "plugin/state_chunk.h"

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
  int parameterCount = 0;
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

class IEffectBase {
 public:
  explicit IEffectBase(const EffectIdentity& identity);
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
  virtual void IdleTick() {}
  // Processing switched on or off; takes the lock.
  virtual void ActivationChanged(bool active);
  virtual void HandleMidiMessage(const MidiMessage& message);
  // Writes the name of a MIDI key into out (64 bytes); false when it has none.
  virtual bool MidiKeyName(int key, char* out);
  virtual bool SaveState(StateChunk& chunk);
  virtual int LoadState(const StateChunk& chunk, int start);
  // Appends one 8-byte float per parameter: a 32-bit integer from the list for Bool, Int and Enum
  // parameters, a double for the others. Not used by this effect.
  virtual void SaveStateFromValues(StateChunk& chunk, std::span<const StoredValue> values);
  // Host-facing operations; the VST 2 adapter provides them, the base does nothing. Gestures come
  // from the editor's UI thread; the time queries from the audio thread during ProcessDouble. All
  // run with the lock held and take it no further.
  virtual void BeginParamEdit(int) {}
  virtual void AutomateParam(int, double) {}
  virtual void EndParamEdit(int) {}
  virtual int HostSamplePos() { return 0; }
  virtual double HostTempo() { return 0.0; }
  virtual void HostTimeSignature(int* numerator, int* denominator);
  virtual void HostTimeInfo(HostTransport& out);
  virtual int HostKind() { return hostNumber_; }
  virtual void EditorResized(int, int) {}
  virtual void SpareHook(int) {}
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

  // Host identity.
  void SetHost(const char* name, std::int32_t version);
  std::int32_t HostVersion() const { return hostVersion_; }
  int EffectVersion(bool decimal) const;

  // Parameters. Index checked by the caller unless stated.
  int ParameterCount() const { return parameters_.Count(); }
  Parameter& GetParam(int index) { return parameters_[index]; }
  const Parameter& GetParam(int index) const { return parameters_[index]; }
  // Editor's UI thread: sets a parameter from a normalised value, tells the host (automation) and
  // applies it; takes the lock. Out-of-range indices and non-finite values are ignored.
  void SetParameterFromGUI(int index, double normalized);
  std::recursive_mutex& InstanceLock() { return instanceLock_; }

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
  std::recursive_mutex instanceLock_;
};
