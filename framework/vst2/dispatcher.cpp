// The VST 2 dispatcher: every opcode the instance answers, the can-do table, chunks and pins.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "framework/vst2/effect_vst2.h"

namespace framework {

using namespace vst2;

namespace {

constexpr intptr kVendorSpecificAnswer = 0xBEEF;
// Positive in the pointer-sized result, never sign-extended from 32 bits.
constexpr intptr kCockosAnswer = static_cast<intptr>(0xBEEF0000u);
constexpr int kVstVersion = 2400;

}  // namespace

intptr IEffectVst2::VSTDispatcher(AEffect* effect, int32 opcode, int32 index, intptr value,
                                  void* ptr, float opt) {
  try {
    IEffectVst2* self = FromEffect(effect);
    if (self == nullptr) return 0;
    std::unique_lock lock(self->InstanceLock());
    if (opcode == kEffectEditIdle || opcode == kEffectIdle) return 0;
    if (opcode < 0 || opcode >= kEffectOpcodeLimit) return 0;
    if (opcode == kEffectClose) {
      // The lock is part of the instance: release it before the instance goes.
      lock.unlock();
      delete self;
      return 0;
    }
    if (opcode == kEffectEditOpen || opcode == kEffectEditClose)
      return self->OpenOrCloseEditor(opcode, ptr, lock);
    if (opcode == kEffectEditGetRect) return self->EditorSize(ptr, lock);
    return self->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

intptr IEffectVst2::OpenOrCloseEditor(int32 opcode, void* parent,
                                      std::unique_lock<InstanceMutex>& lock) {
  IEditorView* editor = Editor();
  if (editor == nullptr) return 0;
  if (opcode == kEffectEditClose) EditorClosed();
  lock.unlock();
  if (opcode == kEffectEditClose) {
    editor->CloseWindow();
    return 1;
  }
  const bool opened = editor->OpenWindow(parent);
  lock.lock();
  if (opened) EditorOpened();
  return opened ? 1 : 0;
}

intptr IEffectVst2::EditorSize(void* ptr, std::unique_lock<InstanceMutex>& lock) {
  IEditorView* editor = Editor();
  if (ptr == nullptr || editor == nullptr) return 0;
  lock.unlock();
  const int width = editor->Width(), height = editor->Height();
  lock.lock();
  editorRect_ = ERect{0, 0, static_cast<std::int16_t>(std::clamp(height, 0, 32767)),
                      static_cast<std::int16_t>(std::clamp(width, 0, 32767))};
  *static_cast<ERect**>(ptr) = &editorRect_;
  return 1;
}

intptr IEffectVst2::Dispatch(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
  const bool paramIndexValid = index >= 0 && index < ParameterCount();
  switch (opcode) {
    case kEffectOpen:
      PrepareForHost();
      for (int i = 0; i < ParameterCount(); ++i) OnParameterChanged(i);
      return 0;
    case kEffectSetProgram:
      if (!SavesChunks()) StoreCurrentPreset(nullptr);
      if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()) {
        RecallPreset(static_cast<int>(value));
      }
      return 0;
    case kEffectGetProgram:
      return Presets().Current();
    case kEffectSetProgramName:
      if (ptr != nullptr) {
        // Read no further than a preset name can hold, even if the host's text is unterminated.
        char name[kPresetNameSize];
        CopyBounded(name, static_cast<const char*>(ptr), sizeof name);
        StoreCurrentPreset(name);
      }
      return 0;
    case kEffectGetProgramName:
      if (ptr != nullptr)
        CopyBounded(static_cast<char*>(ptr), PresetName(Presets().Current()), kProgramNameSize);
      return 0;
    case kEffectGetParamLabel:
      if (paramIndexValid && ptr != nullptr) {
        CopyBounded(static_cast<char*>(ptr), Parameters().Definition(index).Label(),
                    kParamTextSize);
      }
      return 0;
    case kEffectGetParamDisplay:
      if (paramIndexValid && ptr != nullptr) {
        Parameters().Definition(index).DisplayString(Parameters().Value(index), false,
                                                     static_cast<char*>(ptr), kParamTextSize);
      }
      return 0;
    case kEffectGetParamName:
      if (paramIndexValid && ptr != nullptr) {
        CopyBounded(static_cast<char*>(ptr), Parameters().Definition(index).Name(), kParamTextSize);
      }
      return 0;
    case kEffectSetSampleRate: {
      const double rate = opt;
      // A rate that is not finite and positive would poison every time constant: ignore it.
      if (!(rate > 0.0) || rate > std::numeric_limits<double>::max()) return 0;
      SetSampleRateValue(rate);
      ResetProcessing();
      return 0;
    }
    case kEffectSetBlockSize:
      if (value < 1 || value > std::numeric_limits<int>::max()) return 0;
      SetMaxBlockSize(static_cast<int>(value));
      ResetProcessing();
      return 0;
    case kEffectMainsChanged:
      if (value != 0) {
        ActivationChanged(true);
      } else {
        ActivationChanged(false);
        ResetProcessing();
      }
      return 0;
    case kEffectIdentify:
      return FourCC('N', 'v', 'E', 'f');
    case kEffectGetChunk:
      return GetChunk(index == 0, ptr);
    case kEffectSetChunk:
      return SetChunk(index == 0, value, ptr);
    case kEffectProcessEvents:
      return ProcessEvents(static_cast<const VstEvents*>(ptr));
    case kEffectCanBeAutomated:
      return 1;
    case kEffectGetProgramNameIndexed: {
      if (ptr == nullptr) return 0;
      const char* name = PresetName(index);
      CopyBounded(static_cast<char*>(ptr), name, kProgramNameSize);
      return name[0] != '\0' ? 1 : 0;
    }
    case kEffectGetInputProperties:
      return PinProperties(true, index, ptr);
    case kEffectGetOutputProperties:
      return PinProperties(false, index, ptr);
    case kEffectGetPlugCategory:
      return IsInstrument() ? 2 : 1;
    case kEffectSetSpeakerArrangement:
      SetSpeakerArrangement(value, ptr);
      return 1;
    case kEffectGetEffectName:
      if (ptr == nullptr) return 0;
      CopyBounded(static_cast<char*>(ptr), EffectName(), kEffectNameSize);
      return 1;
    case kEffectGetVendorString:
      if (ptr == nullptr) return 0;
      CopyBounded(static_cast<char*>(ptr), VendorName(), kVendorStringSize);
      return 1;
    case kEffectGetProductString:
      if (ptr == nullptr) return 0;
      CopyBounded(static_cast<char*>(ptr), ProductName(), kProductStringSize);
      return 1;
    case kEffectVendorSpecific:
      if (index == kScaleVendor && value == kScaleRequest) {
        IEditorView* editor = Editor();
        if (editor == nullptr || !(opt > 0.0f)) return 0;
        editor->SetScale(opt);
        return 1;
      }
      if (index != 7 || ptr == nullptr) return 0;
      if (value >= 0 && value < ParameterCount()) {
        Parameters()
            .Definition(static_cast<int>(value))
            .DisplayString(opt, true, static_cast<char*>(ptr), kParamTextSize);
      }
      return kVendorSpecificAnswer;
    case kEffectCanDo:
      return CanDo(static_cast<const char*>(ptr));
    case kEffectGetVstVersion:
      return kVstVersion;
    case kEffectGetMidiKeyName: {
      if (ptr == nullptr) return 0;
      auto* record = static_cast<vst2::MidiKeyName*>(ptr);
      record->keyName[0] = '\0';
      return MidiKeyName(record->thisKeyNumber, record->keyName) ? 1 : 0;
    }
    case kEffectGetSpeakerArrangement:
      if (value != 0) *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement_;
      if (ptr != nullptr) *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement_;
      return 1;
    default:
      return 0;
  }
}

intptr IEffectVst2::CanDo(const char* text) {
  if (text == nullptr) return 0;
  const auto is = [text](const char* candidate) { return std::strcmp(text, candidate) == 0; };
  if (is("receiveVstTimeInfo")) return 1;
  if (receivesMidi_ && (is("sendVstEvents") || is("sendVstMidiEvent") || is("receiveVstEvents") ||
                        is("receiveVstMidiEvent"))) {
    return 1;
  }
  if (is("hasCockosExtensions")) {
    hostExtensions_ |= 1;
    return kCockosAnswer;
  }
  if (is("hasCockosViewAsConfig")) {
    hostExtensions_ |= 2;
    return kCockosAnswer;
  }
  return 0;
}

intptr IEffectVst2::GetChunk(bool bank, void* ptr) {
  if (ptr == nullptr) return 0;
  StateChunk& chunk = bank ? bankChunk_ : programChunk_;
  WriteChunkHeader(chunk);
  if (bank) StoreCurrentPreset(nullptr);
  const bool ok = SaveState(chunk);
  if (!ok || chunk.Empty()) return 0;
  *static_cast<void**>(ptr) = chunk.Data();
  return chunk.Size();
}

intptr IEffectVst2::SetChunk(bool bank, intptr bytes, const void* ptr) {
  if (ptr == nullptr || bytes < 0 || bytes > std::numeric_limits<int>::max()) return 0;
  StateChunk& chunk = bank ? bankChunk_ : programChunk_;
  chunk.Resize(static_cast<int>(bytes));
  if (bytes > 0) std::memcpy(chunk.Data(), ptr, static_cast<std::size_t>(bytes));
  int pos = 0;
  const std::int32_t version = ReadChunkHeader(chunk, &pos);
  const bool handledAsBank = bank && version >= kFrameworkVersion;
  pos = LoadState(chunk, pos);
  if (!handledAsBank) StoreCurrentPreset(nullptr);
  if (pos < 0) return 0;
  PushValuesToEditor();
  return 1;
}

intptr IEffectVst2::PinProperties(bool input, int index, void* ptr) {
  const int count = input ? InputCount() : OutputCount();
  if (ptr == nullptr || index < 0 || index >= count) return 0;
  auto* pin = static_cast<VstPinProperties*>(ptr);
  pin->flags = kPinIsActive;
  if (index % 2 == 0 && index < count - 1) pin->flags |= kPinIsStereo;
  std::snprintf(pin->label, sizeof pin->label, input ? "Input %d" : "Output %d", index + 1);
  return 1;
}

void IEffectVst2::SetSpeakerArrangement(intptr inputArrangement, void* outputArrangement) {
  if (inputArrangement != 0) {
    const auto* arrangement = reinterpret_cast<const VstSpeakerArrangement*>(inputArrangement);
    const int n = std::clamp<int>(arrangement->numChannels, 0, InputCount());
    SetInputConnections(0, n, true);
    SetInputConnections(n, InputCount() - n, false);
  }
  if (outputArrangement != nullptr) {
    const auto* arrangement = static_cast<const VstSpeakerArrangement*>(outputArrangement);
    const int n = std::clamp<int>(arrangement->numChannels, 0, OutputCount());
    SetOutputConnections(0, n, true);
    SetOutputConnections(n, OutputCount() - n, false);
  }
}

intptr IEffectVst2::ProcessEvents(const VstEvents* events) {
  if (events == nullptr) return 0;
  // The list is really numEvents long, past its declared two entries.
  VstEvent* const* list = events->events;
  for (int32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (event == nullptr) continue;
    if (event->type == kVstMidiType) {
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      MidiMessage message;
      message.offset = midi->deltaFrames;
      message.status = static_cast<std::uint8_t>(midi->midiData[0]);
      message.data1 = static_cast<std::uint8_t>(midi->midiData[1]);
      message.data2 = static_cast<std::uint8_t>(midi->midiData[2]);
      HandleMidiMessage(message);
    } else {
      SendEventToHost(*event);
    }
  }
  return 1;
}

}  // namespace framework
