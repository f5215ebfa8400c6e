// The SSE2 path's kernels: the stride kernel with two consecutive samples of one grain per
// vector, the lockstep feedback kernel with one pair per vector.
#include <emmintrin.h>

#include <cstdint>

#include "engine/feedback_lanes.h"
#include "engine/feedback_render_kernel.h"
#include "engine/stride_render.h"
#include "engine/stride_render_kernel.h"

namespace engine {

namespace {

// Two lanes of doubles with compare masks as all-ones or all-zero lanes, and 32-bit indices.
struct Sse2Ops {
  static constexpr int kLanes = 2;
  using Vec = __m128d;
  using Mask = __m128d;
  using Idx = __m128i;  // lanes 0 and 1

  static Vec Set(double x) { return _mm_set1_pd(x); }
  static Vec Load(const double* p) { return _mm_load_pd(p); }
  static void Store(double* p, Vec x) { _mm_store_pd(p, x); }
  static Vec LoadU(const double* p) { return _mm_loadu_pd(p); }
  static void StoreU(double* p, Vec x) { _mm_storeu_pd(p, x); }

  static Vec Add(Vec a, Vec b) { return _mm_add_pd(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
  static Vec Mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
  // a when a < b, else b (also when either is NaN).
  static Vec Min(Vec a, Vec b) { return _mm_min_pd(a, b); }
  static Vec Max(Vec a, Vec b) { return _mm_max_pd(a, b); }

  static Mask Equal(Vec a, Vec b) { return _mm_cmpeq_pd(a, b); }
  static Vec Select(Mask m, Vec a, Vec b) {
    return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b));
  }
  // x truncated toward zero through 32-bit integers.
  static Vec Trunc(Vec x) { return _mm_cvtepi32_pd(_mm_cvttpd_epi32(x)); }
  static Vec Reverse(Vec x) { return _mm_shuffle_pd(x, x, 1); }
  // {*p, *q}
  static Vec Pair(const double* p, const double* q) { return _mm_loadh_pd(_mm_load_sd(p), q); }
  // {l0, r0} and {l1, r1}.
  static void Interleave(Vec left, Vec right, Vec* first, Vec* second) {
    *first = _mm_unpacklo_pd(left, right);
    *second = _mm_unpackhi_pd(left, right);
  }
  static Mask Less(Vec a, Vec b) { return _mm_cmplt_pd(a, b); }
  static Mask AtLeast(Vec a, Vec b) { return _mm_cmpge_pd(a, b); }
  static Mask And(Mask a, Mask b) { return _mm_and_pd(a, b); }
  static unsigned Bits(Mask m) { return static_cast<unsigned>(_mm_movemask_pd(m)); }
  static Vec Zero(Vec x, Mask m) { return _mm_and_pd(x, m); }  // +0 where m is clear

  // x truncated toward zero (|x| < 2^31).
  static Idx Whole(Vec x) { return _mm_cvttpd_epi32(x); }
  static void StoreIdx(std::int32_t* p, Idx i) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), i);
  }
  // x truncated toward zero (|x| < 2^31) and the fraction x minus that.
  static Idx Split(Vec x, Vec* fraction) {
    const __m128i i = _mm_cvttpd_epi32(x);
    *fraction = _mm_sub_pd(x, _mm_cvtepi32_pd(i));
    return i;
  }
  // The envelope entry K of each phase, held at 200, and the phase's own fraction. (Holding the
  // phase rather than K gives the same K for every phase below 2^31.)
  static Idx EnvelopeIndex(Vec phase, Vec* fraction) {
    Split(phase, fraction);
    return _mm_cvttpd_epi32(_mm_min_pd(phase, _mm_set1_pd(kWindowSize)));
  }
  // i - 1, or len - 1 where i is 0.
  static Idx Below(Idx i, Idx len) {
    const __m128i wrap = _mm_and_si128(len, _mm_cmpeq_epi32(i, _mm_setzero_si128()));
    return _mm_sub_epi32(_mm_add_epi32(i, wrap), _mm_set1_epi32(1));
  }
  // i + 1, or 0 where that is len.
  static Idx Above(Idx i, Idx len) {
    const __m128i n = _mm_add_epi32(i, _mm_set1_epi32(1));
    return _mm_sub_epi32(n, _mm_and_si128(len, _mm_cmpeq_epi32(n, len)));
  }

  // For the lockstep feedback kernel: a pair's lanes, sources and envelopes read afresh each
  // sample (a grain may read what the sample before wrote).
  static Mask PairAny(Mask m) { return _mm_or_pd(m, _mm_shuffle_pd(m, m, 1)); }
  // {left lane 0 + left lane 1, right lane 0 + right lane 1}
  static Vec PairSums(Vec left, Vec right) {
    return _mm_add_pd(_mm_unpacklo_pd(left, right), _mm_unpackhi_pd(left, right));
  }
  static __m128d AddPairs(__m128d acc, Vec sums) { return _mm_add_pd(acc, sums); }
  static const double* Lane(const double* s, int) { return s; }
  static const double* Lane(const double* const* s, int l) { return s[l]; }
  // s[below], s[i], s[above] of each lane for both sources: r[0 .. 2] from s0, r[3 .. 5] from s1.
  template <class Base>
  static void Triples(Base s0, Base s1, Idx below, Idx i, Idx above, Vec* r) {
    alignas(16) std::int32_t at[3][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at[0]), below);
    _mm_store_si128(reinterpret_cast<__m128i*>(at[1]), i);
    _mm_store_si128(reinterpret_cast<__m128i*>(at[2]), above);
    for (int j = 0; j < 3; ++j) {
      r[j] = Pair(Lane(s0, 0) + at[j][0], Lane(s0, 1) + at[j][1]);
      r[3 + j] = Pair(Lane(s1, 0) + at[j][0], Lane(s1, 1) + at[j][1]);
    }
  }
  // The same where no index wraps, for the indices at[0 .. 1]: I - 1 and I + 1 are the
  // neighbours in memory.
  template <class Base>
  static void InnerTriples(Base s0, Base s1, const std::int32_t* at, Vec* r) {
    auto sort = [](const double* p, const double* q, Vec* out) {
      const __m128d a = _mm_loadu_pd(p);
      const __m128d b = _mm_loadu_pd(q);
      out[0] = _mm_unpacklo_pd(a, b);
      out[1] = _mm_unpackhi_pd(a, b);
      out[2] = Pair(p + 2, q + 2);
    };
    sort(Lane(s0, 0) + at[0] - 1, Lane(s0, 1) + at[1] - 1, r);
    sort(Lane(s1, 0) + at[0] - 1, Lane(s1, 1) + at[1] - 1, r + 3);
  }
  // Entries K and K + 1 of each lane's table.
  static void EnvelopePairs(const double* const* e, Idx k, Vec* tk, Vec* tk1) {
    alignas(16) std::int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), k);
    const __m128d a = _mm_loadu_pd(e[0] + at[0]);
    const __m128d b = _mm_loadu_pd(e[1] + at[1]);
    *tk = _mm_unpacklo_pd(a, b);
    *tk1 = _mm_unpackhi_pd(a, b);
  }

  // {x, x + step}, the other way round when kDown; *x moves on by two steps and *last gets the
  // second value.
  template <bool kDown>
  static Vec Steps(double* x, double step, double* last) {
    const double a = *x, b = a + step;
    *last = b;
    *x = b + step;
    return kDown ? _mm_setr_pd(b, a) : _mm_setr_pd(a, b);
  }
};

}  // namespace

int RenderStridePairSse2(GrainPair& pair, const RenderTarget& target) {
  return StrideKernel<Sse2Ops>::Render(pair, target);
}

void RenderFeedbackLanesSse2(FeedbackLanes& lanes, const RenderTarget& target) {
  FeedbackKernel<Sse2Ops>::Render(lanes, target);
}

}  // namespace engine
