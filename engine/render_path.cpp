// Chooses the render path from the processor's features and QUORVANTEL_SIMD.
#include "engine/render_path.h"

#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

constexpr const char* kNames[kRenderPathCount] = {"sse2", "avx2", "avx512"};

}  // namespace

const char* RenderPathName(RenderPath path) {
  const int i = static_cast<int>(path);
  return i >= 0 && i < kRenderPathCount ? kNames[i] : "sse2";
}

bool ParseRenderPath(const char* name, RenderPath* path) {
  if (name == nullptr) return false;
  for (int i = 0; i < kRenderPathCount; ++i) {
    if (std::strcmp(name, kNames[i]) == 0) {
      if (path != nullptr) *path = static_cast<RenderPath>(i);
      return true;
    }
  }
  return false;
}

// The run-time library checks that the operating system saves the wide registers, too.
bool RenderPathSupported(RenderPath path) {
  __builtin_cpu_init();
  switch (path) {
    case RenderPath::kSse2:
      return true;
    case RenderPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case RenderPath::kAvx512:  // which hands runs of two pairs to the AVX2 kernel
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
             __builtin_cpu_supports("avx2");
  }
  return false;
}

RenderPath DefaultRenderPath() {
  RenderPath path = RenderPath::kAvx512;
  ParseRenderPath(std::getenv(kRenderPathVariable), &path);
  while (path != RenderPath::kSse2 && !RenderPathSupported(path)) {
    path = static_cast<RenderPath>(static_cast<int>(path) - 1);
  }
  return path;
}

}  // namespace engine
