// The host library's implementation: module loading, the host callback and the calls into the
// effect record.
#include "host/lib/plugin_host.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "host/lib/module_file.h"

namespace qvhost {
namespace {

constexpr vst2::int32 kHostOpcodeVersion = 1;  // "which VST version is the host"
constexpr vst2::intptr kHostVstVersion = 2400;

// Set on the loading thread while the entry point runs, so callbacks that arrive before the
// effect record exists (or before its user field is set) still find their host.
thread_local PluginHost* tLoading = nullptr;

// Bytes of slack behind every text buffer handed to the plug-in: a plug-in that writes past the
// nominal size damages only the slack, which is then counted as an overrun.
constexpr std::size_t kTextSlack = 256;
constexpr unsigned char kSlackFill = 0xA5;

}  // namespace

// Called on the loading thread only.
std::unique_ptr<PluginHost> PluginHost::Load(const std::string& path, std::string* error,
                                             HostScript script) {
  std::string scratch;
  std::string& err = error ? *error : scratch;
  err.clear();

  std::string reason;
  void* module = OpenModuleFile(path, reason);
  if (module == nullptr) {
    err = "cannot load " + path + ": " + reason;
    return nullptr;
  }
  auto entry = reinterpret_cast<vst2::EntryProc>(ModuleFunction(module, "VSTPluginMain"));
  if (entry == nullptr) entry = reinterpret_cast<vst2::EntryProc>(ModuleFunction(module, "main"));
  if (entry == nullptr) {
    CloseModuleFile(module);
    err = path + " is not a VST 2 plug-in: no VSTPluginMain or main";
    return nullptr;
  }
  return Begin(module, entry, path, err, std::move(script));
}

// Called on the starting thread only.
std::unique_ptr<PluginHost> PluginHost::Start(vst2::EntryProc entry, const std::string& name,
                                              std::string* error, HostScript script) {
  std::string scratch;
  std::string& err = error ? *error : scratch;
  err.clear();
  return Begin(nullptr, entry, name, err, std::move(script));
}

// Takes ownership of module (unloaded on failure too) and calls the entry point.
std::unique_ptr<PluginHost> PluginHost::Begin(void* module, vst2::EntryProc entry,
                                              const std::string& path, std::string& err,
                                              HostScript script) {
  std::unique_ptr<PluginHost> host(new PluginHost());
  host->module_ = module;
  host->script_ = std::move(script);

  vst2::AEffect* effect = nullptr;
  PluginHost* const previous = tLoading;
  tLoading = host.get();
  try {
    effect = entry(&PluginHost::Callback);
  } catch (...) {
    effect = nullptr;
  }
  tLoading = previous;

  if (effect == nullptr) {
    err = path + " is not a VST 2 plug-in: entry point returned no effect";
    host->closed_ = true;
    return nullptr;  // the destructor unloads the module
  }
  if (effect->magic != vst2::kEffectMagic) {
    // A record without the magic is not ours to call into, not even to close it.
    err = path + " is not a VST 2 plug-in: bad magic";
    host->closed_ = true;
    return nullptr;
  }
  effect->user = host.get();
  host->effect_ = effect;
  return host;
}

// Called on the owner's thread; no other thread may be inside the effect.
PluginHost::~PluginHost() {
  if (effect_ != nullptr && !closed_) Close();
  if (module_ != nullptr) CloseModuleFile(module_);
}

int PluginHost::CountCalls(vst2::int32 opcode) const {
  std::lock_guard<std::mutex> guard(callsMutex_);
  return static_cast<int>(
      std::count_if(calls_.begin(), calls_.end(),
                    [opcode](const CallbackRecord& r) { return r.opcode == opcode; }));
}

std::vector<CallbackRecord> PluginHost::CallsSnapshot() const {
  std::lock_guard<std::mutex> guard(callsMutex_);
  return calls_;
}

std::vector<vst2::VstMidiEvent> PluginHost::EventsReceived() const {
  std::lock_guard<std::mutex> guard(callsMutex_);
  return eventsReceived_;
}

// Entered by the plug-in on any thread. Never lets an exception out.
vst2::intptr PluginHost::Callback(vst2::AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                  vst2::intptr value, void* ptr, float opt) {
  try {
    PluginHost* host = nullptr;
    if (effect != nullptr && effect->user != nullptr) {
      host = static_cast<PluginHost*>(effect->user);
    } else {
      host = tLoading;
    }
    if (host == nullptr) return opcode == kHostOpcodeVersion ? kHostVstVersion : 0;
    const vst2::intptr answer = host->Answer(opcode, index, value, ptr, opt);
    if (host->script_.afterCallback) host->script_.afterCallback({opcode, index, value, opt});
    return answer;
  } catch (...) {
    return 0;
  }
}

// Takes callsMutex_ while recording and answering, unless the script records nothing.
vst2::intptr PluginHost::Answer(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                void* ptr, float opt) {
  const bool record = script_.recordCalls;
  std::unique_lock<std::mutex> guard(callsMutex_, std::defer_lock);
  if (record) {
    guard.lock();
    calls_.push_back(CallbackRecord{opcode, index, value, opt});
  }
  switch (opcode) {
    case vst2::kHostAutomate:
      return 0;
    case kHostOpcodeVersion:
      return kHostVstVersion;
    case vst2::kHostGetTime:
      if (script_.timeSource) return reinterpret_cast<vst2::intptr>(script_.timeSource());
      if (!script_.timeInfo) return 0;
      if (!record) return reinterpret_cast<vst2::intptr>(&*script_.timeInfo);
      timeAnswer_ = *script_.timeInfo;
      return reinterpret_cast<vst2::intptr>(&timeAnswer_);
    case vst2::kHostProcessEvents:
      if (record && ptr != nullptr) KeepEvents(*static_cast<const vst2::VstEvents*>(ptr));
      return script_.processEventsResult;
    case vst2::kHostGetProductString: {
      if (ptr == nullptr) return 0;
      char* out = static_cast<char*>(ptr);
      if (script_.productUnterminated && !script_.productString.empty()) {
        for (std::size_t i = 0; i < vst2::kHostProductStringSize; ++i)
          out[i] = script_.productString[i % script_.productString.size()];
        return 1;
      }
      const std::size_t n =
          std::min(script_.productString.size(), vst2::kHostProductStringSize - 1);
      std::memcpy(out, script_.productString.data(), n);
      out[n] = '\0';
      return n > 0 ? 1 : 0;
    }
    case vst2::kHostGetVendorVersion:
      return script_.vendorVersion;
    default:
      return 0;
  }
}

void PluginHost::KeepEvents(const vst2::VstEvents& events) {
  static_assert(sizeof(vst2::VstMidiEvent) == sizeof(vst2::VstEvent));
  // The list is really numEvents long, past its declared two entries.
  vst2::VstEvent* const* list = events.events;
  constexpr vst2::int32 kMostEvents = 1 << 16;  // past this the count is not believed
  for (vst2::int32 i = 0; i < events.numEvents && i < kMostEvents; ++i) {
    if (list[i] == nullptr) continue;
    vst2::VstMidiEvent event;
    std::memcpy(&event, list[i], sizeof event);
    eventsReceived_.push_back(event);
  }
}

// Called on the owner's thread (or a thread the caller coordinates); takes no lock of ours.
vst2::intptr PluginHost::Dispatch(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                  void* ptr, float opt) {
  if (effect_ == nullptr || effect_->dispatcher == nullptr) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginHost::Open() { Dispatch(vst2::kEffectOpen); }

void PluginHost::SetSampleRate(double rate) {
  Dispatch(vst2::kEffectSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginHost::SetBlockSize(int frames) { Dispatch(vst2::kEffectSetBlockSize, 0, frames); }

void PluginHost::SetActive(bool on) { Dispatch(vst2::kEffectMainsChanged, 0, on ? 1 : 0); }

void PluginHost::Close() {
  if (effect_ == nullptr || closed_) return;
  Dispatch(vst2::kEffectClose);
  effect_ = nullptr;
  closed_ = true;
}

std::string PluginHost::TextQuery(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                  std::size_t size, float opt, vst2::intptr* result) {
  std::vector<unsigned char> buffer(size + kTextSlack, kSlackFill);
  std::fill(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size), 0);
  const vst2::intptr answer = Dispatch(opcode, index, value, buffer.data(), opt);
  if (result != nullptr) *result = answer;
  const bool overran = std::any_of(buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.end(),
                                   [](unsigned char c) { return c != kSlackFill; }) ||
                       buffer[size - 1] != 0;
  if (overran) textOverruns_.fetch_add(1, std::memory_order_relaxed);
  const char* text = reinterpret_cast<const char*>(buffer.data());
  return std::string(text, strnlen(text, size - 1));
}

std::string PluginHost::ParamName(int index) {
  return TextQuery(vst2::kEffectGetParamName, index, 0, vst2::kParamTextSize);
}

std::string PluginHost::ParamLabel(int index) {
  return TextQuery(vst2::kEffectGetParamLabel, index, 0, vst2::kParamTextSize);
}

std::string PluginHost::ParamDisplay(int index) {
  return TextQuery(vst2::kEffectGetParamDisplay, index, 0, vst2::kParamTextSize);
}

std::string PluginHost::DisplayOfNormalized(int index, float normalized, bool* supported) {
  vst2::intptr answer = 0;
  std::string text =
      TextQuery(vst2::kEffectVendorSpecific, 7, index, vst2::kParamTextSize, normalized, &answer);
  if (supported != nullptr) *supported = answer == kDisplayOfNormalizedAnswer;
  return text;
}

float PluginHost::GetParameter(int index) {
  if (effect_ == nullptr || effect_->getParameter == nullptr) return 0.0f;
  return effect_->getParameter(effect_, index);
}

void PluginHost::SetParameter(int index, float normalized) {
  if (effect_ == nullptr || effect_->setParameter == nullptr) return;
  effect_->setParameter(effect_, index, normalized);
}

int PluginHost::GetProgram() { return static_cast<int>(Dispatch(vst2::kEffectGetProgram)); }

void PluginHost::SetProgram(int program) { Dispatch(vst2::kEffectSetProgram, 0, program); }

std::string PluginHost::ProgramName() {
  return TextQuery(vst2::kEffectGetProgramName, 0, 0, vst2::kProgramNameSize);
}

void PluginHost::SetProgramName(const std::string& name) {
  std::vector<char> text(name.begin(), name.end());
  text.push_back('\0');
  Dispatch(vst2::kEffectSetProgramName, 0, 0, text.data());
}

std::string PluginHost::ProgramNameIndexed(int program, vst2::intptr* result) {
  return TextQuery(vst2::kEffectGetProgramNameIndexed, program, 0, vst2::kProgramNameSize, 0.0f,
                   result);
}

std::vector<std::uint8_t> PluginHost::GetChunk(bool program) {
  void* data = nullptr;
  const vst2::intptr size = Dispatch(vst2::kEffectGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || data == nullptr || size > kMaxChunkBytes) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

vst2::intptr PluginHost::SetChunk(const std::vector<std::uint8_t>& bytes, bool program) {
  // The plug-in takes a non-const pointer; hand it a copy it may not keep.
  std::vector<std::uint8_t> copy(bytes);
  return Dispatch(vst2::kEffectSetChunk, program ? 1 : 0, static_cast<vst2::intptr>(copy.size()),
                  copy.empty() ? nullptr : copy.data());
}

std::string PluginHost::EffectName() {
  return TextQuery(vst2::kEffectGetEffectName, 0, 0, vst2::kEffectNameSize);
}

std::string PluginHost::VendorString() {
  return TextQuery(vst2::kEffectGetVendorString, 0, 0, vst2::kVendorStringSize);
}

std::string PluginHost::ProductString() {
  return TextQuery(vst2::kEffectGetProductString, 0, 0, vst2::kProductStringSize);
}

vst2::intptr PluginHost::CanDo(const char* text) {
  return Dispatch(vst2::kEffectCanDo, 0, 0, const_cast<char*>(text));
}

void PluginHost::ProcessReplacing(float** inputs, float** outputs, int frames) {
  if (effect_ == nullptr || effect_->processReplacing == nullptr) return;
  effect_->processReplacing(effect_, inputs, outputs, frames);
}

void PluginHost::ProcessAccumulating(float** inputs, float** outputs, int frames) {
  if (effect_ == nullptr || effect_->process == nullptr) return;
  effect_->process(effect_, inputs, outputs, frames);
}

void PluginHost::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (effect_ == nullptr || effect_->processDoubleReplacing == nullptr) return;
  effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
}

}  // namespace qvhost
