// The CLAP host: loading, the host record and its extensions, parameters, state and the editor.
#include "host/lib/clap_plugin_host.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/lib/module_file.h"

namespace qvhost {

namespace {

// A log or an event list that grows past this keeps its oldest entries only.
constexpr std::size_t kMostRecords = 1 << 16;
// Larger states than this are taken as a faulty answer.
constexpr std::size_t kMaxStateBytes = std::size_t{1} << 28;

std::int32_t HashId(const char* id) {
  std::uint32_t h = 2166136261u;
  for (const char* p = id; *p != '\0'; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
  return static_cast<std::int32_t>(h);
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The bytes a state save writes.
struct VectorOut {
  static std::int64_t Write(const clap::OStream* stream, const void* buffer, std::uint64_t size) {
    auto& bytes = *static_cast<std::vector<std::uint8_t>*>(stream->ctx);
    if (buffer == nullptr || bytes.size() + size > kMaxStateBytes) return -1;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    bytes.insert(bytes.end(), p, p + size);
    return static_cast<std::int64_t>(size);
  }
};

// The bytes a state load reads, as much as it asks for.
struct VectorIn {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos;
  static std::int64_t Read(const clap::IStream* stream, void* buffer, std::uint64_t size) {
    auto& in = *static_cast<VectorIn*>(stream->ctx);
    if (buffer == nullptr) return -1;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, in.bytes->size() - in.pos));
    if (n > 0) std::memcpy(buffer, in.bytes->data() + in.pos, n);
    in.pos += n;
    return static_cast<std::int64_t>(n);
  }
};

}  // namespace

ClapPluginHost::ClapPluginHost() : mainThread_(std::this_thread::get_id()) {
  host_.clapVersion = clap::kVersion;
  host_.hostData = this;
  host_.name = "quorvantel-host";
  host_.vendor = "Halbrecken";
  host_.url = "";
  host_.version = "1.0.0";
  host_.getExtension = &GetHostExtension;
  host_.requestRestart = &RequestRestart;
  host_.requestProcess = &RequestProcess;
  host_.requestCallback = &RequestCallback;
  toPlain_ = [this](int index, double x) {
    const clap::ParamInfo& p = paramInfos_[static_cast<std::size_t>(index)];
    const double v = p.minValue + std::clamp(x, 0.0, 1.0) * (p.maxValue - p.minValue);
    return (p.flags & clap::kParamIsStepped) != 0 ? std::round(v) : v;
  };
  toNormalized_ = [this](int index, double v) {
    const clap::ParamInfo& p = paramInfos_[static_cast<std::size_t>(index)];
    if (!(p.maxValue > p.minValue)) return 0.0;
    return std::clamp((v - p.minValue) / (p.maxValue - p.minValue), 0.0, 1.0);
  };
}

std::unique_ptr<ClapPluginHost> ClapPluginHost::Load(const std::string& path,
                                                     const std::string& pluginId,
                                                     std::string* error) {
  std::string scratch;
  std::string& err = error ? *error : scratch;
  err.clear();
  std::string reason;
  void* module = OpenModuleFile(path, reason);
  if (module == nullptr) {
    err = "cannot load " + path + ": " + reason;
    return nullptr;
  }
  const auto* entry = static_cast<const clap::Entry*>(ModuleFunction(module, "clap_entry"));
  if (entry == nullptr) {
    CloseModuleFile(module);
    err = path + " is not a CLAP plug-in: no clap_entry";
    return nullptr;
  }
  return Begin(module, entry, path, pluginId, err);
}

std::unique_ptr<ClapPluginHost> ClapPluginHost::Start(const clap::Entry& entry,
                                                      const std::string& name,
                                                      const std::string& pluginId,
                                                      std::string* error) {
  std::string scratch;
  std::string& err = error ? *error : scratch;
  err.clear();
  return Begin(nullptr, &entry, name, pluginId, err);
}

std::unique_ptr<ClapPluginHost> ClapPluginHost::Begin(void* module, const clap::Entry* entry,
                                                      const std::string& path,
                                                      const std::string& pluginId,
                                                      std::string& err) {
  std::unique_ptr<ClapPluginHost> host(new ClapPluginHost());
  host->module_ = module;
  host->entry_ = entry;
  const clap::Version& v = entry->clapVersion;
  if (!clap::VersionCompatible(v)) {
    err = path + " is not a CLAP plug-in this host takes: CLAP version " +
          std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion) + "." +
          std::to_string(v.revision);
    return nullptr;
  }
  if (entry->init == nullptr || entry->getFactory == nullptr || !entry->init(path.c_str())) {
    err = path + ": the module's init failed";
    return nullptr;
  }
  host->moduleInitialized_ = true;
  host->factory_ =
      static_cast<const clap::PluginFactory*>(entry->getFactory(clap::kPluginFactoryId));
  const clap::PluginFactory* f = host->factory_;
  if (f == nullptr || f->getPluginCount == nullptr || f->getPluginDescriptor == nullptr ||
      f->createPlugin == nullptr) {
    err = path + " holds no CLAP plug-in factory";
    return nullptr;
  }
  std::string id = pluginId, ids;
  bool listed = false;
  for (const clap::PluginDescriptor* d : host->Descriptors()) {
    if (d->id == nullptr) continue;
    ids += (ids.empty() ? "" : ", ") + std::string(d->id);
    if (id.empty()) id = d->id;
    listed = listed || id == d->id;
  }
  if (id.empty()) {
    err = path + " holds no plug-in";
    return nullptr;
  }
  if (!listed) {
    err = path + " holds no plug-in \"" + id + "\"; --plugin-id takes one of: " + ids;
    return nullptr;
  }
  host->plugin_ = f->createPlugin(f, &host->host_, id.c_str());
  if (host->plugin_ == nullptr) {
    err = path + ": the factory made no plug-in \"" + id + "\"";
    return nullptr;
  }
  const clap::Plugin* p = host->plugin_;
  if (p->desc == nullptr || p->init == nullptr || p->destroy == nullptr ||
      p->getExtension == nullptr || p->process == nullptr || !p->init(p)) {
    err = path + ": plug-in \"" + id + "\" failed to initialise";
    if (p->destroy != nullptr) p->destroy(p);
    host->plugin_ = nullptr;
    return nullptr;
  }
  const auto extension = [p](const char* extId) { return p->getExtension(p, extId); };
  host->params_ = static_cast<const clap::PluginParams*>(extension(clap::kExtParams));
  host->state_ = static_cast<const clap::PluginState*>(extension(clap::kExtState));
  host->audioPorts_ = static_cast<const clap::PluginAudioPorts*>(extension(clap::kExtAudioPorts));
  host->latency_ = static_cast<const clap::PluginLatency*>(extension(clap::kExtLatency));
  host->gui_ = static_cast<const clap::PluginGui*>(extension(clap::kExtGui));
  host->ReadInfo();
  return host;
}

ClapPluginHost::~ClapPluginHost() {
  if (plugin_ != nullptr) {
    CloseEditor();
    if (guiCreated_ && gui_ != nullptr) gui_->destroy(plugin_);
    SetActive(false);
    plugin_->destroy(plugin_);
  }
  if (moduleInitialized_ && entry_->deinit != nullptr) entry_->deinit();
  if (module_ != nullptr) CloseModuleFile(module_);
}

std::vector<const clap::PluginDescriptor*> ClapPluginHost::Descriptors() const {
  std::vector<const clap::PluginDescriptor*> list;
  const std::uint32_t count = factory_->getPluginCount(factory_);
  for (std::uint32_t i = 0; i < count && i < 1024; ++i) {
    if (const clap::PluginDescriptor* d = factory_->getPluginDescriptor(factory_, i))
      list.push_back(d);
  }
  return list;
}

std::vector<std::string> ClapPluginHost::Features() const {
  std::vector<std::string> list;
  for (const char* const* f = Descriptor().features; f != nullptr && *f != nullptr; ++f)
    list.push_back(*f);
  return list;
}

std::vector<std::string> ClapPluginHost::Extensions() const {
  std::vector<std::string> list;
  for (const char* id : {clap::kExtAudioPorts, clap::kExtParams, clap::kExtState,
                         clap::kExtLatency, clap::kExtGui, clap::kExtNotePorts}) {
    if (plugin_->getExtension(plugin_, id) != nullptr) list.push_back(id);
  }
  return list;
}

void ClapPluginHost::ReadInfo() {
  const clap::PluginDescriptor& d = Descriptor();
  info_.format = PluginFormat::kClap;
  info_.name = Text(d.name);
  info_.vendor = Text(d.vendor);
  info_.id = Text(d.id);
  info_.version = Text(d.version);
  int a = 0, b = 0, c = 0;
  if (std::sscanf(info_.version.c_str(), "%d.%d.%d", &a, &b, &c) >= 1)
    info_.versionNumber = a * 10000 + b * 100 + c;
  info_.presetId = HashId(info_.id.c_str());
  info_.prefersChunks = true;
  for (const std::string& feature : Features())
    if (feature == "instrument") info_.instrument = true;
  // The main port each way sets the channels; 64-bit buffers when both take them.
  bool doubles = true;
  for (const bool input : {true, false}) {
    int channels = 0;
    clap::AudioPortInfo port{};
    if (audioPorts_ != nullptr && audioPorts_->count(plugin_, input) > 0 &&
        audioPorts_->get(plugin_, 0, input, &port)) {
      channels = static_cast<int>(std::min<std::uint32_t>(port.channelCount, 64));
      if ((port.flags & clap::kAudioPortSupports64Bits) == 0) doubles = false;
    }
    (input ? info_.inputs : info_.outputs) = channels;
  }
  info_.canDouble = doubles && info_.outputs > 0;
  const std::uint32_t count = params_ != nullptr ? params_->count(plugin_) : 0;
  for (std::uint32_t i = 0; i < count && i < 100000; ++i) {
    clap::ParamInfo p{};
    if (!params_->getInfo(plugin_, i, &p)) break;
    p.name[sizeof p.name - 1] = '\0';
    paramInfos_.push_back(p);
  }
  info_.parameters = static_cast<int>(paramInfos_.size());
  info_.hasEditor = gui_ != nullptr && gui_->isApiSupported(plugin_, ClapWindowApi(), false);
}

void ClapPluginHost::SetValueMapping(ValueMap toPlain, ValueMap toNormalized) {
  toPlain_ = std::move(toPlain);
  toNormalized_ = std::move(toNormalized);
}

double ClapPluginHost::ToPlain(int index, double normalized) const {
  return toPlain_(index, normalized);
}

double ClapPluginHost::ToNormalized(int index, double plain) const {
  return toNormalized_(index, plain);
}

// ---- Host record and host extensions ------------------------------------------------------

ClapPluginHost* ClapPluginHost::From(const clap::Host* host) {
  return host != nullptr ? static_cast<ClapPluginHost*>(host->hostData) : nullptr;
}

const void* ClapPluginHost::GetHostExtension(const clap::Host* host, const char* id) {
  static const clap::HostThreadCheck kThreadCheck = {&HostIsMainThread, &HostIsAudioThread};
  static const clap::HostLog kLog = {&HostLog};
  static const clap::HostParams kParams = {&HostRescan, &HostClear, &HostRequestFlush};
  static const clap::HostState kState = {&HostMarkDirty};
  static const clap::HostGui kGui = {&HostResizeHintsChanged, &HostRequestResize,
                                     &HostRequestShow, &HostRequestHide, &HostGuiClosed};
  if (From(host) == nullptr || id == nullptr) return nullptr;
  if (std::strcmp(id, clap::kExtThreadCheck) == 0) return &kThreadCheck;
  if (std::strcmp(id, clap::kExtLog) == 0) return &kLog;
  if (std::strcmp(id, clap::kExtParams) == 0) return &kParams;
  if (std::strcmp(id, clap::kExtState) == 0) return &kState;
  if (std::strcmp(id, clap::kExtGui) == 0) return &kGui;
  return nullptr;
}

void ClapPluginHost::RequestRestart(const clap::Host* host) {
  if (ClapPluginHost* self = From(host)) ++self->restartRequests_;
}

void ClapPluginHost::RequestProcess(const clap::Host*) {}

void ClapPluginHost::RequestCallback(const clap::Host* host) {
  if (ClapPluginHost* self = From(host)) {
    ++self->callbackRequests_;
    self->callbackWanted_ = true;
  }
}

bool ClapPluginHost::HostIsMainThread(const clap::Host* host) {
  ClapPluginHost* self = From(host);
  return self != nullptr && self->IsMainThread();
}

bool ClapPluginHost::HostIsAudioThread(const clap::Host* host) {
  ClapPluginHost* self = From(host);
  return self != nullptr && self->IsAudioThread();
}

void ClapPluginHost::HostLog(const clap::Host* host, std::int32_t severity, const char* message) {
  try {
    ClapPluginHost* self = From(host);
    if (self == nullptr) return;
    const ClapLogEntry entry{severity, Text(message)};
    {
      std::lock_guard guard(self->recordMutex_);
      if (self->logs_.size() < kMostRecords) self->logs_.push_back(entry);
    }
    if (self->logSink_) self->logSink_(entry);
  } catch (...) {
  }
}

void ClapPluginHost::HostRescan(const clap::Host* host, std::uint32_t) {
  if (ClapPluginHost* self = From(host)) ++self->rescanRequests_;
}

void ClapPluginHost::HostClear(const clap::Host*, clap::Id, std::uint32_t) {}

void ClapPluginHost::HostRequestFlush(const clap::Host* host) {
  if (ClapPluginHost* self = From(host)) {
    ++self->flushRequests_;
    self->flushWanted_ = true;
  }
}

void ClapPluginHost::HostMarkDirty(const clap::Host*) {}
void ClapPluginHost::HostResizeHintsChanged(const clap::Host*) {}
// The host's window keeps the size the editor had when it opened.
bool ClapPluginHost::HostRequestResize(const clap::Host*, std::uint32_t, std::uint32_t) {
  return false;
}
bool ClapPluginHost::HostRequestShow(const clap::Host*) { return false; }
bool ClapPluginHost::HostRequestHide(const clap::Host*) { return false; }
void ClapPluginHost::HostGuiClosed(const clap::Host*, bool) {}

std::vector<ClapLogEntry> ClapPluginHost::Logs() const {
  std::lock_guard guard(recordMutex_);
  return logs_;
}

void ClapPluginHost::ClearLogs() {
  std::lock_guard guard(recordMutex_);
  logs_.clear();
}

std::vector<ClapOutputEvent> ClapPluginHost::OutputEventsReceived() const {
  std::lock_guard guard(recordMutex_);
  return outputEvents_;
}

void ClapPluginHost::ClearOutputEvents() {
  std::lock_guard guard(recordMutex_);
  outputEvents_.clear();
}

bool ClapPluginHost::PushOutput(const clap::OutputEvents* list, const clap::EventHeader* event) {
  try {
    auto* self = static_cast<ClapPluginHost*>(list->ctx);
    if (event == nullptr || event->spaceId != clap::kCoreEventSpace) return false;
    ClapOutputEvent out;
    out.type = event->type;
    out.time = event->time;
    if (event->type == clap::kEventParamValue && event->size >= sizeof(clap::ParamValueEvent)) {
      clap::ParamValueEvent value;
      std::memcpy(&value, event, sizeof value);
      out.paramId = value.paramId;
      out.value = value.value;
    } else if ((event->type == clap::kEventParamGestureBegin ||
                event->type == clap::kEventParamGestureEnd) &&
               event->size >= sizeof(clap::ParamGestureEvent)) {
      clap::ParamGestureEvent gesture;
      std::memcpy(&gesture, event, sizeof gesture);
      out.paramId = gesture.paramId;
    } else {
      return true;  // taken, and of no interest here
    }
    std::lock_guard guard(self->recordMutex_);
    if (self->outputEvents_.size() >= kMostRecords) return false;
    self->outputEvents_.push_back(out);
    return true;
  } catch (...) {
    return false;
  }
}

ClapPluginHost::AudioThreadScope::AudioThreadScope(ClapPluginHost& host)
    : host_(host), previous_(host.audioThread_.exchange(std::this_thread::get_id())) {}

ClapPluginHost::AudioThreadScope::~AudioThreadScope() { host_.audioThread_ = previous_; }

// ---- Parameters and state -------------------------------------------------------------------

std::string ClapPluginHost::ParamName(int index) {
  if (index < 0 || index >= info_.parameters) return "";
  return paramInfos_[static_cast<std::size_t>(index)].name;
}

std::string ClapPluginHost::ParamDisplay(int index) {
  double plain = 0.0;
  if (index < 0 || index >= info_.parameters ||
      !params_->getValue(plugin_, paramInfos_[static_cast<std::size_t>(index)].id, &plain))
    return "";
  char text[256] = {};
  if (!params_->valueToText(plugin_, paramInfos_[static_cast<std::size_t>(index)].id, plain, text,
                            sizeof text))
    return "";
  text[sizeof text - 1] = '\0';
  return text;
}

std::string ClapPluginHost::DisplayOfNormalized(int index, float x, bool* supported) {
  if (supported != nullptr) *supported = true;
  if (index < 0 || index >= info_.parameters) return "";
  char text[256] = {};
  const clap::ParamInfo& p = paramInfos_[static_cast<std::size_t>(index)];
  if (!params_->valueToText(plugin_, p.id, ToPlain(index, x), text, sizeof text)) return "";
  text[sizeof text - 1] = '\0';
  return text;
}

float ClapPluginHost::GetParameter(int index) {
  double plain = 0.0;
  if (index < 0 || index >= info_.parameters ||
      !params_->getValue(plugin_, paramInfos_[static_cast<std::size_t>(index)].id, &plain))
    return 0.0f;
  return static_cast<float>(ToNormalized(index, plain));
}

void ClapPluginHost::SetParameter(int index, float normalized) {
  if (index < 0 || index >= info_.parameters || !std::isfinite(normalized)) return;
  const double plain = ToPlain(index, normalized);
  if (processing_) {
    std::lock_guard guard(pendingMutex_);
    pending_.emplace_back(index, plain);
    return;
  }
  FlushValues({{index, plain}});
}

std::string ClapPluginHost::ProgramNameIndexed(int, bool* answered) {
  if (answered != nullptr) *answered = false;
  return "";
}

std::vector<std::uint8_t> ClapPluginHost::GetChunk(bool) {
  std::vector<std::uint8_t> bytes;
  if (state_ == nullptr) return bytes;
  const clap::OStream stream = {&bytes, &VectorOut::Write};
  if (!state_->save(plugin_, &stream)) bytes.clear();
  return bytes;
}

bool ClapPluginHost::SetChunk(const std::vector<std::uint8_t>& bytes, bool) {
  if (state_ == nullptr) return false;
  VectorIn in{&bytes, 0};
  const clap::IStream stream = {&in, &VectorIn::Read};
  return state_->load(plugin_, &stream);
}

// ---- The editor -----------------------------------------------------------------------------

bool ClapPluginHost::EnsureGui() {
  if (!info_.hasEditor) return false;
  if (!guiCreated_) guiCreated_ = gui_->create(plugin_, ClapWindowApi(), false);
  return guiCreated_;
}

void ClapPluginHost::EditorSize(int* width, int* height) {
  std::uint32_t w = 0, h = 0;
  if (!EnsureGui() || !gui_->getSize(plugin_, &w, &h)) return;
  if (w > 0 && h > 0 && w <= 8192 && h <= 8192) *width = static_cast<int>(w), *height = static_cast<int>(h);
}

bool ClapPluginHost::OpenEditor(std::uint32_t parentWindow) {
  if (!EnsureGui()) return false;
  clap::Window window{};
  window.api = ClapWindowApi();
  if (std::strcmp(window.api, clap::kWindowApiX11) == 0) {
    window.x11 = parentWindow;
  } else {
    window.win32 = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parentWindow));
  }
  if (!gui_->setParent(plugin_, &window)) return false;
  gui_->show(plugin_);
  editorOpen_ = true;
  return true;
}

void ClapPluginHost::Idle() {
  if (callbackWanted_.exchange(false) && plugin_->onMainThread != nullptr)
    plugin_->onMainThread(plugin_);
  // A plug-in that changed values while nothing was processed asked for a flush to report them.
  if (flushWanted_.exchange(false) && !processing_) FlushValues({});
}

bool ClapPluginHost::SetGuiScale(double scale) {
  return EnsureGui() && gui_->setScale(plugin_, scale);
}

void ClapPluginHost::CloseEditor() {
  if (!guiCreated_) return;
  if (editorOpen_) gui_->hide(plugin_);
  gui_->destroy(plugin_);
  guiCreated_ = false;
  editorOpen_ = false;
}

}  // namespace qvhost
