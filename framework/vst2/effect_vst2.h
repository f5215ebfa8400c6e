// The VST 2 adapter of the framework: the embedded effect record, the dispatcher, the process and
// parameter callbacks, and the calls back into the host.
#pragma once

#include <cstdint>
#include <mutex>

#include "framework/effect_base.h"
#include "vst2/vst2_abi.h"

namespace framework {

class IEffectVst2 : public IEffectBase {
 public:
  // Builds the effect record from the identity; announces a maximum block size of 1024 and
  // connects every channel.
  IEffectVst2(vst2::HostCallback host, EffectIdentity identity);
  ~IEffectVst2() override;

  // The record the host keeps for the instance's life; its object field points back here.
  vst2::AEffect* Effect() { return &effect_; }
  static IEffectVst2* FromEffect(vst2::AEffect* effect);

  // Calls into the host that need its answer. Any thread; they take no lock and are usually
  // called with it held.
  int HostSamplePos() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(HostTransport& out) override;
  int HostKind() override;
  void EditorResized(int width, int height) override;
  void PrepareForHost() override;
  void AttachEditor(std::unique_ptr<IEditorView> editor) override;
  void SetLatencySamples(int samples) override;
  bool SendMidiToHost(const MidiMessage& message) override;
  bool SendMidiListToHost(std::span<const MidiMessage> messages) override;
  // True unless the host's time record says the transport is stopped (true without a record).
  bool HostIsPlaying() override;
  bool SendEventToHost(const vst2::VstEvent& event);

  // Bit 0: the host asked "hasCockosExtensions"; bit 1: "hasCockosViewAsConfig".
  std::int32_t HostExtensions() const { return hostExtensions_; }
  const vst2::ERect& EditorRect() const { return editorRect_; }

  // The record's callbacks. Each catches every exception and answers 0 / does nothing; each
  // takes the InstanceLock for its whole call, except that the dispatcher releases it before
  // opcode 1 destroys the instance, while opcodes 14 and 15 open and close the editor's
  // window (see OpenOrCloseEditor) and while opcode 13 reads the editor's size (EditorSize).
  static vst2::intptr VSTDispatcher(vst2::AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                    vst2::intptr value, void* ptr, float opt);
  static void VSTProcessAccumulating(vst2::AEffect* effect, float** inputs, float** outputs,
                                     vst2::int32 frames);
  static void VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs,
                                  vst2::int32 frames);
  static void VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                        vst2::int32 frames);
  static void VSTSetParameter(vst2::AEffect* effect, vst2::int32 index, float value);
  static float VSTGetParameter(vst2::AEffect* effect, vst2::int32 index);

 private:
  // Opcodes 14 and 15 (host UI thread). Lock rule: the editor's own thread takes the
  // InstanceLock for every value and gesture it sends, and closing its window joins that
  // thread, so the window is opened and closed with lock released (EditorOpened and
  // EditorClosed still run under it). lock is the dispatcher's hold on the InstanceLock.
  vst2::intptr OpenOrCloseEditor(vst2::int32 opcode, void* parent,
                                 std::unique_lock<InstanceMutex>& lock);
  // Opcode 13 (host UI thread): the editor's size at its current scale, read with the lock
  // released (on Linux the first read may ask the X display for the desktop's scale).
  vst2::intptr EditorSize(void* ptr, std::unique_lock<InstanceMutex>& lock);
  // Dispatcher opcodes, lock held (dispatcher.cpp).
  vst2::intptr Dispatch(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, void* ptr,
                        float opt);
  vst2::intptr CanDo(const char* text);
  vst2::intptr GetChunk(bool bank, void* ptr);
  vst2::intptr SetChunk(bool bank, vst2::intptr bytes, const void* ptr);
  vst2::intptr PinProperties(bool input, int index, void* ptr);
  void SetSpeakerArrangement(vst2::intptr inputArrangement, void* outputArrangement);
  vst2::intptr ProcessEvents(const vst2::VstEvents* events);

  // The process paths, lock held (vst2_process.cpp).
  void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
  void ProcessDoubleHost(double** inputs, double** outputs, int frames);
  template <typename Piece>
  void ProcessInPieces(int frames, Piece&& piece);

  vst2::intptr CallHost(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, void* ptr,
                        float opt);
  // Automation (host opcode 0), begin and end of an edit (43, 44); lock not held.
  void SendToHost(const HostNotification& notification) noexcept override;
  const vst2::VstTimeInfo* HostTime(vst2::int32 mask);
  void SetIoCounts();

  vst2::ERect editorRect_{};
  vst2::HostCallback host_ = nullptr;
  vst2::VstSpeakerArrangement inputArrangement_{};
  vst2::VstSpeakerArrangement outputArrangement_{};
  bool preparedForHost_ = false;
  bool receivesMidi_ = false;
  std::int32_t hostExtensions_ = 0;
  StateChunk programChunk_;
  StateChunk bankChunk_;
  vst2::AEffect effect_{};
};

}  // namespace framework
