// The CLAP 1.2 binary interface, as far as an audio effect with parameters, state and an embedded
// editor uses it: the records, event types, flags and extension ids, written from the published
// layout. Shared by the plug-in framework and our host library; knows nothing else.
//
// Every record is plain C data with natural alignment. Strings are UTF-8 and null-terminated.
// Each function says which thread may call it: [main] the host's main thread, [audio] the audio
// thread (one at a time, never two at once), [any] any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clap {

// Identifies a parameter, a port or a timer; stable for the plug-in's life.
using Id = std::uint32_t;
constexpr Id kInvalidId = 0xFFFFFFFFu;

struct Version {
  std::uint32_t majorVersion;
  std::uint32_t minorVersion;
  std::uint32_t revision;
};
// What we write into every record; hosts and plug-ins accept any 1.x.
constexpr Version kVersion = {1, 2, 1};
constexpr bool VersionCompatible(const Version& v) { return v.majorVersion >= 1; }

// Positions in the transport: beats and seconds in fixed point, value x 2^31.
using BeatTime = std::int64_t;
using SecTime = std::int64_t;
constexpr double kBeatTimeFactor = 2147483648.0;
constexpr double kSecTimeFactor = 2147483648.0;

// Sizes of the text fields the plug-in fills.
constexpr std::size_t kNameSize = 256;
constexpr std::size_t kPathSize = 1024;

struct Host;
struct Plugin;

// ---- Module entry: the one exported data symbol, "clap_entry" --------------------------------

struct Entry {
  Version clapVersion;
  // [any, never concurrently with any other call into the module] Prepares the module; may be
  // called again before deinit (the module counts). pluginPath: the module file. True on success.
  bool (*init)(const char* pluginPath);
  // Undoes one init.
  void (*deinit)();
  // [any] The factory of that id (see kPluginFactoryId), or null. Owned by the module.
  const void* (*getFactory)(const char* factoryId);
};

// ---- Plug-in factory -----------------------------------------------------------------------

constexpr char kPluginFactoryId[] = "clap.plugin-factory";

struct PluginDescriptor {
  Version clapVersion;
  const char* id;  // reverse-domain, required, stable
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* version;
  const char* description;
  // Null-terminated list of feature strings (kFeature...).
  const char* const* features;
};

// Feature strings effects use.
constexpr char kFeatureAudioEffect[] = "audio-effect";
constexpr char kFeatureDelay[] = "delay";
constexpr char kFeatureGranular[] = "granular";
constexpr char kFeatureStereo[] = "stereo";

struct PluginFactory {
  // [any] Number of plug-ins the module holds.
  std::uint32_t (*getPluginCount)(const PluginFactory* factory);
  // [any] Descriptor of plug-in index, owned by the module; null for an index out of range.
  const PluginDescriptor* (*getPluginDescriptor)(const PluginFactory* factory,
                                                 std::uint32_t index);
  // [main] A new instance of pluginId for host (which must outlive it), not yet initialised; null
  // when the id is unknown. Released with Plugin::destroy.
  const Plugin* (*createPlugin)(const PluginFactory* factory, const Host* host,
                                const char* pluginId);
};

// ---- Host record: filled by the host, read by the plug-in ----------------------------------

struct Host {
  Version clapVersion;
  void* hostData;  // the host's
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  // [any] The host's extension record of that id (kHost... below), or null.
  const void* (*getExtension)(const Host* host, const char* extensionId);
  // [any] Asks the host to deactivate and reactivate the plug-in.
  void (*requestRestart)(const Host* host);
  // [any] Asks the host to activate and start processing.
  void (*requestProcess)(const Host* host);
  // [any] Asks the host to call Plugin::onMainThread on the main thread.
  void (*requestCallback)(const Host* host);
};

// ---- Audio buffers and the process call ----------------------------------------------------

struct AudioBuffer {
  float** data32;   // one pointer per channel, or null when data64 is used
  double** data64;  // one pointer per channel, or null when data32 is used
  std::uint32_t channelCount;
  std::uint32_t latency;       // of the signal in this buffer, in samples
  std::uint64_t constantMask;  // bit n: channel n holds one value for the whole block
};

struct EventHeader;
struct TransportEvent;

// Input events of a block, sorted by time. Owned by the host for the call.
struct InputEvents {
  void* ctx;
  std::uint32_t (*size)(const InputEvents* list);
  const EventHeader* (*get)(const InputEvents* list, std::uint32_t index);
};

// Where the plug-in puts its events, in time order. The host copies each one.
struct OutputEvents {
  void* ctx;
  // False when the event could not be taken.
  bool (*tryPush)(const OutputEvents* list, const EventHeader* event);
};

struct Process {
  std::int64_t steadyTime;  // sample counter of the first frame, or -1
  std::uint32_t framesCount;
  const TransportEvent* transport;  // null: free-running, no transport
  const AudioBuffer* audioInputs;
  AudioBuffer* audioOutputs;
  std::uint32_t audioInputsCount;
  std::uint32_t audioOutputsCount;
  const InputEvents* inEvents;
  const OutputEvents* outEvents;
};

// What process answers.
enum ProcessStatus : std::int32_t {
  kProcessError = 0,
  kProcessContinue = 1,
  kProcessContinueIfNotQuiet = 2,
  kProcessTail = 3,
  kProcessSleep = 4,
};

// ---- Plug-in record: filled by the plug-in -------------------------------------------------

struct Plugin {
  const PluginDescriptor* desc;
  void* pluginData;  // the plug-in's
  // [main] Once, after creation; false: the host must destroy the instance.
  bool (*init)(const Plugin* plugin);
  // [main] Frees the instance, active or not. The record is gone afterwards.
  void (*destroy)(const Plugin* plugin);
  // [main] Prepares for processing at this rate with blocks of minFrames..maxFrames (at least 1);
  // may allocate. False when it cannot.
  bool (*activate)(const Plugin* plugin, double sampleRate, std::uint32_t minFrames,
                   std::uint32_t maxFrames);
  // [main]
  void (*deactivate)(const Plugin* plugin);
  // [audio] Between activate and deactivate, before the first process of a run and after it.
  bool (*startProcessing)(const Plugin* plugin);
  void (*stopProcessing)(const Plugin* plugin);
  // [audio] Clears the processing state (buffers, envelopes), while active.
  void (*reset)(const Plugin* plugin);
  // [audio] One block, while processing. Never allocates. Answers a ProcessStatus.
  std::int32_t (*process)(const Plugin* plugin, const Process* process);
  // [any] The plug-in's extension record of that id, owned by the plug-in, or null. Not before
  // init; valid until destroy.
  const void* (*getExtension)(const Plugin* plugin, const char* extensionId);
  // [main] The answer to Host::requestCallback.
  void (*onMainThread)(const Plugin* plugin);
};

// ---- Events --------------------------------------------------------------------------------

constexpr std::uint16_t kCoreEventSpace = 0;

// Header flags.
enum EventFlags : std::uint32_t {
  kEventIsLive = 1,      // a live user action
  kEventDontRecord = 2,  // not to be recorded as automation
};

// Event types of the core space used here.
enum EventType : std::uint16_t {
  kEventParamValue = 5,
  kEventParamMod = 6,
  kEventParamGestureBegin = 7,
  kEventParamGestureEnd = 8,
  kEventTransport = 9,
};

struct EventHeader {
  std::uint32_t size;  // of the whole event, header included
  std::uint32_t time;  // sample offset in the block
  std::uint16_t spaceId;
  std::uint16_t type;
  std::uint32_t flags;
};

// A parameter's new plain value. -1 in noteId, portIndex, channel and key: for all.
struct ParamValueEvent {
  EventHeader header;
  Id paramId;
  void* cookie;  // ParamInfo::cookie, or null
  std::int32_t noteId;
  std::int16_t portIndex;
  std::int16_t channel;
  std::int16_t key;
  double value;
};

// The user begins or ends adjusting a parameter (kEventParamGestureBegin, kEventParamGestureEnd).
struct ParamGestureEvent {
  EventHeader header;
  Id paramId;
};

enum TransportFlags : std::uint32_t {
  kTransportHasTempo = 1,
  kTransportHasBeatsTimeline = 2,
  kTransportHasSecondsTimeline = 4,
  kTransportHasTimeSignature = 8,
  kTransportIsPlaying = 16,
  kTransportIsRecording = 32,
  kTransportIsLoopActive = 64,
  kTransportIsWithinPreRoll = 128,
};

struct TransportEvent {
  EventHeader header;
  std::uint32_t flags;  // TransportFlags
  BeatTime songPosBeats;
  SecTime songPosSeconds;
  double tempo;     // beats per minute
  double tempoInc;  // per sample, until the next transport event
  BeatTime loopStartBeats;
  BeatTime loopEndBeats;
  SecTime loopStartSeconds;
  SecTime loopEndSeconds;
  BeatTime barStart;
  std::int32_t barNumber;
  std::uint16_t tsigNum;
  std::uint16_t tsigDenom;
};

// ---- Extension "clap.params" ---------------------------------------------------------------

constexpr char kExtParams[] = "clap.params";

enum ParamInfoFlags : std::uint32_t {
  kParamIsStepped = 1 << 0,  // integer values only; hosts' values are truncated
  kParamIsPeriodic = 1 << 1,
  kParamIsHidden = 1 << 2,
  kParamIsReadOnly = 1 << 3,
  kParamIsBypass = 1 << 4,
  kParamIsAutomatable = 1 << 5,
  kParamIsModulatable = 1 << 10,
  kParamRequiresProcess = 1 << 15,
  kParamIsEnum = 1 << 16,  // stepped, every value has a text
};

struct ParamInfo {
  Id id;
  std::uint32_t flags;  // ParamInfoFlags
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];  // "group/subgroup", may be empty
  double minValue;         // plain values, finite
  double maxValue;
  double defaultValue;
};

struct PluginParams {
  // [main]
  std::uint32_t (*count)(const Plugin* plugin);
  // [main] Fills info for parameter index; false out of range.
  bool (*getInfo)(const Plugin* plugin, std::uint32_t index, ParamInfo* info);
  // [main] The plain value now.
  bool (*getValue)(const Plugin* plugin, Id paramId, double* value);
  // [main] The text the plug-in shows for a plain value, into out (capacity bytes).
  bool (*valueToText)(const Plugin* plugin, Id paramId, double value, char* out,
                      std::uint32_t capacity);
  // [main] The plain value a text stands for.
  bool (*textToValue)(const Plugin* plugin, Id paramId, const char* text, double* value);
  // [active ? audio : main] Applies in and reports the plug-in's own changes to out; never while
  // processing, never together with process.
  void (*flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

enum ParamRescanFlags : std::uint32_t {
  kParamRescanValues = 1,
  kParamRescanText = 2,
  kParamRescanInfo = 4,
  kParamRescanAll = 8,
};

struct HostParams {
  // [main]
  void (*rescan)(const Host* host, std::uint32_t flags);
  // [main]
  void (*clear)(const Host* host, Id paramId, std::uint32_t flags);
  // [any but audio] Asks for a flush or a process call, so the plug-in can report its changes.
  void (*requestFlush)(const Host* host);
};

// ---- Extension "clap.state" ----------------------------------------------------------------

constexpr char kExtState[] = "clap.state";

// Streams move as many bytes as they can: possibly fewer than asked (call again), 0 at the end
// of an input stream, negative on error.
struct OStream {
  void* ctx;
  std::int64_t (*write)(const OStream* stream, const void* buffer, std::uint64_t size);
};

struct IStream {
  void* ctx;
  std::int64_t (*read)(const IStream* stream, void* buffer, std::uint64_t size);
};

struct PluginState {
  // [main]
  bool (*save)(const Plugin* plugin, const OStream* stream);
  // [main]
  bool (*load)(const Plugin* plugin, const IStream* stream);
};

struct HostState {
  // [main] The state changed (the project needs saving).
  void (*markDirty)(const Host* host);
};

// ---- Extension "clap.audio-ports" ----------------------------------------------------------

constexpr char kExtAudioPorts[] = "clap.audio-ports";
constexpr char kPortStereo[] = "stereo";
constexpr char kPortMono[] = "mono";

enum AudioPortFlags : std::uint32_t {
  kAudioPortIsMain = 1,
  kAudioPortSupports64Bits = 2,
  kAudioPortPrefers64Bits = 4,
  kAudioPortRequiresCommonSampleSize = 8,
};

struct AudioPortInfo {
  Id id;
  char name[kNameSize];
  std::uint32_t flags;  // AudioPortFlags
  std::uint32_t channelCount;
  const char* portType;  // kPortStereo, kPortMono, or null
  Id inPlacePair;        // the port the host may share buffers with, or kInvalidId
};

struct PluginAudioPorts {
  // [main]
  std::uint32_t (*count)(const Plugin* plugin, bool isInput);
  // [main]
  bool (*get)(const Plugin* plugin, std::uint32_t index, bool isInput, AudioPortInfo* info);
};

// ---- Extension "clap.latency" --------------------------------------------------------------

constexpr char kExtLatency[] = "clap.latency";

struct PluginLatency {
  // [main] Samples of latency while active.
  std::uint32_t (*get)(const Plugin* plugin);
};

// ---- Extension "clap.gui" ------------------------------------------------------------------

constexpr char kExtGui[] = "clap.gui";
constexpr char kWindowApiX11[] = "x11";
constexpr char kWindowApiWin32[] = "win32";

struct Window {
  const char* api;  // kWindowApiX11 or kWindowApiWin32
  union {
    unsigned long x11;  // the X11 Window id
    void* win32;        // the HWND
    void* ptr;
  };
};

struct GuiResizeHints {
  bool canResizeHorizontally;
  bool canResizeVertically;
  bool preserveAspectRatio;
  std::uint32_t aspectRatioWidth;
  std::uint32_t aspectRatioHeight;
};

// Every call [main]. Sizes are in physical pixels for both window systems.
struct PluginGui {
  bool (*isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
  bool (*getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
  bool (*create)(const Plugin* plugin, const char* api, bool isFloating);
  void (*destroy)(const Plugin* plugin);
  // Absolute scale, 2 = 200 %; false when ignored.
  bool (*setScale)(const Plugin* plugin, double scale);
  bool (*getSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
  bool (*canResize)(const Plugin* plugin);
  bool (*getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
  bool (*adjustSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
  bool (*setSize)(const Plugin* plugin, std::uint32_t width, std::uint32_t height);
  // Embeds the editor into the host's window.
  bool (*setParent)(const Plugin* plugin, const Window* window);
  bool (*setTransient)(const Plugin* plugin, const Window* window);
  void (*suggestTitle)(const Plugin* plugin, const char* title);
  bool (*show)(const Plugin* plugin);
  bool (*hide)(const Plugin* plugin);
};

struct HostGui {
  void (*resizeHintsChanged)(const Host* host);
  bool (*requestResize)(const Host* host, std::uint32_t width, std::uint32_t height);
  bool (*requestShow)(const Host* host);
  bool (*requestHide)(const Host* host);
  // The editor's window went away; wasDestroyed: the host must call PluginGui::destroy.
  void (*closed)(const Host* host, bool wasDestroyed);
};

// ---- Host extensions "clap.log" and "clap.thread-check" ------------------------------------

constexpr char kExtLog[] = "clap.log";

enum LogSeverity : std::int32_t {
  kLogDebug = 0,
  kLogInfo = 1,
  kLogWarning = 2,
  kLogError = 3,
  kLogFatal = 4,
  kLogHostMisbehaving = 5,
  kLogPluginMisbehaving = 6,
};

struct HostLog {
  // [any]
  void (*log)(const Host* host, std::int32_t severity, const char* message);
};

constexpr char kExtThreadCheck[] = "clap.thread-check";

struct HostThreadCheck {
  // [any] Whether the calling thread is the main thread, or (at this moment) the audio thread.
  bool (*isMainThread)(const Host* host);
  bool (*isAudioThread)(const Host* host);
};

// ---- Extension "clap.note-ports": an effect without notes answers null for it ---------------

constexpr char kExtNotePorts[] = "clap.note-ports";

// ---- Layout on the 64-bit targets (x86-64 Linux and Windows) -------------------------------

static_assert(sizeof(Version) == 12);
static_assert(sizeof(void*) == 8, "the layouts below are those of the 64-bit targets");
static_assert(sizeof(Entry) == 40);
static_assert(offsetof(Entry, init) == 16);
static_assert(offsetof(Entry, getFactory) == 32);
static_assert(sizeof(PluginFactory) == 24);
static_assert(sizeof(PluginDescriptor) == 88);
static_assert(offsetof(PluginDescriptor, id) == 16);
static_assert(offsetof(PluginDescriptor, version) == 64);
static_assert(offsetof(PluginDescriptor, features) == 80);
static_assert(sizeof(Host) == 88);
static_assert(offsetof(Host, hostData) == 16);
static_assert(offsetof(Host, getExtension) == 56);
static_assert(offsetof(Host, requestCallback) == 80);
static_assert(sizeof(AudioBuffer) == 32);
static_assert(offsetof(AudioBuffer, channelCount) == 16);
static_assert(offsetof(AudioBuffer, constantMask) == 24);
static_assert(sizeof(InputEvents) == 24);
static_assert(sizeof(OutputEvents) == 16);
static_assert(sizeof(Process) == 64);
static_assert(offsetof(Process, framesCount) == 8);
static_assert(offsetof(Process, transport) == 16);
static_assert(offsetof(Process, audioInputsCount) == 40);
static_assert(offsetof(Process, inEvents) == 48);
static_assert(offsetof(Process, outEvents) == 56);
static_assert(sizeof(Plugin) == 96);
static_assert(offsetof(Plugin, init) == 16);
static_assert(offsetof(Plugin, reset) == 64);
static_assert(offsetof(Plugin, process) == 72);
static_assert(offsetof(Plugin, onMainThread) == 88);
static_assert(sizeof(EventHeader) == 16);
static_assert(offsetof(EventHeader, spaceId) == 8);
static_assert(offsetof(EventHeader, type) == 10);
static_assert(sizeof(ParamValueEvent) == 56);
static_assert(offsetof(ParamValueEvent, paramId) == 16);
static_assert(offsetof(ParamValueEvent, cookie) == 24);
static_assert(offsetof(ParamValueEvent, noteId) == 32);
static_assert(offsetof(ParamValueEvent, key) == 40);
static_assert(offsetof(ParamValueEvent, value) == 48);
static_assert(sizeof(ParamGestureEvent) == 20);
static_assert(sizeof(TransportEvent) == 104);
static_assert(offsetof(TransportEvent, flags) == 16);
static_assert(offsetof(TransportEvent, songPosBeats) == 24);
static_assert(offsetof(TransportEvent, tempo) == 40);
static_assert(offsetof(TransportEvent, loopStartBeats) == 56);
static_assert(offsetof(TransportEvent, barStart) == 88);
static_assert(offsetof(TransportEvent, barNumber) == 96);
static_assert(offsetof(TransportEvent, tsigNum) == 100);
static_assert(offsetof(TransportEvent, tsigDenom) == 102);
static_assert(sizeof(ParamInfo) == 1320);
static_assert(offsetof(ParamInfo, cookie) == 8);
static_assert(offsetof(ParamInfo, name) == 16);
static_assert(offsetof(ParamInfo, module) == 272);
static_assert(offsetof(ParamInfo, minValue) == 1296);
static_assert(offsetof(ParamInfo, defaultValue) == 1312);
static_assert(sizeof(PluginParams) == 48);
static_assert(sizeof(HostParams) == 24);
static_assert(sizeof(OStream) == 16);
static_assert(sizeof(IStream) == 16);
static_assert(sizeof(PluginState) == 16);
static_assert(sizeof(AudioPortInfo) == 288);
static_assert(offsetof(AudioPortInfo, flags) == 260);
static_assert(offsetof(AudioPortInfo, channelCount) == 264);
static_assert(offsetof(AudioPortInfo, portType) == 272);
static_assert(offsetof(AudioPortInfo, inPlacePair) == 280);
static_assert(sizeof(PluginAudioPorts) == 16);
static_assert(sizeof(PluginLatency) == 8);
static_assert(sizeof(Window) == 16);
static_assert(offsetof(Window, x11) == 8);
static_assert(offsetof(Window, win32) == 8);
static_assert(sizeof(GuiResizeHints) == 12);
static_assert(offsetof(GuiResizeHints, aspectRatioWidth) == 4);
static_assert(sizeof(PluginGui) == 120);
static_assert(sizeof(HostGui) == 40);
static_assert(sizeof(HostLog) == 8);
static_assert(sizeof(HostThreadCheck) == 16);

}  // namespace clap
