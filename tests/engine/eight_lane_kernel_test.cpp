// The render kernels at the AVX-512 path's width, eight lanes, on any processor: the stride and
// lockstep feedback kernels run over plain arrays that do lane by lane what the vector types do,
// and must render random pairs as the pair-wise renderer does, to the bit. (The AVX-512 types
// themselves run only where the processor has them, in the render path tests.)
#include <emmintrin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/feedback_lanes.h"
#include "engine/feedback_render_kernel.h"
#include "engine/stride_render_kernel.h"
#include "random_pool.h"

// The engine's names, as the tests use them throughout.
using namespace engine;

namespace {

using enginetest::kLaneDoubles;
using enginetest::RandomPool;
using enginetest::RenderPairwise;
using enginetest::SameBits;

int Trunc32(double x) { return _mm_cvttsd_si32(_mm_set_sd(x)); }

// Eight lanes of doubles as an array, each operation as the SSE2 instruction does it per lane.
struct ArrayOps {
  static constexpr int kLanes = 8;
  struct Vec {
    double v[kLanes];
  };
  using Mask = unsigned;  // bit j: lane j
  struct Idx {
    std::int64_t v[kLanes];
  };

  template <class F>
  static Vec Each(F f) {
    Vec r;
    for (int j = 0; j < kLanes; ++j) r.v[j] = f(j);
    return r;
  }
  template <class F>
  static Mask Where(F f) {
    Mask m = 0;
    for (int j = 0; j < kLanes; ++j) m |= static_cast<Mask>(f(j)) << j;
    return m;
  }

  static Vec Set(double x) {
    return Each([&](int) { return x; });
  }
  static Vec Load(const double* p) {
    return Each([&](int j) { return p[j]; });
  }
  static Vec LoadU(const double* p) { return Load(p); }
  static void Store(double* p, Vec x) {
    for (int j = 0; j < kLanes; ++j) p[j] = x.v[j];
  }
  static void StoreU(double* p, Vec x) { Store(p, x); }
  static Vec Add(Vec a, Vec b) {
    return Each([&](int j) { return a.v[j] + b.v[j]; });
  }
  static Vec Sub(Vec a, Vec b) {
    return Each([&](int j) { return a.v[j] - b.v[j]; });
  }
  static Vec Mul(Vec a, Vec b) {
    return Each([&](int j) { return a.v[j] * b.v[j]; });
  }
  // minpd, maxpd: the second operand unless the first is smaller (larger).
  static Vec Min(Vec a, Vec b) {
    return Each([&](int j) { return a.v[j] < b.v[j] ? a.v[j] : b.v[j]; });
  }
  static Vec Max(Vec a, Vec b) {
    return Each([&](int j) { return a.v[j] > b.v[j] ? a.v[j] : b.v[j]; });
  }

  static Mask Less(Vec a, Vec b) {
    return Where([&](int j) { return a.v[j] < b.v[j]; });
  }
  static Mask AtLeast(Vec a, Vec b) {
    return Where([&](int j) { return a.v[j] >= b.v[j]; });
  }
  static Mask Equal(Vec a, Vec b) {
    return Where([&](int j) { return a.v[j] == b.v[j]; });
  }
  static Mask And(Mask a, Mask b) { return a & b; }
  static unsigned Bits(Mask m) { return m; }
  static Vec Zero(Vec x, Mask m) {
    return Each([&](int j) { return (m >> j) & 1 ? x.v[j] : 0.0; });
  }
  static Vec Select(Mask m, Vec a, Vec b) {
    return Each([&](int j) { return (m >> j) & 1 ? a.v[j] : b.v[j]; });
  }

  static Vec Trunc(Vec x) {
    return Each([&](int j) { return static_cast<double>(Trunc32(x.v[j])); });
  }
  static Idx Whole(Vec x) {
    Idx i;
    for (int j = 0; j < kLanes; ++j) i.v[j] = Trunc32(x.v[j]);
    return i;
  }
  static Idx Split(Vec x, Vec* fraction) {
    const Idx i = Whole(x);
    *fraction = Each([&](int j) { return x.v[j] - static_cast<double>(i.v[j]); });
    return i;
  }
  static void StoreIdx(std::int32_t* p, Idx i) {
    for (int j = 0; j < kLanes; ++j) p[j] = static_cast<std::int32_t>(i.v[j]);
  }
  static Idx EnvelopeIndex(Vec phase, Vec* fraction) {
    Idx k = Split(phase, fraction);
    for (std::int64_t& x : k.v) x = x < kWindowSize ? x : kWindowSize;
    return k;
  }
  static Idx Below(Idx i, Idx len) {
    for (int j = 0; j < kLanes; ++j) i.v[j] = i.v[j] == 0 ? len.v[j] - 1 : i.v[j] - 1;
    return i;
  }
  static Idx Above(Idx i, Idx len) {
    for (int j = 0; j < kLanes; ++j) i.v[j] = i.v[j] + 1 == len.v[j] ? 0 : i.v[j] + 1;
    return i;
  }

  static Vec Reverse(Vec x) {
    return Each([&](int j) { return x.v[kLanes - 1 - j]; });
  }
  static void Interleave(Vec left, Vec right, Vec* first, Vec* second) {
    double all[2 * kLanes];
    for (int j = 0; j < kLanes; ++j) {
      all[2 * j] = left.v[j];
      all[2 * j + 1] = right.v[j];
    }
    *first = Load(all);
    *second = Load(all + kLanes);
  }
  template <bool kDown>
  static Vec Steps(double* x, double step, double* last) {
    Vec r;
    for (int j = 0; j < kLanes; ++j) {
      r.v[kDown ? kLanes - 1 - j : j] = *x;
      *last = *x;
      *x = *x + step;
    }
    return r;
  }

  static Mask PairAny(Mask m) {
    const Mask any = (m | (m >> 1)) & 0x55u;
    return any | (any << 1);
  }
  static Vec PairSums(Vec left, Vec right) {
    return Each([&](int j) {
      const int k = j & ~1;
      return j % 2 == 0 ? left.v[k] + left.v[k + 1] : right.v[k] + right.v[k + 1];
    });
  }
  static __m128d AddPairs(__m128d acc, Vec sums) {
    for (int k = 0; k < kLanes; k += 2)
      acc = _mm_add_pd(acc, _mm_setr_pd(sums.v[k], sums.v[k + 1]));
    return acc;
  }
  static const double* Lane(const double* s, int) { return s; }
  static const double* Lane(const double* const* s, int l) { return s[l]; }
  template <class Base>
  static void Triples(Base s0, Base s1, Idx below, Idx i, Idx above, Vec* r) {
    const Idx at[3] = {below, i, above};
    for (int t = 0; t < 3; ++t) {
      r[t] = Each([&](int j) { return Lane(s0, j)[at[t].v[j]]; });
      r[3 + t] = Each([&](int j) { return Lane(s1, j)[at[t].v[j]]; });
    }
  }
  template <class Base>
  static void InnerTriples(Base s0, Base s1, const std::int32_t* at, Vec* r) {
    for (int t = 0; t < 3; ++t) {
      r[t] = Each([&](int j) { return Lane(s0, j)[at[j] - 1 + t]; });
      r[3 + t] = Each([&](int j) { return Lane(s1, j)[at[j] - 1 + t]; });
    }
  }
  static void EnvelopePairs(const double* const* e, Idx k, Vec* tk, Vec* tk1) {
    *tk = Each([&](int j) { return e[j][k.v[j]]; });
    *tk1 = Each([&](int j) { return e[j][k.v[j] + 1]; });
  }
};

// The pool's readers through the stride kernel and its writers through the lockstep kernel, both
// eight lanes wide, in the pool's walk order; `pairs` are the pool's pairs.
void RenderEightWide(std::vector<GrainPair>& pairs, const std::vector<int>& walk,
                     const RenderTarget& target, const GrainPair& idle, FeedbackLanes& lanes) {
  std::vector<GrainPair*> writers;
  for (int i : walk) {
    if (WritesFeedback(pairs[i], target)) writers.push_back(&pairs[i]);
  }
  const bool dcMoving =
      target.feedbackDc != nullptr && (target.feedbackDc[0] != 0.0 || target.feedbackDc[1] != 0.0);
  if (!writers.empty() || dcMoving) {
    const int count = static_cast<int>(writers.size());
    std::vector<int> masks(writers.size());
    LoadFeedbackLanes(lanes, writers.data(), count, idle, target.count);
    FeedbackKernel<ArrayOps>::Render(lanes, target);
    StoreFeedbackLanes(lanes, writers.data(), target.count, masks.data());
    for (int k = 0; k < count; ++k) writers[k]->laneMask = masks[k];
  }
  for (int i : walk) {
    if (std::find(writers.begin(), writers.end(), &pairs[i]) == writers.end()) {
      pairs[i].laneMask = StrideKernel<ArrayOps>::Render(pairs[i], target);
    }
  }
}

TEST(EngineEightLaneKernels, RenderRandomPoolsAsPairByPairToTheBit) {
  auto lanes = std::make_unique<FeedbackLanes>();
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const int count = 1 + static_cast<int>((seed * 2654435761u) % 700);
    RandomPool a(seed, count, RenderPath::kSse2);
    RandomPool b(seed, count, RenderPath::kSse2);
    std::vector<GrainPair> wide(kPoolPairs), reference(kPoolPairs);
    for (int i = 0; i < kPoolPairs; ++i) {
      wide[i] = a.pool.Pair(i);
      reference[i] = b.pool.Pair(i);
    }
    GrainPair idle;
    MakeLaneIdle(idle, 0, a.silence, a.env.data() + RandomPool::kSpare);
    MakeLaneIdle(idle, 1, a.silence, a.env.data() + RandomPool::kSpare);
    const std::vector<int> walk = a.Walk();
    for (int block = 0; block < 3; ++block) {
      std::fill(a.wet.begin(), a.wet.end(), 0.0);
      std::fill(b.wet.begin(), b.wet.end(), 0.0);
      RenderEightWide(wide, walk, a.target, idle, *lanes);
      RenderPairwise(reference, walk, b.target);
      const std::string where = "seed " + std::to_string(seed) + " block " + std::to_string(block);
      ASSERT_TRUE(SameBits(a.wet.data(), b.wet.data(), 2 * count)) << where;
      ASSERT_TRUE(SameBits(a.buf0, b.buf0, RandomPool::kSource) &&
                  SameBits(a.buf1, b.buf1, RandomPool::kSource))
          << where;
      ASSERT_TRUE(SameBits(a.dc, b.dc, 2)) << where;
      for (int i : walk) {
        ASSERT_EQ(wide[i].laneMask, reference[i].laneMask) << where << " pair " << i;
        ASSERT_TRUE(SameBits(wide[i].start, reference[i].start, kLaneDoubles))
            << where << " pair " << i;
      }
    }
  }
}

}  // namespace
