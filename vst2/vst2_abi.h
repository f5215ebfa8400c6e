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

// Dispatcher opcodes, host -> plug-in: dispatcher(effect, opcode, index, value, ptr, opt).
// "in" memory belongs to the host and is only read during the call; "out" memory belongs to the
// host and is written by the plug-in (within the nominal sizes below); "plug-in-owned" memory
// stays valid until the next call of the same kind or until close. Unlisted arguments are unused;
// an opcode the plug-in does not handle answers 0.
enum EffectOpcode : int32 {
  kEffectOpen = 0,             // the host is ready: the plug-in identifies the host. Returns 0.
  kEffectClose = 1,            // destroy the instance; the record is invalid afterwards. Returns 0.
  kEffectSetProgram = 2,       // value = program number. Returns 0.
  kEffectGetProgram = 3,       // returns the current program number.
  kEffectSetProgramName = 4,   // ptr = in, NUL-terminated name of the current program. Returns 0.
  kEffectGetProgramName = 5,   // ptr = out char[24]: the current program's name. Returns 0.
  kEffectGetParamLabel = 6,    // index = parameter, ptr = out char[]: its unit. Returns 0.
  kEffectGetParamDisplay = 7,  // index = parameter, ptr = out char[]: its value as text. Returns 0.
  kEffectGetParamName = 8,     // index = parameter, ptr = out char[]: its name. Returns 0.
  kEffectSetSampleRate = 10,   // opt = sample rate in Hz. Returns 0.
  kEffectSetBlockSize = 11,    // value = most frames a process call will pass. Returns 0.
  kEffectMainsChanged = 12,    // value = 1 processing starts, 0 it stops. Returns 0.
  kEffectEditGetRect = 13,     // ptr = out ERect*: receives the address of the plug-in-owned editor
                               // rectangle. Returns 1 when stored (an editor exists), else 0.
  kEffectEditOpen = 14,        // ptr = in parent window (X11 Window id on Linux, HWND on Windows).
                               // Returns 1 when the editor window opened, else 0.
  kEffectEditClose = 15,       // closes the editor window. Returns 1 when an editor exists.
  kEffectEditIdle = 19,        // the host's periodic editor call. Returns 0.
  kEffectIdentify = 22,        // returns 'NvEf'.
  kEffectGetChunk = 23,       // index = 0 bank, else program; ptr = out void*: receives the address
                              // of plug-in-owned state data. Returns its size in bytes, 0 for none.
  kEffectSetChunk = 24,       // index as for 23; value = byte count; ptr = in state data.
                              // Returns 1 when the whole state was read, else 0.
  kEffectProcessEvents = 25,  // ptr = in VstEvents* (MIDI for the next block). Returns 1 if used.
  kEffectCanBeAutomated = 26,         // index = parameter. Returns 1 when the host may automate it.
  kEffectGetProgramNameIndexed = 29,  // index = program, ptr = out char[24]. Returns 1 for a name.
  kEffectGetInputProperties = 33,     // index = input pin, ptr = out VstPinProperties. Returns 1.
  kEffectGetOutputProperties = 34,    // index = output pin, ptr = out VstPinProperties. Returns 1.
  kEffectGetPlugCategory = 35,        // returns the category (1 effect, 2 instrument).
  kEffectSetSpeakerArrangement = 42,  // value = in VstSpeakerArrangement* (inputs), ptr = in
                                      // VstSpeakerArrangement* (outputs). Returns 1 if accepted.
  kEffectSetBypass = 44,         // value = 1 bypass on. Returns 1 if the plug-in bypasses itself.
  kEffectGetEffectName = 45,     // ptr = out char[32]. Returns 1.
  kEffectGetVendorString = 47,   // ptr = out char[64]. Returns 1.
  kEffectGetProductString = 48,  // ptr = out char[64]. Returns 1.
  kEffectGetVendorVersion = 49,  // returns the plug-in's version number.
  kEffectVendorSpecific = 50,    // index, value, ptr, opt: defined by the vendor (index 7: the
                                 // display text of parameter `value` at normalised value opt
                                 // into out char[32] ptr). Returns a vendor-defined answer.
  kEffectCanDo = 51,             // ptr = in NUL-terminated capability. Returns 1 yes, -1 no,
                                 // 0 don't know.
  kEffectGetTailSize = 52,       // returns the samples of sound after the input stops (0 unknown).
  kEffectIdle = 53,              // the host's idle call (deprecated). Returns 0.
  kEffectGetVstVersion = 58,     // returns the interface version the plug-in speaks (2400).
  kEffectGetMidiKeyName = 66,    // ptr = in/out MidiKeyName: thisKeyNumber in, keyName out.
                                 // Returns 1 when the key has a name.
  kEffectGetSpeakerArrangement = 69,  // value = out VstSpeakerArrangement** (inputs), ptr = out
                                      // VstSpeakerArrangement** (outputs): receive plug-in-owned
                                      // addresses. Returns 1.
  kEffectOpcodeLimit = 70,
};

// A host's scale for the editor window (a HiDPI screen): kEffectVendorSpecific with index
// kScaleVendor, value kScaleRequest and opt the factor (device pixels per editor pixel), sent
// before the host asks for the size (opcode 13). Returns 1 when the plug-in takes it.
constexpr int32 kScaleVendor = FourCC('P', 'r', 'e', 'S');
constexpr int32 kScaleRequest = FourCC('A', 'e', 'C', 's');

// Host callback opcodes, plug-in -> host: callback(effect, opcode, index, value, ptr, opt). The
// host may be called from any thread the plug-in is on.
enum HostOpcode : int32 {
  kHostAutomate = 0,           // index = parameter, opt = its new normalised value (a change made
                               // by the plug-in's editor). Returns 0.
  kHostWantMidi = 6,           // value = 1: the plug-in wants MIDI events. Returns 1 if the host
                               // sends them.
  kHostGetTime = 7,            // value = mask of the "valid" flags wanted. Returns a host-owned
                               // VstTimeInfo* (valid during the process call) or 0.
  kHostProcessEvents = 8,      // ptr = in VstEvents* (MIDI out, plug-in-owned during the
                               // call). Returns 1 if the host took them.
  kHostGetProductString = 33,  // ptr = out char[256]: the host's name. Returns 1 if known.
  kHostGetVendorVersion = 34,  // returns the host's version as a decimal number.
  kHostBeginEdit = 43,         // index = parameter: a user gesture on it starts. Returns 1.
  kHostEndEdit = 44,           // index = parameter: the gesture ends. Returns 1.
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
