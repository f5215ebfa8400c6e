// "snapshot": draws Quorvantel's editor without a display, as it would appear after the
// settings are applied (and, if asked, some audio processed) and a few timer ticks have run,
// and writes it as a PNG.
#include <cctype>
#include <string>
#include <vector>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/demo_signal.h"
#include "host/cli/options.h"
#include "host/cli/session.h"
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"
#include "raster/png_write.h"

namespace qvcli {
namespace {

// The plug-in built into this program, created through the same entry as the module's.
vst2::AEffect* InProcessEntry(vst2::HostCallback callback) {
  return quorvantel::CreateQuorvantelEffect(callback);
}

// Runs the demo phrase through the plug-in so the statistics read live figures.
void ProcessDemo(qvhost::PluginHost& host, double seconds) {
  constexpr int kRate = 44100, kBlock = 512;
  host.SetSampleRate(kRate);
  host.SetBlockSize(kBlock);
  host.SetActive(true);
  const std::vector<float> phrase = DemoPhrase(seconds, kRate);
  std::vector<float> in(kBlock), left(kBlock), right(kBlock);
  for (std::size_t pos = 0; pos < phrase.size(); pos += kBlock) {
    const std::size_t n = std::min<std::size_t>(kBlock, phrase.size() - pos);
    std::copy(phrase.begin() + pos, phrase.begin() + pos + n, in.begin());
    float* inputs[] = {in.data(), in.data()};
    float* outputs[] = {left.data(), right.data()};
    host.ProcessReplacing(inputs, outputs, static_cast<int>(n));
  }
}

bool HasPngName(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "png";
}

}  // namespace

int RunSnapshot(const Args& args) {
  Options options(
      "snapshot", "snapshot OUT.png [options]",
      "Draws the Quorvantel editor without a display, after the settings are applied "
      "and a few timer ticks have run, and writes it as an 800 x 600 PNG, or that times the "
      "scale (\"-\": standard output).",
      Concat(SettingOptions(), {{"audio", "SECONDS",
                                 "first process this much of the demo phrase (0 to 60), so the "
                                 "statistics show live figures"},
                                {"scale", "F",
                                 "draw as on a screen at this scale, 1 to 3 (default 1; the "
                                 "QUORVANTEL_SCALE variable outranks it)"}}));
  if (!options.Parse(args, 1, 1)) return 0;
  const std::string out = options.Positional()[0];
  if (out != "-" && !HasPngName(out)) {
    throw CliError(kExitUsage, "snapshot writes PNG images only; name the output .png (" + out +
                                   " would hold PNG data under another name)");
  }
  const double seconds = options.Duration("audio", 0.0, 0.0, 60.0, 44100.0);
  const double scale = options.Number("scale", 1.0, 1.0, 3.0);

  std::string error;
  auto host = qvhost::PluginHost::Start(InProcessEntry, "Quorvantel", &error);
  if (!host) throw CliError(kExitPlugin, error);
  host->Open();
  ApplySettings(*host, options);
  if (seconds > 0.0) ProcessDemo(*host, seconds);

  quorvantel::QuorvantelVst2* effect = quorvantel::FromEffect(host->Effect());
  if (effect == nullptr) throw CliError(kExitFailure, "the plug-in has no editor to draw");
  gui::IEditorSurface* surface = &effect->EditorSurface();
  surface->SetScale(scale);
  // As when the window opens: everything is drawn, then observers that changed controls drawn
  // earlier in the list get those redrawn on the following ticks.
  surface->MarkAllControlsDirty();
  for (int tick = 0; tick < 3; ++tick) surface->Tick();

  std::vector<unsigned char> png;
  if (!raster::EncodePng(surface->Pixels(), png, error))
    throw CliError(kExitFailure, "cannot write " + out + ": " + error);
  WriteOutputFile(out, std::vector<std::uint8_t>(png.begin(), png.end()));
  return 0;
}

}  // namespace qvcli
