// "edit": shows a plug-in's editor in a window of its own, the way a DAW does, until the window
// is closed; with --save, the state is written as a preset when it closes.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/demo_signal.h"
#include "host/cli/live_demo.h"
#include "host/cli/preset_io.h"
#include "host/cli/session.h"
#include "host/lib/clap_plugin_host.h"
#include "host/lib/plugin_host.h"
#include "host/window/host_window.h"

namespace qvcli {
namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
// Hosts idle the plug-in from their UI loop (VST 2's opcode 19, CLAP's main-thread callbacks
// and flushes); plug-ins that handle their window there (rather than on a thread of their own)
// need it often.
constexpr int kIdleMs = 15;

volatile std::sig_atomic_t gInterrupted = 0;

void OnSignal(int) { gInterrupted = 1; }

// Feeds the demo phrase through the plug-in in real time on a thread of its own, the way a
// host's audio thread does; the output is discarded. Where no JACK server runs.
class AudioLoop : public DemoPlayback {
 public:
  explicit AudioLoop(qvhost::IPlugin& plugin)
      : plugin_(plugin), phrase_(DemoPhrase(8.0, kRate)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~AudioLoop() override {
    stop_ = true;
    thread_.join();
  }

 private:
  void Run() {
    std::vector<float> in(kBlock), left(kBlock), right(kBlock);
    auto next = std::chrono::steady_clock::now();
    for (std::size_t pos = 0; !stop_; pos = (pos + kBlock) % (phrase_.size() - kBlock)) {
      std::copy_n(phrase_.begin() + pos, kBlock, in.begin());
      float* inputs[] = {in.data(), in.data()};
      float* outputs[] = {left.data(), right.data()};
      plugin_.Process(inputs, outputs, kBlock, {}, nullptr);
      next += std::chrono::microseconds(1000000LL * kBlock / kRate);
      std::this_thread::sleep_until(next);
    }
  }

  qvhost::IPlugin& plugin_;
  std::vector<float> phrase_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

int RunEdit(const Args& args) {
  Options options(
      "edit", "edit [options]",
      "Shows the plug-in's editor in a window of its own, as a DAW does, until the window is "
      "closed (or the program is interrupted). On Linux it needs an X display.",
      Concat(Concat(PluginOptions(), SettingOptions()),
             {{"save", "FILE",
               "when the window closes, write the state: FILE.fxp the current program, "
               "FILE.fxb every program, any other name the raw state chunk"},
              {"audio", "",
               "process the demo phrase in a loop while the editor is open, so its meters and "
               "statistics move: played through JACK when a server runs, else silently"},
              {"scale", "F",
               "ask the editor to draw at this scale, 1 to 3, as a host on a HiDPI screen "
               "does (default: the editor follows the desktop)"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  auto host = LoadConfigured(options);
  if (!host->Info().hasEditor) throw CliError(kExitFailure, "the plug-in has no editor");
  host->SetSampleRate(kRate);
  host->SetBlockSize(kBlock);
  host->SetActive(true);

  // Sent before the size is asked, as hosts that scale their plug-ins do.
  if (options.Has("scale")) {
    const float scale = float(options.Number("scale", 1.0, 1.0, 3.0));
    if (qvhost::PluginHost* vst2 = host->Vst2()) {
      vst2->Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest, nullptr,
                     scale);
    } else if (qvhost::ClapPluginHost* clap = host->Clap()) {
      clap->SetGuiScale(scale);
    }
  }
  int width = 640, height = 480;
  host->EditorSize(&width, &height);
  std::string error;
  auto window = qvhost::HostWindow::Create(0, 0, width, height,
                                           host->Info().name + " - quorvantel-host", &error);
  if (!window) throw CliError(kExitFailure, "cannot open a window: " + error);
  if (!host->OpenEditor(window->Id()))
    throw CliError(kExitFailure, "the plug-in did not open its editor");
  // Some plug-ins know their size only once the editor is open.
  int openWidth = width, openHeight = height;
  host->EditorSize(&openWidth, &openHeight);
  if (openWidth != width || openHeight != height) window->Resize(openWidth, openHeight);

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  {
    std::unique_ptr<DemoPlayback> audio;
    if (options.Has("audio")) {
      // Through JACK where a server runs (VST 2 plug-ins), else on a thread of its own.
      if (qvhost::PluginHost* vst2 = host->Vst2()) {
        std::string where;
        audio = PlayDemoThroughJack(*vst2, &where);
        if (!where.empty()) std::fprintf(audio ? stdout : stderr, "quorvantel-host: %s\n", where.c_str());
        std::fflush(stdout);
      }
      if (!audio) audio = std::make_unique<AudioLoop>(*host);
    }
    while (gInterrupted == 0 && window->Pump(kIdleMs)) host->Idle();
  }
  host->CloseEditor();
  const bool displayLost = window->DisplayFailed();
  window.reset();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (options.Has("save")) {
    const std::string path = options.Value("save");
    const std::string written = SavePresetFile(*host, path, PresetForm::kAuto);
    std::fprintf(path == "-" ? stderr : stdout, "%s\n", written.c_str());
  }
  if (displayLost) throw CliError(kExitFailure, "the window's display went away");
  return 0;
}

}  // namespace qvcli
