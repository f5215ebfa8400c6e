// The AVX2 path's kernels in four-wide double arithmetic: two grain pairs at once (RenderGroupAvx2
// and the lockstep feedback kernel) or four samples of one grain (the stride kernel). Built for
// AVX2 without fused multiply-add; run only on processors that have AVX2.
#include <immintrin.h>

#include <cstdint>

#include "engine/feedback_lanes.h"
#include "engine/feedback_render_kernel.h"
#include "engine/pair_group.h"
#include "engine/stride_render.h"
#include "engine/stride_render_kernel.h"
#include "engine/wide_render_kernel.h"

namespace engine {

namespace {

// Lanes of doubles with compare masks as all-ones or all-zero lanes, and 32-bit indices.
struct Avx2Ops {
  static constexpr int kLanes = 4;
  using Vec = __m256d;
  using Mask = __m256d;
  using Idx = __m128i;  // 32-bit indices

  static Vec Set(double x) { return _mm256_set1_pd(x); }
  static Vec Load(const double* p) { return _mm256_load_pd(p); }
  static void Store(double* p, Vec x) { _mm256_store_pd(p, x); }

  static Vec Add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
  static Vec Mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
  // a when a < b, else b (also when either is NaN), like minpd and maxpd everywhere.
  static Vec Min(Vec a, Vec b) { return _mm256_min_pd(a, b); }
  static Vec Max(Vec a, Vec b) { return _mm256_max_pd(a, b); }

  static Mask Less(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_LT_OS); }
  static Mask AtLeast(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_GE_OS); }
  static Mask MaskOf(unsigned bits) {
    const __m256i bit = _mm256_setr_epi64x(1, 2, 4, 8);
    const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(bits), bit);
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, bit));
  }
  static unsigned Bits(Mask m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
  // True when every lane of `within` is set in both a and b.
  static bool AllSet(Mask a, Mask b, Mask within) {
    return (Bits(_mm256_and_pd(a, b)) & Bits(within)) == Bits(within);
  }
  static Vec Zero(Vec x, Mask m) { return _mm256_and_pd(x, m); }  // +0 where m is clear
  static Vec Select(Mask m, Vec a, Vec b) { return _mm256_blendv_pd(b, a, m); }
  static Vec PairSums(Vec left, Vec right) {
    return _mm256_add_pd(_mm256_unpacklo_pd(left, right), _mm256_unpackhi_pd(left, right));
  }

  // For lanes that hold consecutive samples of one grain.
  static Vec LoadU(const double* p) { return _mm256_loadu_pd(p); }
  static void StoreU(double* p, Vec x) { _mm256_storeu_pd(p, x); }
  static Mask Equal(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
  // x truncated toward zero through 32-bit integers.
  static Vec Trunc(Vec x) { return _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(x)); }
  static Vec Reverse(Vec x) { return _mm256_permute4x64_pd(x, 0x1B); }
  // {l0, r0, l1, r1} and {l2, r2, l3, r3}.
  static void Interleave(Vec left, Vec right, Vec* first, Vec* second) {
    const Vec even = _mm256_unpacklo_pd(left, right);
    const Vec odd = _mm256_unpackhi_pd(left, right);
    *first = _mm256_permute2f128_pd(even, odd, 0x20);
    *second = _mm256_permute2f128_pd(even, odd, 0x31);
  }
  // {x, x + step, (x + step) + step, ...}, last to first when kDown; *x moves on by four steps
  // and *last gets the fourth value.
  template <bool kDown>
  static Vec Steps(double* x, double step, double* last) {
    const double a = *x, b = a + step, c = b + step, d = c + step;
    *last = d;
    *x = d + step;
    return kDown ? _mm256_setr_pd(d, c, b, a) : _mm256_setr_pd(a, b, c, d);
  }

  // x truncated toward zero (|x| < 2^31).
  static Idx Whole(Vec x) { return _mm256_cvttpd_epi32(x); }
  static void StoreIdx(std::int32_t* p, Idx i) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), i);
  }
  // x truncated toward zero (|x| < 2^31) and the fraction x minus that.
  static Idx Split(Vec x, Vec* fraction) {
    const __m128i i = _mm256_cvttpd_epi32(x);
    *fraction = _mm256_sub_pd(x, _mm256_cvtepi32_pd(i));
    return i;
  }
  static Idx MinI(Idx a, int hi) { return _mm_min_epi32(a, _mm_set1_epi32(hi)); }
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

  // {p[0], p[1], q[0], q[1]}
  static __m256d Pair(const double* p, const double* q) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p)), _mm_loadu_pd(q), 1);
  }
  // {*p, *q, *u, *v}
  static __m256d Single(const double* p, const double* q, const double* u, const double* v) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadh_pd(_mm_load_sd(p), q)),
                                _mm_loadh_pd(_mm_load_sd(u), v), 1);
  }

  // For the lockstep feedback kernel: lanes of pairs, sources and envelopes read afresh each
  // sample (a grain may read what the sample before wrote).
  // The envelope entry K of each phase, held at 200, and the phase's own fraction.
  static Idx EnvelopeIndex(Vec phase, Vec* fraction) {
    return MinI(Split(phase, fraction), kWindowSize);
  }
  static Mask And(Mask a, Mask b) { return _mm256_and_pd(a, b); }
  // The lanes of every pair that has a lane in m.
  static Mask PairAny(Mask m) { return _mm256_or_pd(m, _mm256_permute_pd(m, 0x5)); }
  // acc plus pair 0's {left, right} of `sums`, then plus pair 1's.
  static __m128d AddPairs(__m128d acc, Vec sums) {
    return _mm_add_pd(_mm_add_pd(acc, _mm256_castpd256_pd128(sums)),
                      _mm256_extractf128_pd(sums, 1));
  }
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
      r[j] = Single(Lane(s0, 0) + at[j][0], Lane(s0, 1) + at[j][1], Lane(s0, 2) + at[j][2],
                    Lane(s0, 3) + at[j][3]);
      r[3 + j] = Single(Lane(s1, 0) + at[j][0], Lane(s1, 1) + at[j][1], Lane(s1, 2) + at[j][2],
                        Lane(s1, 3) + at[j][3]);
    }
  }
  // The same where no index wraps, for the indices at[0 .. 3]: each lane's four doubles from
  // i - 1 on in one load, sorted into lanes (the fourth is not used).
  template <class Base>
  static void InnerTriples(Base s0, Base s1, const std::int32_t* at, Vec* r) {
    auto sort = [](const double* p0, const double* p1, const double* p2, const double* p3,
                   Vec* out) {
      const __m256d u0 = _mm256_loadu_pd(p0), u1 = _mm256_loadu_pd(p1);
      const __m256d u2 = _mm256_loadu_pd(p2), u3 = _mm256_loadu_pd(p3);
      const __m256d even01 = _mm256_unpacklo_pd(u0, u1);  // a0 a1 c0 c1
      const __m256d odd01 = _mm256_unpackhi_pd(u0, u1);   // b0 b1 d0 d1
      const __m256d even23 = _mm256_unpacklo_pd(u2, u3);
      const __m256d odd23 = _mm256_unpackhi_pd(u2, u3);
      out[0] = _mm256_permute2f128_pd(even01, even23, 0x20);
      out[1] = _mm256_permute2f128_pd(odd01, odd23, 0x20);
      out[2] = _mm256_permute2f128_pd(even01, even23, 0x31);
    };
    sort(Lane(s0, 0) + at[0] - 1, Lane(s0, 1) + at[1] - 1, Lane(s0, 2) + at[2] - 1,
         Lane(s0, 3) + at[3] - 1, r);
    sort(Lane(s1, 0) + at[0] - 1, Lane(s1, 1) + at[1] - 1, Lane(s1, 2) + at[2] - 1,
         Lane(s1, 3) + at[3] - 1, r + 3);
  }
  // Entries K and K + 1 of each lane's table.
  static void EnvelopePairs(const double* const* e, Idx k, Vec* tk, Vec* tk1) {
    alignas(16) std::int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), k);
    const __m256d even = Pair(e[0] + at[0], e[2] + at[2]);
    const __m256d odd = Pair(e[1] + at[1], e[3] + at[3]);
    *tk = _mm256_unpacklo_pd(even, odd);
    *tk1 = _mm256_unpackhi_pd(even, odd);
  }

  // Reads with plain loads: each lane's neighbouring doubles in one load, sorted into lanes by
  // unpacking (a gather costs as much as four loads and more on the processors we measured).
  // Where every sounding lane moves by one whole sample, the previous reads slide along and only
  // the new end is read.
  class Reader {
   public:
    explicit Reader(const PairGroup& g) {
      for (int k = 0; k < 2; ++k) {
        for (int l = 0; l < 2; ++l) {
          source_[0][2 * k + l] = g.pair[k]->source0[l];
          source_[1][2 * k + l] = g.pair[k]->source1[l];
          envelope_[2 * k + l] = g.pair[k]->envelope[l];
        }
      }
    }

    // A new stretch of samples in which the lanes of `active` sound, moving by `inc` each.
    void Restart(Mask active, Vec inc) {
      active_ = _mm256_movemask_pd(active);
      const int up = _mm256_movemask_pd(_mm256_cmp_pd(inc, _mm256_set1_pd(1.0), _CMP_EQ_OQ));
      slide_ = (up & active_) == active_;
      valid_ = false;
    }

    // Channel 0 at I - 1, I, I + 1, then channel 1, with the wrapped indices.
    void Wrapped(Idx below, Idx i, Idx above, Vec* r) const {
      alignas(16) std::int32_t at[3][4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at[0]), below);
      _mm_store_si128(reinterpret_cast<__m128i*>(at[1]), i);
      _mm_store_si128(reinterpret_cast<__m128i*>(at[2]), above);
      for (int c = 0; c < 2; ++c) {
        const double* const* s = source_[c];
        for (int j = 0; j < 3; ++j) {
          r[3 * c + j] = Single(s[0] + at[j][0], s[1] + at[j][1], s[2] + at[j][2], s[3] + at[j][3]);
        }
      }
    }

    // The same where no index wraps: I - 1 and I + 1 are the neighbours in memory.
    void Inner(Idx i, Vec* r) {
      alignas(16) std::int32_t at[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at), i);
      // Steps of exactly one sample nearly always move the index by one; anything else reads
      // afresh without testing, so the branch stays predictable.
      const int stepped =
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_sub_epi32(i, last_), one_)));
      const bool slid = valid_ && slide_ && (stepped & active_) == active_;
      last_ = i;
      if (slid) {
        for (int c = 0; c < 2; ++c) {
          const double* const* s = source_[c];
          r_[3 * c] = r_[3 * c + 1];
          r_[3 * c + 1] = r_[3 * c + 2];
          r_[3 * c + 2] =
              Single(s[0] + at[0] + 1, s[1] + at[1] + 1, s[2] + at[2] + 1, s[3] + at[3] + 1);
        }
      } else {
        for (int c = 0; c < 2; ++c) {
          const double* const* s = source_[c];
          const __m256d abEven = Pair(s[0] + at[0] - 1, s[2] + at[2] - 1);
          const __m256d abOdd = Pair(s[1] + at[1] - 1, s[3] + at[3] - 1);
          const __m256d cdEven = Pair(s[0] + at[0] + 1, s[2] + at[2] + 1);
          const __m256d cdOdd = Pair(s[1] + at[1] + 1, s[3] + at[3] + 1);
          r_[3 * c] = _mm256_unpacklo_pd(abEven, abOdd);
          r_[3 * c + 1] = _mm256_unpackhi_pd(abEven, abOdd);
          r_[3 * c + 2] = _mm256_unpacklo_pd(cdEven, cdOdd);
        }
      }
      valid_ = true;
      for (int j = 0; j < 6; ++j) r[j] = r_[j];
    }

    // Entries K and K + 1 of each lane's envelope table.
    void Envelope(Idx k, Vec* tk, Vec* tk1) const {
      alignas(16) std::int32_t at[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at), k);
      const __m256d even = Pair(envelope_[0] + at[0], envelope_[2] + at[2]);
      const __m256d odd = Pair(envelope_[1] + at[1], envelope_[3] + at[3]);
      *tk = _mm256_unpacklo_pd(even, odd);
      *tk1 = _mm256_unpackhi_pd(even, odd);
    }

   private:
    const double* source_[2][4];
    const double* envelope_[4];
    const __m128i one_ = _mm_set1_epi32(1);
    __m128i last_ = _mm_setzero_si128();
    Vec r_[6];
    int active_ = 0;
    bool slide_ = false;  // every sounding lane moves by exactly one sample per sample
    bool valid_ = false;
  };
};

}  // namespace

void RenderGroupAvx2(const PairGroup& group, const RenderTarget& target, int* masks) {
  RenderGroupWide<Avx2Ops>(group, target, masks);
}

int RenderStridePairAvx2(GrainPair& pair, const RenderTarget& target) {
  return StrideKernel<Avx2Ops>::Render(pair, target);
}

void RenderFeedbackLanesAvx2(FeedbackLanes& lanes, const RenderTarget& target) {
  FeedbackKernel<Avx2Ops>::Render(lanes, target);
}

}  // namespace engine
