// A script of what a user and a host do to an open editor, on the headless editor: clicks, drags,
// double clicks, the wheel, keys, value entries typed and committed, ticks, parameter values from
// the host (in and out of range) and short audio blocks. Every control keeps a value in 0..1 and
// every parameter a value in its range, and nothing is read or written out of bounds. One
// instance and its editor serve the whole run; each input starts with the window closed and the
// fresh instance's parameters shown.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/editor/editor_harness.h"
#include "tests/fuzz/fuzz_finding.h"

namespace {

using namespace gui;
using namespace quorvantel;

// The script's bytes; past the end every read gives 0.
class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  int Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A coordinate that is mostly inside the editor and sometimes outside it.
  int Coordinate(int extent) { return (Byte() << 8 | Byte()) % (extent + 200) - 100; }
  MouseMod Mods() {
    const int b = Byte();
    return MouseMod{(b & 1) != 0, (b & 2) != 0, (b & 4) != 0, (b & 8) != 0, (b & 16) != 0};
  }
  float HostValue() {
    const int b = Byte();
    if (b == 255) return std::numeric_limits<float>::quiet_NaN();
    if (b == 254) return 2.0f;
    if (b == 253) return -1.0f;
    return static_cast<float>(b) / 252.0f;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

void Check(editor_test::EditorHarness& h) {
  QuorvantelEditor& e = h.Editor();
  for (int i = 0; i < e.ControlCount(); ++i) {
    const double v = e.GetControl(i)->Value();
    if (!(v >= 0.0 && v <= 1.0))
      fuzz::Finding("control " + std::to_string(i) + " holds " + std::to_string(v));
  }
  for (int i = 0; i < 89; ++i) {
    const framework::ParameterSet& set = h.Instance().Parameters();
    const double v = set.Value(i);
    if (!(v >= set.Definition(i).Min() && v <= set.Definition(i).Max()))
      fuzz::Finding("parameter " + std::to_string(i) + " holds " + std::to_string(v));
  }
}

void ProcessBlock(editor_test::EditorHarness& h, int frames) {
  std::vector<float> in(frames, 0.25f), left(frames), right(frames);
  float* inputs[] = {in.data(), in.data()};
  float* outputs[] = {left.data(), right.data()};
  h.effect->processReplacing(h.effect, inputs, outputs, frames);
}

// The instance and its editor, made once, and the values every input starts from: each
// parameter as the host sets it from the value it first read (so that setting it again gives
// exactly the same).
class Session {
 public:
  Session() {
    qvhost::PluginHost& host = *harness_.host;
    const int count = harness_.Instance().Parameters().Count();
    for (int i = 0; i < count; ++i) {
      start_.push_back(host.GetParameter(i));
      host.SetParameter(i, start_.back());
      plain_.push_back(harness_.Value(i));
    }
    harness_.Tick(2);
  }

  // Back to the start: the window closed (and with it any entry, capture and gesture), the
  // headless window layer, the parameters the last input changed set back by the host, every
  // control given its parameter's value again, and one tick that takes them (what it leaves to
  // redraw, the script's own ticks draw).
  editor_test::EditorHarness& Restore() {
    QuorvantelEditor& e = harness_.Editor();
    e.CloseWindow();
    e.SetWindowLayer(CreateWindowLayer(e));
    qvhost::PluginHost& host = *harness_.host;
    host.ClearCalls();
    for (int i = 0; i < static_cast<int>(start_.size()); ++i)
      if (harness_.Value(i) != plain_[i]) host.SetParameter(i, start_[i]);
    harness_.Instance().PushValuesToEditor();
    harness_.Tick();
    return harness_;
  }

 private:
  editor_test::EditorHarness harness_;
  std::vector<float> start_;   // normalised, as the host sets them
  std::vector<double> plain_;  // what the parameters then hold
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Session session;
  editor_test::EditorHarness& h = session.Restore();
  editor_test::FakeWindow* window = nullptr;
  QuorvantelEditor& e = h.Editor();
  Script script(data, size);
  int steps = 0;
  while (script.More() && steps++ < 400) {
    switch (script.Byte() % 12) {
      case 0:
        e.Tick();
        break;
      case 1: {
        const int x = script.Coordinate(800), y = script.Coordinate(600);
        e.OnMouseDown(x, y, script.Mods());
        break;
      }
      case 2:
        e.OnMouseUp(script.Coordinate(800), script.Coordinate(600), script.Mods());
        break;
      case 3:
        e.OnMouseDrag(script.Coordinate(800), script.Coordinate(600), script.Mods());
        break;
      case 4:
        e.OnMouseDoubleClick(script.Coordinate(800), script.Coordinate(600), script.Mods());
        break;
      case 5:
        e.OnMouseWheel(script.Coordinate(800), script.Coordinate(600), script.Mods(),
                       script.Byte() % 9 - 4);
        break;
      case 6:
        e.OnKeyDown(script.Coordinate(800), script.Coordinate(600),
                    KeyCodeFromVirtualKey(script.Byte()));
        break;
      case 7:
        h.SetParameter(script.Byte() % 89, script.HostValue());
        break;
      case 8:
        // The window opens (entries become possible) or closes (an open entry goes with it).
        if (window == nullptr) {
          window = &h.OpenFakeWindow();
        } else {
          e.CloseWindow();
          e.SetWindowLayer(CreateWindowLayer(e));
          window = nullptr;
        }
        break;
      case 9:
        if (e.Entry().IsOpen()) e.Entry().SetState(static_cast<EntryState>(script.Byte() % 5));
        break;
      case 10:
        if (window != nullptr && window->box != nullptr) {
          std::string text;
          for (int n = script.Byte() % 12; n > 0; --n) text += static_cast<char>(script.Byte());
          window->box->text = text;
        }
        break;
      default:
        if (script.Byte() % 2 == 0)
          e.MarkAllControlsDirty();
        else
          ProcessBlock(h, 1 + script.Byte() * 4);
        break;
    }
    Check(h);
  }
  return 0;
}
