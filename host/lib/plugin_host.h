// The host library: loads a VST 2 plug-in module through its real entry point, answers its host
// callbacks from a script, records every callback, and calls into the effect record as a host does.
// Used by quorvantel-host and by the integration tests; not part of the plug-in.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "vst2/vst2_abi.h"

namespace qvhost {

// One call the plug-in made into the host.
struct CallbackRecord {
  vst2::int32 opcode = 0;
  vst2::int32 index = 0;
  vst2::intptr value = 0;
  float opt = 0.0f;
};

// What the host answers. Changed freely between calls into the plug-in (not while another thread
// may be calling back).
struct HostScript {
  std::string productString = "quorvantel-host";  // opcode 33; empty leaves the buffer empty
  // Opcode 33 fills all 256 bytes with the text repeated and no terminator, as a faulty host
  // might; for tests of plug-ins that must survive it.
  bool productUnterminated = false;
  vst2::intptr vendorVersion = 10000;         // opcode 34, decimal
  std::optional<vst2::VstTimeInfo> timeInfo;  // opcode 7; nullopt answers null
  // Answers opcode 7 in place of timeInfo when set. Called on whichever thread asks; with
  // recordCalls off no lock of the host's is held meanwhile, so a live host's audio thread can
  // ask through it without waiting.
  std::function<const vst2::VstTimeInfo*()> timeSource;
  // Off: callbacks are answered without being recorded and without the record lock (Calls() and
  // EventsReceived() stay empty). For a host that runs for hours and whose audio thread calls
  // back; timeInfo is then answered with a pointer to the script's own record.
  bool recordCalls = true;
  vst2::intptr processEventsResult = 1;       // opcode 8
  // Called after each callback is recorded and answered, on the plug-in's thread and outside
  // the host's record lock, so it may wait for other threads that call back meanwhile.
  std::function<void(const CallbackRecord&)> afterCallback;
};

// Owns one loaded module and its effect. Unless a comment says otherwise, a member is called on
// the owner's thread, the way a host's user-interface thread drives a plug-in; the process
// functions may be called from one other thread that the caller keeps apart from dispatcher calls.
class PluginHost {
 public:
  // Opcode 50, index 7 answers this when the plug-in supports "display text of a normalised value".
  static constexpr vst2::intptr kDisplayOfNormalizedAnswer = 0xBEEF;
  // Larger chunks than this are treated as a faulty answer.
  static constexpr vst2::intptr kMaxChunkBytes = vst2::intptr{1} << 28;

  // Loads the module at path (dlopen, LoadLibrary on Windows; a bare file name is in the current
  // folder, never looked up on the library search path), finds VSTPluginMain (else main), calls
  // it with the host callback and checks the magic. On failure returns null and puts a one-line
  // reason in *error.
  static std::unique_ptr<PluginHost> Load(const std::string& path, std::string* error,
                                          HostScript script = {});
  // The same for a plug-in linked into this program (stress tests, fuzzing): calls entry with the
  // host callback. `name` stands for the plug-in in error texts.
  static std::unique_ptr<PluginHost> Start(vst2::EntryProc entry, const std::string& name,
                                           std::string* error, HostScript script = {});
  // Closes the effect (opcode 1) unless Close was called, then unloads the module.
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  vst2::AEffect* Effect() const { return effect_; }
  HostScript& Script() { return script_; }

  // Every callback received since load (or since ClearCalls), in order. Only while no other thread
  // may call back; CallsSnapshot is the thread-safe copy.
  const std::vector<CallbackRecord>& Calls() const { return calls_; }
  std::vector<CallbackRecord> CallsSnapshot() const;
  void ClearCalls() {
    std::lock_guard<std::mutex> guard(callsMutex_);
    calls_.clear();
  }
  // Number of recorded callbacks with this opcode. Any thread; takes the record lock.
  int CountCalls(vst2::int32 opcode) const;
  // The events the plug-in sent (opcode 8), in order: the 32 bytes of each, in the layout of a
  // MIDI event (check type for others). Any thread; takes the record lock.
  std::vector<vst2::VstMidiEvent> EventsReceived() const;

  // Text queries that wrote past their buffer's nominal size or left it unterminated. The host
  // survives them (every buffer has slack behind it) but a correct plug-in never causes one.
  int TextOverruns() const { return textOverruns_.load(std::memory_order_relaxed); }

  vst2::intptr Dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                        void* ptr = nullptr, float opt = 0.0f);

  // Conveniences over Dispatch, in the order a host usually calls them.
  void Open();                      // opcode 0
  void SetSampleRate(double rate);  // opcode 10
  void SetBlockSize(int frames);    // opcode 11
  void SetActive(bool on);          // opcode 12
  void Close();                     // opcode 1; the effect record is gone afterwards

  std::string ParamName(int index);     // opcode 8, 32-byte buffer
  std::string ParamLabel(int index);    // opcode 6
  std::string ParamDisplay(int index);  // opcode 7
  // Opcode 50, index 7: the display text the parameter would show at this normalised value,
  // without changing it. *supported tells whether the plug-in answered the query.
  std::string DisplayOfNormalized(int index, float normalized, bool* supported = nullptr);
  float GetParameter(int index);
  void SetParameter(int index, float normalized);

  int GetProgram();                              // opcode 3
  void SetProgram(int program);                  // opcode 2
  std::string ProgramName();                     // opcode 5, 24-byte buffer
  void SetProgramName(const std::string& name);  // opcode 4
  std::string ProgramNameIndexed(int program, vst2::intptr* result = nullptr);  // opcode 29

  // Opcode 23: a copy of the plug-in's chunk (empty when it answered 0).
  std::vector<std::uint8_t> GetChunk(bool program);
  // Opcode 24: returns the plug-in's answer.
  vst2::intptr SetChunk(const std::vector<std::uint8_t>& bytes, bool program);

  std::string EffectName();              // opcode 45
  std::string VendorString();            // opcode 47
  std::string ProductString();           // opcode 48
  vst2::intptr CanDo(const char* text);  // opcode 51

  // The three process paths, with one pointer per channel.
  void ProcessReplacing(float** inputs, float** outputs, int frames);
  void ProcessAccumulating(float** inputs, float** outputs, int frames);
  void ProcessDouble(double** inputs, double** outputs, int frames);

 private:
  PluginHost() = default;
  static std::unique_ptr<PluginHost> Begin(void* module, vst2::EntryProc entry,
                                           const std::string& path, std::string& err,
                                           HostScript script);
  // The host callback handed to the entry point. Entered by the plug-in on any thread, also
  // during the entry call itself; takes the record lock; never throws.
  static vst2::intptr Callback(vst2::AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                               vst2::intptr value, void* ptr, float opt);
  vst2::intptr Answer(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, void* ptr,
                      float opt);
  // Keeps the events of a list the plug-in sent; record lock held.
  void KeepEvents(const vst2::VstEvents& events);
  // Dispatches a query that fills a text buffer of `size` bytes (terminator included); the text
  // read back is bounded by that size whatever the plug-in wrote.
  std::string TextQuery(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, std::size_t size,
                        float opt = 0.0f, vst2::intptr* result = nullptr);

  void* module_ = nullptr;
  vst2::AEffect* effect_ = nullptr;
  bool closed_ = false;
  HostScript script_;
  vst2::VstTimeInfo timeAnswer_{};  // storage behind the pointer returned for opcode 7
  mutable std::mutex callsMutex_;   // guards calls_, timeAnswer_ and reading script_ in callbacks
  std::vector<CallbackRecord> calls_;
  std::vector<vst2::VstMidiEvent> eventsReceived_;
  std::atomic<int> textOverruns_{0};
};

}  // namespace qvhost
