// The SIMD render paths of the grain renderer (SSE2, which every x86-64 has, AVX2 and AVX-512),
// which of them this processor runs, and the one an engine takes when it is built.
#pragma once

namespace engine {

enum class RenderPath : int { kSse2 = 0, kAvx2 = 1, kAvx512 = 2 };
constexpr int kRenderPathCount = 3;

// Names a path for comparison runs and diagnostics, e.g. QUORVANTEL_SIMD=avx2.
constexpr const char* kRenderPathVariable = "QUORVANTEL_SIMD";

// Any thread: "sse2", "avx2" or "avx512".
const char* RenderPathName(RenderPath path);

// Any thread: the path called `name` (one of the names above); false for any other text.
bool ParseRenderPath(const char* name, RenderPath* path);

// Any thread: true when the processor and the operating system run `path`.
bool RenderPathSupported(RenderPath path);

// Any thread, not the audio thread (reads the environment): the widest supported path, or the
// path QUORVANTEL_SIMD names; a named path the processor lacks gives the widest supported one
// below it, an unknown name is ignored.
RenderPath DefaultRenderPath();

}  // namespace engine
