// Editor speed: making a further instance with its editor (images already decoded and cached),
// a full redraw of the 800 × 600 editor (at scale 1, 1.5 and 2), a timer tick with nothing to do
// (at 1 and 2), and a tick after one knob's value changed. Prints the time per operation.
#include <benchmark/benchmark.h>

#include <memory>

#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/vst2/quorvantel_vst2.h"

using namespace quorvantel;

namespace {

gui::IEditorSurface& SurfaceOf(QuorvantelVst2& plugin) { return plugin.EditorSurface(); }

// A first instance decodes the images and realises the font; the timings are of what follows.
// scale: the editor's scale factor (its scaled images and fonts are made in the first redraw).
std::unique_ptr<QuorvantelVst2> WarmInstance(double scale = 1.0) {
  auto plugin = std::make_unique<QuorvantelVst2>(nullptr);
  gui::IEditorSurface& surface = SurfaceOf(*plugin);
  surface.SetScale(scale);
  surface.MarkAllControlsDirty();
  surface.Tick();
  return plugin;
}

void BM_SecondInstanceWithEditor(benchmark::State& state) {
  auto first = WarmInstance();
  for (auto _ : state) {
    auto plugin = std::make_unique<QuorvantelVst2>(nullptr);
    benchmark::DoNotOptimize(plugin.get());
  }
}
BENCHMARK(BM_SecondInstanceWithEditor)->Unit(benchmark::kMillisecond);

// Argument: the scale in percent.
void BM_FullRedraw(benchmark::State& state) {
  auto plugin = WarmInstance(state.range(0) / 100.0);
  gui::IEditorSurface& surface = SurfaceOf(*plugin);
  for (auto _ : state) {
    surface.MarkAllControlsDirty();
    surface.Tick();
  }
}
BENCHMARK(BM_FullRedraw)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_IdleTick(benchmark::State& state) {
  auto plugin = WarmInstance(state.range(0) / 100.0);
  gui::IEditorSurface& surface = SurfaceOf(*plugin);
  for (int i = 0; i < 4; ++i) surface.Tick();
  for (auto _ : state) surface.Tick();
}
BENCHMARK(BM_IdleTick)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// The host moves the dry knob; the ticks that follow redraw it and its read-out.
void BM_TickAfterOneKnob(benchmark::State& state) {
  auto plugin = WarmInstance();
  gui::IEditorSurface& surface = SurfaceOf(*plugin);
  vst2::AEffect* effect = plugin->Effect();
  float value = 0.0f;
  for (auto _ : state) {
    value = value > 0.9f ? 0.0f : value + 0.05f;
    effect->setParameter(effect, 87, value);
    surface.Tick();
    surface.Tick();
  }
}
BENCHMARK(BM_TickAfterOneKnob)->Unit(benchmark::kMicrosecond);

}  // namespace
