// The render loop of quorvantel-host.
#include "host/cli/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "host/cli/cli_error.h"
#include "host/cli/progress_bar.h"

namespace qvcli {

vst2::VstTimeInfo TimeRecord(const RenderSettings& s, double sampleRate, std::int64_t samplePos,
                             bool first) {
  vst2::VstTimeInfo t{};
  t.samplePos = static_cast<double>(samplePos);
  t.sampleRate = sampleRate;
  t.ppqPos = t.samplePos / sampleRate * s.tempo / 60.0;
  t.tempo = s.tempo;
  const double quartersPerBar = 4.0 * s.timeSigNumerator / s.timeSigDenominator;
  t.barStartPos = std::floor(t.ppqPos / quartersPerBar) * quartersPerBar;
  t.timeSigNumerator = s.timeSigNumerator;
  t.timeSigDenominator = s.timeSigDenominator;
  t.flags = vst2::kPpqPosValid | vst2::kTempoValid | vst2::kBarsValid | vst2::kTimeSigValid;
  if (s.playing) t.flags |= vst2::kTransportPlaying;
  if (first) t.flags |= vst2::kTransportChanged;
  return t;
}

RenderResult Render(qvhost::PluginHost& host, AudioReader& in, AudioWriter& out,
                    const RenderSettings& s) {
  vst2::AEffect* effect = host.Effect();
  const int numIn = std::max(0, effect->numInputs);
  const int numOut = effect->numOutputs;
  const int fileChannels = in.Channels();
  if (numOut < 1) throw CliError(kExitPlugin, "the plug-in has no audio outputs");
  if (numIn > 0 && fileChannels > numIn) {
    throw CliError(kExitInput, "the input has " + std::to_string(fileChannels) +
                                   " channels; the plug-in takes " + std::to_string(numIn));
  }
  if (s.useDouble && !(effect->flags & vst2::kFlagCanDoubleReplacing)) {
    throw CliError(kExitUsage, "the plug-in has no double-precision process path");
  }
  const bool replacing = (effect->flags & vst2::kFlagCanReplacing) != 0;
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
  std::vector<float*> finPtr, foutPtr;
  std::vector<double*> dinPtr, doutPtr;
  for (auto& c : fin) finPtr.push_back(c.data());
  for (auto& c : fout) foutPtr.push_back(c.data());
  for (auto& c : din) dinPtr.push_back(c.data());
  for (auto& c : dout) doutPtr.push_back(c.data());
  // Hosts pass valid pointer arrays even for zero channels.
  finPtr.push_back(nullptr);
  dinPtr.push_back(nullptr);

  host.SetSampleRate(rate);
  host.SetBlockSize(block);
  host.SetActive(true);

  RenderResult r;
  r.channels = numOut;
  r.sampleRate = in.SampleRate();
  double sumSquares = 0.0;
  bool inputEnded = false;
  ProgressBar progress("rendering", total);
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
      const int src = c % fileChannels;
      for (int i = 0; i < n; ++i) fin[c][i] = interleavedIn[i * fileChannels + src];
    }
    if (s.timeInfo) host.Script().timeInfo = TimeRecord(s, rate, pos, pos == 0);
    if (s.useDouble) {
      for (int c = 0; c < numIn; ++c) std::copy_n(fin[c].begin(), n, din[c].begin());
      for (auto& c : dout) std::fill(c.begin(), c.end(), 0.0);
      host.ProcessDouble(dinPtr.data(), doutPtr.data(), n);
      for (int c = 0; c < numOut; ++c) {
        for (int i = 0; i < n; ++i) fout[c][i] = static_cast<float>(dout[c][i]);
      }
    } else {
      for (auto& c : fout) std::fill(c.begin(), c.end(), 0.0f);
      if (replacing) {
        host.ProcessReplacing(finPtr.data(), foutPtr.data(), n);
      } else {
        host.ProcessAccumulating(finPtr.data(), foutPtr.data(), n);
      }
    }
    for (int c = 0; c < numOut; ++c) {
      for (int i = 0; i < n; ++i) {
        float v = fout[c][i];
        if (!std::isfinite(v)) {
          v = 0.0f;
          ++r.nonFinite;
        }
        r.peak = std::max(r.peak, static_cast<double>(std::fabs(v)));
        sumSquares += static_cast<double>(v) * v;
        interleavedOut[static_cast<std::size_t>(i) * numOut + c] = v;
      }
    }
    out.Write(interleavedOut.data(), n);
    host.ClearCalls();  // the callback record would otherwise grow with the length of the render
    pos += n;
    progress.Update(pos);
  }
  progress.Finish();
  host.SetActive(false);
  host.Script().timeInfo.reset();
  r.frames = pos;
  const double samples = static_cast<double>(pos) * numOut;
  r.rms = samples > 0 ? std::sqrt(sumSquares / samples) : 0.0;
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
  return name + ": " + head + ", peak " + db(r.peak) + ", RMS " + db(r.rms);
}

}  // namespace qvcli
