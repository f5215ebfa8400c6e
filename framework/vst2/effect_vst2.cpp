// The VST 2 adapter: effect record set-up and the calls back into the host.
#include "framework/vst2/effect_vst2.h"

#include <cstring>
#include <utility>

namespace framework {

using namespace vst2;

namespace {

int32 ArrangementType(int channels) {
  switch (channels) {
    case 0:
      return kSpeakerArrEmpty;
    case 1:
      return kSpeakerArrMono;
    case 2:
      return kSpeakerArrStereo;
    default:
      return kSpeakerArrUserDefined;
  }
}

}  // namespace

IEffectVst2::IEffectVst2(HostCallback host, EffectIdentity identity)
    : IEffectBase(std::move(identity)),
      host_(host),
      receivesMidi_(identity.receivesMidi),  // a flag: still there after the move
      programChunk_(8 + 8 * ParameterCount()),
      bankChunk_(8 + 8 * ParameterCount()) {
  effect_.magic = kEffectMagic;
  effect_.dispatcher = &VSTDispatcher;
  effect_.process = &VSTProcessAccumulating;
  effect_.setParameter = &VSTSetParameter;
  effect_.getParameter = &VSTGetParameter;
  effect_.numPrograms = Presets().Count();
  effect_.numParams = ParameterCount();
  effect_.numInputs = InputCount();
  effect_.numOutputs = OutputCount();
  effect_.flags = kFlagCanReplacing | kFlagCanDoubleReplacing;
  if (SavesChunks()) effect_.flags |= kFlagProgramChunks;
  if (LegalIO(1, -1)) effect_.flags |= kFlagCanMono;
  if (IsInstrument()) effect_.flags |= kFlagIsSynth;
  effect_.initialDelay = Latency();
  effect_.ioRatio = 1.0f;
  effect_.object = static_cast<IEffectVst2*>(this);
  effect_.uniqueID = UniqueId();
  effect_.version = EffectVersion(true);
  effect_.processReplacing = &VSTProcessReplacing;
  effect_.processDoubleReplacing = &VSTProcessDoubleReplacing;

  inputArrangement_.type = ArrangementType(InputCount());
  inputArrangement_.numChannels = InputCount();
  outputArrangement_.type = ArrangementType(OutputCount());
  outputArrangement_.numChannels = OutputCount();
  SetInputConnections(0, InputCount(), true);
  SetOutputConnections(0, OutputCount(), true);
  SetMaxBlockSize(1024);
}

IEffectVst2::~IEffectVst2() { effect_.object = nullptr; }

IEffectVst2* IEffectVst2::FromEffect(AEffect* effect) {
  if (effect == nullptr) return nullptr;
  return static_cast<IEffectVst2*>(effect->object);
}

intptr IEffectVst2::CallHost(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
  if (host_ == nullptr) return 0;
  return host_(&effect_, opcode, index, value, ptr, opt);
}

void IEffectVst2::SendToHost(const HostNotification& notification) noexcept {
  switch (notification.kind) {
    case HostNotification::kAutomate:
      CallHost(kHostAutomate, notification.index, 0, nullptr,
               static_cast<float>(notification.value));
      break;
    case HostNotification::kBeginEdit:
      CallHost(kHostBeginEdit, notification.index, 0, nullptr, 0);
      break;
    case HostNotification::kEndEdit:
      CallHost(kHostEndEdit, notification.index, 0, nullptr, 0);
      break;
  }
}

const VstTimeInfo* IEffectVst2::HostTime(int32 mask) {
  return reinterpret_cast<const VstTimeInfo*>(CallHost(kHostGetTime, 0, mask, nullptr, 0));
}

int IEffectVst2::HostSamplePos() {
  const VstTimeInfo* time = HostTime(0);
  if (time == nullptr || !(time->samplePos >= 0.0)) return 0;
  // Positions beyond what an int holds saturate rather than overflow.
  if (time->samplePos >= 2147483647.0) return 2147483647;
  return static_cast<int>(time->samplePos);
}

double IEffectVst2::HostTempo() {
  if (host_ == nullptr) return 0.0;
  const VstTimeInfo* time = HostTime(kTempoValid);
  if (time != nullptr && (time->flags & kTempoValid) != 0 && time->tempo >= 0.0) {
    return time->tempo;
  }
  return 0.0;
}

void IEffectVst2::HostTimeSignature(int* numerator, int* denominator) {
  int n = 0;
  int d = 0;
  const VstTimeInfo* time = HostTime(kTimeSigValid);
  if (time != nullptr && (time->flags & kTimeSigValid) != 0 && time->timeSigNumerator >= 0 &&
      time->timeSigDenominator >= 0) {
    n = time->timeSigNumerator;
    d = time->timeSigDenominator;
  }
  if (numerator != nullptr) *numerator = n;
  if (denominator != nullptr) *denominator = d;
}

bool IEffectVst2::HostIsPlaying() {
  constexpr int32 kMask = 0x3E00;
  const VstTimeInfo* time = HostTime(kMask);
  if (time != nullptr && (time->flags & kMask) != 0) return (time->flags & kTransportPlaying) != 0;
  return true;
}

void IEffectVst2::HostTimeInfo(HostTransport& out) {
  constexpr int32 kMask = 0x3E00;
  IEffectBase::HostTimeInfo(out);
  const VstTimeInfo* time = HostTime(kMask);
  if (time == nullptr || (time->flags & kMask) == 0) return;
  const int32 flags = time->flags;
  out.samplePos = time->samplePos;
  if ((flags & kPpqPosValid) != 0 && time->ppqPos >= 0.0) out.ppqPos = time->ppqPos;
  if ((flags & kTempoValid) != 0 && time->tempo > 0.0) out.tempo = time->tempo;
  if ((flags & kBarsValid) != 0 && time->barStartPos >= 0.0) out.barStartPos = time->barStartPos;
  if ((flags & kCyclePosValid) != 0 && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
    out.cycleStart = time->cycleStartPos;
    out.cycleEnd = time->cycleEndPos;
  }
  if ((flags & kTimeSigValid) != 0 && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
    out.numerator = time->timeSigNumerator;
    out.denominator = time->timeSigDenominator;
  }
  out.playing = (flags & kTransportPlaying) != 0;
  out.cycleActive = (flags & kTransportCycleActive) != 0;
}

void IEffectVst2::EditorResized(int, int) {
  IEditorView* editor = Editor();
  if (editor == nullptr) return;
  editorRect_.top = 0;
  editorRect_.left = 0;
  editorRect_.bottom = static_cast<std::int16_t>(editor->Height());
  editorRect_.right = static_cast<std::int16_t>(editor->Width());
}

void IEffectVst2::AttachEditor(std::unique_ptr<IEditorView> editor) {
  if (!editor) return;
  IEffectBase::AttachEditor(std::move(editor));
  effect_.flags |= kFlagHasEditor;
  // The size is read when the host asks for it (opcode 13): the scale is not known before.
}

void IEffectVst2::SetLatencySamples(int samples) {
  effect_.initialDelay = samples;
  IEffectBase::SetLatencySamples(samples);
}

bool IEffectVst2::SendMidiToHost(const MidiMessage& message) {
  VstMidiEvent midi{};
  midi.type = kVstMidiType;
  midi.byteSize = sizeof(VstMidiEvent);
  midi.deltaFrames = message.offset;
  midi.midiData[0] = static_cast<char>(message.status);
  midi.midiData[1] = static_cast<char>(message.data1);
  midi.midiData[2] = static_cast<char>(message.data2);
  VstEvents list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<VstEvent*>(&midi);
  return CallHost(kHostProcessEvents, 0, 0, &list, 0) == 1;
}

bool IEffectVst2::SendMidiListToHost(std::span<const MidiMessage> messages) {
  return IEffectBase::SendMidiListToHost(messages);
}

bool IEffectVst2::SendEventToHost(const VstEvent& event) {
  VstEvents list{};
  list.numEvents = 1;
  list.events[0] = const_cast<VstEvent*>(&event);
  return CallHost(kHostProcessEvents, 0, 0, &list, 0) == 1;
}

}  // namespace framework
