// The VST 2.4 binary interface as hosts see it: records, opcodes and flags, written from the
// published layout. Shared by the plug-in and by our own host library; knows nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst2 {

using int32 = std::int32_t;
using intptr = std::intptr_t;

struct AEffect;

// Host callback: (effect, opcode, index, value, ptr, opt) -> result. Called by the plug-in.
using HostCallback = intptr (*)(AEffect*, int32, int32, intptr, void*, float);
using DispatcherProc = intptr (*)(AEffect*, int32, int32, intptr, void*, float);
using ProcessProc = void (*)(AEffect*, float** inputs, float** outputs, int32 frames);
using ProcessDoubleProc = void (*)(AEffect*, double** inputs, double** outputs, int32 frames);
using SetParameterProc = void (*)(AEffect*, int32 index, float value);
using GetParameterProc = float (*)(AEffect*, int32 index);
using EntryProc = AEffect* (*)(HostCallback);

constexpr int32 FourCC(char a, char b, char c, char d) {
  return static_cast<int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                            (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                            (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32 kEffectMagic = FourCC('V', 's', 't', 'P');  // 0x56737450

// The effect record. The plug-in owns it; the host keeps its address until opcode 1 (close).
struct AEffect {
  int32 magic;
  DispatcherProc dispatcher;
  ProcessProc process;  // accumulating, deprecated but still called by old hosts
  SetParameterProc setParameter;
  GetParameterProc getParameter;
  int32 numPrograms;
  int32 numParams;
  int32 numInputs;
  int32 numOutputs;
  int32 flags;
  intptr reserved1;
  intptr reserved2;
  int32 initialDelay;
  int32 realQualities;
  int32 offQualities;
  float ioRatio;
  void* object;  // the plug-in instance
  void* user;    // the host's
  int32 uniqueID;
  int32 version;
  ProcessProc processReplacing;
  ProcessDoubleProc processDoubleReplacing;
  char future[56];
};

// Effect flags.
enum : int32 {
  kFlagHasEditor = 1,
  kFlagCanMono = 8,
  kFlagCanReplacing = 16,
  kFlagProgramChunks = 32,
  kFlagIsSynth = 256,
  kFlagNoSoundInStop = 512,
  kFlagCanDoubleReplacing = 4096,
};

// Dispatcher opcodes (host -> plug-in). Arguments: index, value, ptr, opt.
enum EffectOpcode : int32 {
  effOpen = 0,                // -
  effClose = 1,               // - ; the record is invalid afterwards
  effSetProgram = 2,          // value = program
  effGetProgram = 3,          // returns current program
  effSetProgramName = 4,      // ptr = const char* (host-owned)
  effGetProgramName = 5,      // ptr = char[24] (host-owned) to fill
  effGetParamLabel = 6,       // index, ptr = char[] to fill
  effGetParamDisplay = 7,     // index, ptr = char[] to fill
  effGetParamName = 8,        // index, ptr = char[] to fill
  effSetSampleRate = 10,      // opt = rate
  effSetBlockSize = 11,       // value = maximum frames per block
  effMainsChanged = 12,       // value = 0 off, 1 on
  effEditGetRect = 13,        // ptr = ERect** to store the plug-in's rectangle address
  effEditOpen = 14,           // ptr = parent window (X11 Window id / HWND)
  effEditClose = 15,          // -
  effEditIdle = 19,           // -
  effIdentify = 22,           // returns 'NvEf'
  effGetChunk = 23,           // index 0 bank / else program; ptr = void** receives plug-in-owned data
  effSetChunk = 24,           // index as above; value = byte count; ptr = bytes (host-owned)
  effProcessEvents = 25,      // ptr = VstEvents*
  effCanBeAutomated = 26,     // index
  effGetProgramNameIndexed = 29,  // index = program, ptr = char[24]
  effGetInputProperties = 33,     // index, ptr = VstPinProperties*
  effGetOutputProperties = 34,    // index, ptr = VstPinProperties*
  effGetPlugCategory = 35,
  effSetSpeakerArrangement = 42,  // value = VstSpeakerArrangement* (in), ptr = VstSpeakerArrangement* (out)
  effSetBypass = 44,
  effGetEffectName = 45,      // ptr = char[32]
  effGetVendorString = 47,    // ptr = char[64]
  effGetProductString = 48,   // ptr = char[64]
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,              // ptr = const char*
  effGetTailSize = 52,
  effIdle = 53,
  effGetVstVersion = 58,
  effGetMidiKeyName = 66,     // ptr = MidiKeyName*
  effGetSpeakerArrangement = 69,  // value = VstSpeakerArrangement**, ptr = VstSpeakerArrangement**
  kEffectOpcodeLimit = 70,
};

// Host callback opcodes (plug-in -> host).
enum HostOpcode : int32 {
  audioMasterAutomate = 0,         // index = parameter, opt = normalised value
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,          // value = mask of wanted "valid" flags; returns VstTimeInfo* or 0
  audioMasterProcessEvents = 8,    // ptr = VstEvents*
  audioMasterGetProductString = 33,  // ptr = char[256] to fill
  audioMasterGetVendorVersion = 34,  // returns decimal version
  audioMasterBeginEdit = 43,       // index = parameter
  audioMasterEndEdit = 44,         // index = parameter
};

// Nominal sizes of text buffers handed over by hosts (see vst2-abi facts). Parameter texts use 32
// bytes including the terminator: every text of this effect fits, and no copy goes further.
constexpr std::size_t kParamTextSize = 32;
constexpr std::size_t kProgramNameSize = 24;
constexpr std::size_t kEffectNameSize = 32;
constexpr std::size_t kVendorStringSize = 64;
constexpr std::size_t kProductStringSize = 64;
constexpr std::size_t kHostProductStringSize = 256;

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  int32 smpteOffset;
  int32 smpteFrameRate;
  int32 samplesToNextClock;
  int32 flags;
};

enum TimeInfoFlags : int32 {
  kTransportChanged = 0x1,
  kTransportPlaying = 0x2,
  kTransportCycleActive = 0x4,
  kTransportRecording = 0x8,
  kAutomationWriting = 0x40,
  kAutomationReading = 0x80,
  kNanosValid = 0x100,
  kPpqPosValid = 0x200,
  kTempoValid = 0x400,
  kBarsValid = 0x800,
  kCyclePosValid = 0x1000,
  kTimeSigValid = 0x2000,
  kSmpteValid = 0x4000,
  kClockValid = 0x8000,
};

struct VstEvent {
  int32 type;
  int32 byteSize;
  int32 deltaFrames;
  int32 flags;
  char data[16];
};

enum : int32 { kVstMidiType = 1, kVstSysExType = 6 };

struct VstMidiEvent {
  int32 type;
  int32 byteSize;
  int32 deltaFrames;
  int32 flags;
  int32 noteLength;
  int32 noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstEvents {
  int32 numEvents;
  intptr reserved;
  VstEvent* events[2];  // really numEvents entries
};

struct VstPinProperties {
  char label[64];
  int32 flags;
  int32 arrangementType;
  char shortLabel[8];
  char future[48];
};

enum : int32 { kPinIsActive = 1, kPinIsStereo = 2, kPinUseSpeaker = 4 };

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  int32 type;
  char future[28];
};

struct VstSpeakerArrangement {
  int32 type;
  int32 numChannels;
  VstSpeakerProperties speakers[8];
};

enum : int32 {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo = 1,
};

struct MidiKeyName {
  int32 thisProgramIndex;
  int32 thisKeyNumber;
  char keyName[64];
  int32 reserved;
  int32 flags;
};

struct ERect {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, reserved1) == 64);
static_assert(offsetof(AEffect, reserved2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(offsetof(VstEvents, events) == 16);
#endif
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(sizeof(VstSpeakerArrangement) == 904);
static_assert(sizeof(MidiKeyName) == 80);
static_assert(sizeof(ERect) == 8);

}  // namespace vst2
