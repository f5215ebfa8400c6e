// "live": plays the plug-in live on JACK (or PipeWire's JACK) without a DAW: two inputs and two
// outputs through it in JACK's process callback and its editor in a window, until the window is
// closed, Ctrl+C or SIGTERM, or the server goes away; --save writes the state on the way out.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/jack_session.h"
#include "host/cli/live_engine.h"
#include "host/cli/preset_io.h"
#include "host/cli/session.h"
#include "host/lib/vst2_plugin.h"
#include "host/window/host_window.h"

namespace qvcli {
namespace {

// Opcode 19 from the UI loop, as for edit.
constexpr int kIdleMs = 15;
constexpr int kHeadlessWaitMs = 20;

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

// --in or --out: one or two port names, comma-separated.
std::vector<std::string> PortOption(const Options& options, const std::string& name) {
  if (!options.Has(name)) return {};
  const std::string text = options.Value(name);
  std::vector<std::string> ports;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(',', begin);
    ports.push_back(text.substr(begin, end == std::string::npos ? end : end - begin));
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  for (const std::string& p : ports) {
    if (p.empty() || ports.size() > 2) {
      throw CliError(kExitUsage, "option --" + name +
                                     ": give one or two JACK port names, comma-separated "
                                     "(one feeds both channels)");
    }
  }
  return ports;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
  return text;
}

std::vector<std::string> FirstTwo(std::vector<std::string> ports) {
  if (ports.size() > 2) ports.resize(2);
  return ports;
}

void Note(const std::string& text) { std::fprintf(stderr, "quorvantel-host: %s\n", text.c_str()); }

// The plug-in's editor in a host window, when there is one to show and a display to show it on.
class EditorWindow {
 public:
  EditorWindow(qvhost::PluginHost& host, const std::string& title) : host_(host) {
    if ((host.Effect()->flags & vst2::kFlagHasEditor) == 0) {
      Note("the plug-in has no editor: playing without a window");
      return;
    }
    int width = 640, height = 480;
    Size(&width, &height);
    std::string error;
    window_ = qvhost::HostWindow::Create(0, 0, width, height, title, &error);
    if (!window_) {
      Note("no editor window (" + error + "): playing without it");
      return;
    }
    const auto parent = reinterpret_cast<void*>(std::uintptr_t(window_->Id()));
    if (host.Dispatch(vst2::kEffectEditOpen, 0, 0, parent) == 0) {
      window_.reset();
      Note("the plug-in did not open its editor: playing without a window");
      return;
    }
    int openWidth = width, openHeight = height;
    Size(&openWidth, &openHeight);
    if (openWidth != width || openHeight != height) window_->Resize(openWidth, openHeight);
  }
  ~EditorWindow() { Close(); }

  bool Shown() const { return window_ != nullptr; }
  // Main thread: events and the plug-in's idle call; false once the window was closed.
  bool Pump() {
    if (!window_->Pump(kIdleMs)) return false;
    host_.Dispatch(vst2::kEffectEditIdle);
    return true;
  }
  // Closes the editor and the window; true when the display went away meanwhile.
  bool Close() {
    if (!window_) return false;
    host_.Dispatch(vst2::kEffectEditClose);
    const bool lost = window_->DisplayFailed();
    window_.reset();
    return lost;
  }

 private:
  void Size(int* width, int* height) {
    vst2::ERect* rect = nullptr;
    if (host_.Dispatch(vst2::kEffectEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) return;
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    if (w > 0 && h > 0 && w <= 8192 && h <= 8192) *width = w, *height = h;
  }

  qvhost::PluginHost& host_;
  std::unique_ptr<qvhost::HostWindow> window_;
};

std::string Report(double seconds, const LiveStats& s, std::uint64_t xruns, int rate) {
  char text[256];
  const double meanFrames = s.periods > 0 ? static_cast<double>(s.frames) / s.periods : 0.0;
  const double periodUs = rate > 0 ? 1e6 * meanFrames / rate : 0.0;
  std::snprintf(text, sizeof text,
                "played %.1f s live: %llu periods, %llu xrun%s; the plug-in took %.1f %% of a "
                "period, the host %.1f µs a period",
                seconds, static_cast<unsigned long long>(s.periods),
                static_cast<unsigned long long>(xruns), xruns == 1 ? "" : "s",
                periodUs > 0.0 ? 100.0 * s.pluginMeanUs / periodUs : 0.0, s.hostMeanUs);
  return text;
}

}  // namespace

int RunLive(const Args& args) {
  Options options(
      "live", "live [options]",
      "Plays the plug-in live as a JACK client (JACK 2, or PipeWire under pw-jack) with two "
      "audio inputs and two outputs, and shows its editor unless --no-editor or there is no "
      "display. Connect the ports with --connect, --in and --out or any patchbay. The "
      "transport is JACK's when a timebase master runs, else a free-running one at --tempo "
      "that always plays. Ends when the window is closed, on Ctrl+C or SIGTERM, or when the "
      "server goes away.",
      Concat(Concat(PluginOptions(), SettingOptions()),
             {
                 {"name", "NAME",
                  "JACK client name (default quorvantel, or quorvantel-01 and so on while it "
                  "is taken); a name given here that is taken is refused"},
                 {"connect", "",
                  "connect the inputs to the system's capture ports and the outputs to its "
                  "playback ports, or to the ports --in and --out name"},
                 {"in", "PORT[,PORT]",
                  "connect these ports to the two inputs (one port feeds both)"},
                 {"out", "PORT[,PORT]",
                  "connect the two outputs to these ports (one port takes both)"},
                 {"save", "FILE",
                  "when it ends, write the state: FILE.fxp the current program, FILE.fxb every "
                  "program, any other name the raw state chunk"},
                 {"no-editor", "", "play without the editor window"},
                 {"tempo", "BPM",
                  "tempo of the free-running transport, 1 to 999 (default 120)"},
             }));
  if (!options.Parse(args, 0, 0)) return 0;
  const double tempo = options.Number("tempo", 120.0, 1.0, 999.0);
  const std::vector<std::string> inPorts = PortOption(options, "in");
  const std::vector<std::string> outPorts = PortOption(options, "out");
  const std::string savePath = options.Value("save");
  // An unwritable --save is found now, not after an hour of playing.
  if (options.Has("save") && savePath != "-") OutputFile probe(savePath);

  auto host = OpenConfigured(options);
  if (host->Effect()->numOutputs < 1)
    throw CliError(kExitPlugin, "the plug-in has no audio outputs");
  LiveEngine engine(*host, tempo);
  JackClientOptions client;
  client.name = options.Value("name", client.name);
  client.exactName = options.Has("name");
  JackSession jack(client);
  if (jack.Name() != client.name)
    Note("the JACK client name \"" + client.name + "\" is taken: this one is \"" + jack.Name() +
         "\"");
  jack.CheckPorts(inPorts, true, "in");
  jack.CheckPorts(outPorts, false, "out");
  const bool connect = options.Has("connect");
  std::vector<std::string> sources = inPorts, sinks = outPorts;
  if (connect && sources.empty()) {
    sources = FirstTwo(jack.AudioPorts(true, true));
    if (sources.empty()) Note("the server has no capture ports: connect the inputs yourself");
  }
  if (connect && sinks.empty()) {
    sinks = FirstTwo(jack.AudioPorts(false, true));
    if (sinks.empty()) Note("the server has no playback ports: connect the outputs yourself");
  }

  gStop = 0;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  const auto started = std::chrono::steady_clock::now();
  jack.Start(engine);
  jack.ConnectInputs(sources);
  jack.ConnectOutputs(sinks);
  const int rate = jack.SampleRate();
  std::printf("quorvantel-host: live as JACK client \"%s\" at %d Hz, %d frames a period\n",
              jack.Name().c_str(), rate, jack.BufferSize());
  std::printf("  inputs  %s%s\n  outputs %s%s\n", Joined(jack.InputPorts()).c_str(),
              sources.empty() ? "" : (" <- " + Joined(sources)).c_str(),
              Joined(jack.OutputPorts()).c_str(),
              sinks.empty() ? "" : (" -> " + Joined(sinks)).c_str());
  std::fflush(stdout);

  bool displayLost = false;
  {
    std::unique_ptr<EditorWindow> editor;
    if (!options.Has("no-editor")) {
      editor = std::make_unique<EditorWindow>(
          *host, host->EffectName() + " - " + jack.Name() + " on JACK");
    }
    const bool windowed = editor && editor->Shown();
    while (gStop == 0 && !jack.ServerGone()) {
      if (!windowed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHeadlessWaitMs));
      } else if (!editor->Pump()) {
        break;
      }
    }
    jack.Close();
    engine.Stop();
    if (editor) displayLost = editor->Close();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const LiveStats stats = engine.Stats();
    std::printf("quorvantel-host: %s\n",
                Report(seconds, stats, jack.Xruns(), rate).c_str());
    if (stats.nonFinite > 0) {
      Note("warning: the plug-in produced " + std::to_string(stats.nonFinite) +
           " non-finite samples, played as silence");
    }
  }
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (options.Has("save")) {
    qvhost::Vst2Plugin plugin(*host);
    const std::string written = SavePresetFile(plugin, savePath, PresetForm::kAuto);
    std::fprintf(savePath == "-" ? stderr : stdout, "%s\n", written.c_str());
  }
  if (jack.ServerGone())
    throw CliError(kExitFailure, "the JACK server went away; playing stopped");
  if (displayLost) throw CliError(kExitFailure, "the window's display went away");
  return 0;
}

}  // namespace qvcli
