// The render loop of quorvantel-host.
#include "host/cli/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/cli/atomic_file.h"
#include "host/cli/audio_file.h"
#include "host/cli/automation.h"
#include "host/cli/cli_error.h"
#include "host/cli/options.h"
#include "host/cli/progress_bar.h"

namespace qvcli {
namespace {

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

// The last stage: gain, levels, the writer.
class LevelledWriter {
 public:
  LevelledWriter(AudioWriter& out, int channels) : out_(out), channels_(channels) {}
  void Write(float* interleaved, int frames, double gain) {
    const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
    for (std::size_t i = 0; i < samples; ++i) {
      const float v = static_cast<float>(interleaved[i] * gain);
      interleaved[i] = v;
      peak_ = std::max(peak_, static_cast<double>(std::fabs(v)));
      sumSquares_ += static_cast<double>(v) * v;
    }
    count_ += samples;
    out_.Write(interleaved, frames);
  }
  double Peak() const { return peak_; }
  double Rms() const { return count_ > 0 ? std::sqrt(sumSquares_ / count_) : 0.0; }

 private:
  AudioWriter& out_;
  int channels_;
  double peak_ = 0.0;
  double sumSquares_ = 0.0;
  double count_ = 0.0;
};

// Raw float frames in an anonymous temporary file: the first pass of a normalised render.
class Spool {
 public:
  Spool() : file_(fdopen(AnonymousTempFile(), "w+b")) {
    if (file_ == nullptr) throw CliError(kExitFailure, "cannot create a temporary file");
  }
  ~Spool() { std::fclose(file_); }
  void Write(const float* samples, std::size_t count) {
    if (std::fwrite(samples, sizeof(float), count, file_) != count) {
      throw CliError(kExitFailure, "cannot write the temporary file of the normalised render");
    }
  }
  void Rewind() { std::rewind(file_); }
  std::size_t Read(float* samples, std::size_t count) {
    return std::fread(samples, sizeof(float), count, file_);
  }

 private:
  std::FILE* file_;
};

}  // namespace

InputMap ChooseInputMap(int fileChannels, int inputs, const std::string& spec, bool* folded) {
  *folded = false;
  InputMap map(static_cast<std::size_t>(std::max(0, inputs)));
  if (spec == "mix") {
    for (auto& sources : map) {
      for (int c = 0; c < fileChannels; ++c) sources.push_back(c);
    }
    return map;
  }
  if (!spec.empty()) {
    std::vector<int> channels;
    std::size_t begin = 0;
    for (;;) {
      const std::size_t end = spec.find(',', begin);
      double c = 0.0;
      const std::string item = spec.substr(begin, end == std::string::npos ? end : end - begin);
      if (!ParseNumber(item, &c) || c != std::floor(c) || c < 1 || c > fileChannels) {
        throw CliError(kExitUsage, "option --channels: \"" + item + "\" is not a channel of the " +
                                       "input (1 to " + std::to_string(fileChannels) + ")");
      }
      channels.push_back(static_cast<int>(c) - 1);
      if (end == std::string::npos) break;
      begin = end + 1;
    }
    if (static_cast<int>(channels.size()) != inputs) {
      throw CliError(kExitUsage, "option --channels: give " + std::to_string(inputs) +
                                     " channel numbers, one for each input of the plug-in, or "
                                     "\"mix\"");
    }
    for (int k = 0; k < inputs; ++k) map[static_cast<std::size_t>(k)] = {channels[k]};
    return map;
  }
  for (int c = 0; c < std::max(fileChannels, inputs); ++c) {
    if (inputs > 0) map[static_cast<std::size_t>(c % inputs)].push_back(c % fileChannels);
  }
  *folded = inputs > 0 && fileChannels > inputs;
  return map;
}

RenderResult Render(qvhost::IPlugin& plugin, AudioReader& in, AudioWriter& out,
                    const RenderSettings& s, const InputMap& map, Automation* automation) {
  const qvhost::PluginInfo& info = plugin.Info();
  const int numIn = info.inputs;
  const int numOut = info.outputs;
  const int fileChannels = in.Channels();
  if (numOut < 1) throw CliError(kExitPlugin, "the plug-in has no audio outputs");
  if (s.useDouble && !info.canDouble) {
    throw CliError(kExitUsage, "the plug-in has no double-precision process path");
  }
  const int block = s.blockSize;
  const double rate = in.SampleRate();
  const std::int64_t tailFrames = static_cast<std::int64_t>(std::llround(s.tailSeconds * rate));
  const std::int64_t inputFrames = std::max<std::int64_t>(0, in.Frames());
  const std::int64_t total = inputFrames + tailFrames;

  std::vector<float> interleavedIn(static_cast<std::size_t>(block) * fileChannels);
  std::vector<float> interleavedOut(static_cast<std::size_t>(block) * numOut);
  std::vector<std::vector<float>> fin(numIn, std::vector<float>(block));
  std::vector<std::vector<float>> fout(numOut, std::vector<float>(block));
  std::vector<std::vector<double>> din(s.useDouble ? numIn : 0, std::vector<double>(block));
  std::vector<std::vector<double>> dout(s.useDouble ? numOut : 0, std::vector<double>(block));
  // Channel pointers; hosts pass valid arrays even for zero channels.
  std::vector<float*> finPtr(numIn + 1, nullptr), foutPtr(numOut + 1, nullptr);
  std::vector<double*> dinPtr(numIn + 1, nullptr), doutPtr(numOut + 1, nullptr);
  for (int c = 0; c < numIn; ++c) finPtr[c] = fin[c].data();
  for (int c = 0; c < numOut; ++c) foutPtr[c] = fout[c].data();
  for (int c = 0; c < static_cast<int>(din.size()); ++c) dinPtr[c] = din[c].data();
  for (int c = 0; c < static_cast<int>(dout.size()); ++c) doutPtr[c] = dout[c].data();
  std::vector<qvhost::ParamChange> changes;

  plugin.SetSampleRate(rate);
  plugin.SetBlockSize(block);
  plugin.SetActive(true);

  RenderResult r;
  r.channels = numOut;
  r.sampleRate = in.SampleRate();
  LevelledWriter writer(out, numOut);
  std::unique_ptr<Spool> spool;
  double spoolPeak = 0.0;
  if (s.normalizeDbfs) spool = std::make_unique<Spool>();
  const double gain = DbToGain(s.gainDb);
  bool inputEnded = false;
  ProgressBar progress("rendering", s.progress ? total : 0);
  std::int64_t pos = 0;
  while (pos < total) {
    int frames = 0;
    if (!inputEnded) {
      frames = in.Read(interleavedIn.data(), block);
      if (frames < block) inputEnded = true;
    }
    std::fill(interleavedIn.begin() + static_cast<std::ptrdiff_t>(frames) * fileChannels,
              interleavedIn.end(), 0.0f);
    // Past the input: silence for the tail, as long as the tail lasts.
    const std::int64_t remaining = total - pos;
    const int n =
        static_cast<int>(std::min<std::int64_t>(block, std::max<std::int64_t>(frames, remaining)));
    if (n <= 0) break;
    for (int c = 0; c < numIn; ++c) {
      const std::vector<int>& sources = map[static_cast<std::size_t>(c)];
      const float scale = 1.0f / static_cast<float>(std::max<std::size_t>(1, sources.size()));
      for (int i = 0; i < n; ++i) {
        float v = 0.0f;
        for (int src : sources)
          v += interleavedIn[static_cast<std::size_t>(i) * fileChannels + src];
        fin[c][i] = v * scale;
        r.inputPeak = std::max(r.inputPeak, static_cast<double>(std::fabs(fin[c][i])));
      }
      if (s.useDouble) std::copy_n(fin[c].begin(), n, din[c].begin());
    }
    for (auto& c : fout) std::fill(c.begin(), c.end(), 0.0f);
    for (auto& c : dout) std::fill(c.begin(), c.end(), 0.0);
    // Each automated value arrives at its exact frame: as an event at that frame of the block
    // (CLAP), or at the start of a call the block is cut into there (VST 2).
    changes.clear();
    if (automation != nullptr) {
      for (int done = 0; done < n;) {
        const std::int64_t at = pos + done;
        automation->Collect(at, done, changes);
        done += static_cast<int>(std::min<std::int64_t>(n - done, automation->NextChange(at) - at));
      }
    }
    const qvhost::Transport transport = TransportAt(s, rate, pos, pos == 0);
    const qvhost::Transport* t = s.timeInfo ? &transport : nullptr;
    if (s.useDouble) {
      plugin.ProcessDouble(dinPtr.data(), doutPtr.data(), n, changes, t);
    } else {
      plugin.Process(finPtr.data(), foutPtr.data(), n, changes, t);
    }
    for (int c = 0; c < numOut; ++c) {
      for (int i = 0; i < n; ++i) {
        float v = s.useDouble ? static_cast<float>(dout[c][i]) : fout[c][i];
        if (!std::isfinite(v)) {
          v = 0.0f;
          ++r.nonFinite;
        }
        interleavedOut[static_cast<std::size_t>(i) * numOut + c] = v;
      }
    }
    if (spool) {
      for (int i = 0; i < n * numOut; ++i) {
        spoolPeak = std::max(spoolPeak, static_cast<double>(std::fabs(interleavedOut[i])));
      }
      spool->Write(interleavedOut.data(), static_cast<std::size_t>(n) * numOut);
    } else {
      writer.Write(interleavedOut.data(), n, gain);
    }
    pos += n;
    progress.Update(pos);
  }
  progress.Finish();
  plugin.SetActive(false);
  r.gainDb = s.gainDb;
  if (spool) {
    // Silence stays silence: no gain can lift it to the target.
    const double normalizing = spoolPeak > 0.0 ? DbToGain(*s.normalizeDbfs) / spoolPeak : 1.0;
    r.gainDb = 20.0 * std::log10(normalizing);
    spool->Rewind();
    const std::size_t chunk = static_cast<std::size_t>(block) * numOut;
    for (std::size_t got; (got = spool->Read(interleavedOut.data(), chunk)) > 0;) {
      writer.Write(interleavedOut.data(), static_cast<int>(got / numOut), normalizing);
    }
  }
  r.frames = pos;
  r.peak = writer.Peak();
  r.rms = writer.Rms();
  return r;
}

std::string Summary(const std::string& name, const RenderResult& r) {
  auto db = [](double v) {
    char text[32];
    if (v <= 0.0) return std::string("-inf dBFS");
    std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(v));
    return std::string(text);
  };
  char head[64];
  std::snprintf(head, sizeof head, "%.2f s, %d ch, %d Hz",
                r.sampleRate > 0 ? static_cast<double>(r.frames) / r.sampleRate : 0.0, r.channels,
                r.sampleRate);
  std::string line = name + ": " + head + ", peak " + db(r.peak) + ", RMS " + db(r.rms);
  if (r.gainDb != 0.0) {
    char gain[32];
    std::snprintf(gain, sizeof gain, ", gain %+.1f dB", r.gainDb);
    line += gain;
  }
  return line;
}

}  // namespace qvcli
