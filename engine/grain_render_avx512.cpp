// The AVX-512 path's kernels in eight-wide double arithmetic: four grain pairs at once
// (RenderGroupAvx512 and the lockstep feedback kernel) or eight samples of one grain (the stride
// kernel). Built for AVX-512 F and DQ without fused multiply-add; run only on processors that
// have them.
// GCC 12's AVX-512 header trips its own uninitialised-use warnings on the undefined pass-through
// operands of its intrinsics; the warnings are placed in the header.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstdint>

#include "engine/feedback_lanes.h"
#include "engine/feedback_render_kernel.h"
#include "engine/pair_group.h"
#include "engine/stride_render.h"
#include "engine/stride_render_kernel.h"
#include "engine/wide_render_kernel.h"

namespace engine {

namespace {

// Lanes of doubles with compare results in mask registers, and 64-bit indices.
struct Avx512Ops {
  static constexpr int kLanes = 8;
  using Vec = __m512d;
  using Mask = __mmask8;
  using Idx = __m512i;

  static Vec Set(double x) { return _mm512_set1_pd(x); }
  static Vec Load(const double* p) { return _mm512_load_pd(p); }
  static void Store(double* p, Vec x) { _mm512_store_pd(p, x); }

  static Vec Add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
  static Vec Mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
  // a when a < b, else b (also when either is NaN), like minpd and maxpd everywhere.
  static Vec Min(Vec a, Vec b) { return _mm512_min_pd(a, b); }
  static Vec Max(Vec a, Vec b) { return _mm512_max_pd(a, b); }

  static Mask Less(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OS); }
  static Mask AtLeast(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OS); }
  static Mask MaskOf(unsigned bits) { return static_cast<Mask>(bits); }
  static unsigned Bits(Mask m) { return m; }
  // True when every lane of `within` is set in both a and b.
  static bool AllSet(Mask a, Mask b, Mask within) { return (a & b & within) == within; }
  static Vec Zero(Vec x, Mask m) { return _mm512_maskz_mov_pd(m, x); }  // +0 where m is clear
  static Vec Select(Mask m, Vec a, Vec b) { return _mm512_mask_blend_pd(m, b, a); }
  static Vec PairSums(Vec left, Vec right) {
    return _mm512_add_pd(_mm512_unpacklo_pd(left, right), _mm512_unpackhi_pd(left, right));
  }

  // For lanes that hold consecutive samples of one grain.
  static Vec LoadU(const double* p) { return _mm512_loadu_pd(p); }
  static void StoreU(double* p, Vec x) { _mm512_storeu_pd(p, x); }
  static Mask Equal(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
  // x truncated toward zero through 32-bit integers.
  static Vec Trunc(Vec x) { return _mm512_cvtepi32_pd(_mm512_cvttpd_epi32(x)); }
  static Vec Reverse(Vec x) {
    return _mm512_permutexvar_pd(_mm512_setr_epi64(7, 6, 5, 4, 3, 2, 1, 0), x);
  }
  // {l0, r0, .., l3, r3} and {l4, r4, .., l7, r7}.
  static void Interleave(Vec left, Vec right, Vec* first, Vec* second) {
    const Vec even = _mm512_unpacklo_pd(left, right);  // l0 r0 l2 r2 l4 r4 l6 r6
    const Vec odd = _mm512_unpackhi_pd(left, right);   // l1 r1 l3 r3 l5 r5 l7 r7
    *first = _mm512_permutex2var_pd(even, _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11), odd);
    *second = _mm512_permutex2var_pd(even, _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15), odd);
  }
  // {x, x + step, (x + step) + step, ...}, last to first when kDown; *x moves on by eight steps
  // and *last gets the eighth value.
  template <bool kDown>
  static Vec Steps(double* x, double step, double* last) {
    double v[8];
    v[0] = *x;
    for (int j = 1; j < 8; ++j) v[j] = v[j - 1] + step;
    *last = v[7];
    *x = v[7] + step;
    return kDown ? _mm512_setr_pd(v[7], v[6], v[5], v[4], v[3], v[2], v[1], v[0])
                 : _mm512_setr_pd(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  }

  // x truncated toward zero (|x| < 2^31).
  static Idx Whole(Vec x) { return _mm512_cvttpd_epi64(x); }
  static void StoreIdx(std::int32_t* p, Idx i) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi64_epi32(i));
  }
  // x truncated toward zero (|x| < 2^31) and the fraction x minus that.
  static Idx Split(Vec x, Vec* fraction) {
    const __m512i i = _mm512_cvttpd_epi64(x);
    *fraction = _mm512_sub_pd(x, _mm512_cvtepi64_pd(i));
    return i;
  }
  static Idx MinI(Idx a, int hi) { return _mm512_min_epi64(a, _mm512_set1_epi64(hi)); }
  // i - 1, or len - 1 where i is 0.
  static Idx Below(Idx i, Idx len) {
    const __m512i down = _mm512_sub_epi64(i, _mm512_set1_epi64(1));
    return _mm512_mask_add_epi64(down, _mm512_cmpeq_epi64_mask(i, _mm512_setzero_si512()), down,
                                 len);
  }
  // i + 1, or 0 where that is len.
  static Idx Above(Idx i, Idx len) {
    const __m512i n = _mm512_add_epi64(i, _mm512_set1_epi64(1));
    return _mm512_mask_sub_epi64(n, _mm512_cmpeq_epi64_mask(n, len), n, len);
  }

  // Gathers address each lane's array as (address / 8 + index) x 8.
  static std::int64_t Words(const double* p) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p) >> 3);
  }
  // The doubles `offset` elements after the addressed ones.
  template <int kOffset>
  static Vec Gather(Idx words) {
    return _mm512_i64gather_pd(words, reinterpret_cast<const void*>(std::intptr_t{8 * kOffset}), 8);
  }

  // For the lockstep feedback kernel: lanes of pairs, sources and envelopes read afresh each
  // sample (a grain may read what the sample before wrote).
  // The envelope entry K of each phase, held at 200, and the phase's own fraction.
  static Idx EnvelopeIndex(Vec phase, Vec* fraction) {
    return MinI(Split(phase, fraction), kWindowSize);
  }
  static Mask And(Mask a, Mask b) { return a & b; }
  // The lanes of every pair that has a lane in m.
  static Mask PairAny(Mask m) {
    const unsigned any = (m | (m >> 1)) & 0x55u;
    return static_cast<Mask>(any | (any << 1));
  }
  // acc plus pair 0's {left, right} of `sums`, then pairs 1, 2 and 3's.
  static __m128d AddPairs(__m128d acc, Vec sums) {
    acc = _mm_add_pd(acc, _mm512_castpd512_pd128(sums));
    acc = _mm_add_pd(acc, _mm512_extractf64x2_pd(sums, 1));
    acc = _mm_add_pd(acc, _mm512_extractf64x2_pd(sums, 2));
    return _mm_add_pd(acc, _mm512_extractf64x2_pd(sums, 3));
  }
  // Each lane's array as words: one array for every lane, or one per lane.
  static Idx WordsOf(const double* s) { return _mm512_set1_epi64(Words(s)); }
  static Idx WordsOf(const double* const* s) { return _mm512_srli_epi64(_mm512_loadu_si512(s), 3); }
  // s[below], s[i], s[above] of each lane for both sources: r[0 .. 2] from s0, r[3 .. 5] from s1.
  template <class Base>
  static void Triples(Base s0, Base s1, Idx below, Idx i, Idx above, Vec* r) {
    const Idx w0 = WordsOf(s0), w1 = WordsOf(s1);
    r[0] = Gather<0>(_mm512_add_epi64(w0, below));
    r[1] = Gather<0>(_mm512_add_epi64(w0, i));
    r[2] = Gather<0>(_mm512_add_epi64(w0, above));
    r[3] = Gather<0>(_mm512_add_epi64(w1, below));
    r[4] = Gather<0>(_mm512_add_epi64(w1, i));
    r[5] = Gather<0>(_mm512_add_epi64(w1, above));
  }
  // The same where no index wraps, for the indices at[0 .. 7]: I - 1 and I + 1 are the
  // neighbours in memory.
  template <class Base>
  static void InnerTriples(Base s0, Base s1, const std::int32_t* at, Vec* r) {
    const Idx i = _mm512_cvtepi32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)));
    const Idx at0 = _mm512_add_epi64(WordsOf(s0), i);
    const Idx at1 = _mm512_add_epi64(WordsOf(s1), i);
    r[0] = Gather<-1>(at0);
    r[1] = Gather<0>(at0);
    r[2] = Gather<1>(at0);
    r[3] = Gather<-1>(at1);
    r[4] = Gather<0>(at1);
    r[5] = Gather<1>(at1);
  }
  // Entries K and K + 1 of each lane's table.
  static void EnvelopePairs(const double* const* e, Idx k, Vec* tk, Vec* tk1) {
    const Idx at = _mm512_add_epi64(WordsOf(e), k);
    *tk = Gather<0>(at);
    *tk1 = Gather<1>(at);
  }

  // Reads with gathers, which address each lane's array as (address / 8 + index) x 8. Where every
  // sounding lane moves by one whole sample, the previous reads slide along and only the new end
  // is gathered.
  class Reader {
   public:
    explicit Reader(const PairGroup& g) {
      alignas(64) std::int64_t w[3][kLanes];
      for (int k = 0; k < 4; ++k) {
        for (int l = 0; l < 2; ++l) {
          w[0][2 * k + l] = Words(g.pair[k]->source0[l]);
          w[1][2 * k + l] = Words(g.pair[k]->source1[l]);
          w[2][2 * k + l] = Words(g.pair[k]->envelope[l]);
          channel1_[2 * k + l] = g.pair[k]->source1[l];
        }
      }
      source0_ = _mm512_load_si512(w[0]);
      source1_ = _mm512_load_si512(w[1]);
      envelope_ = _mm512_load_si512(w[2]);
    }

    // A new stretch of samples in which the lanes of `active` sound, moving by `inc` each.
    void Restart(Mask active, Vec inc) {
      active_ = active;
      valid_ = false;
      const Mask up = _mm512_cmp_pd_mask(inc, _mm512_set1_pd(1.0), _CMP_EQ_OQ);
      const Mask down = _mm512_cmp_pd_mask(inc, _mm512_set1_pd(-1.0), _CMP_EQ_OQ);
      slide_ = (up & active) == active ? 1 : (down & active) == active ? -1 : 0;
    }

    // Channel 0 at I - 1, I, I + 1, then channel 1, with the wrapped indices.
    void Wrapped(Idx below, Idx i, Idx above, Vec* r) const {
      r[0] = Gather<0>(_mm512_add_epi64(source0_, below));
      r[1] = Gather<0>(_mm512_add_epi64(source0_, i));
      r[2] = Gather<0>(_mm512_add_epi64(source0_, above));
      r[3] = Gather<0>(_mm512_add_epi64(source1_, below));
      r[4] = Gather<0>(_mm512_add_epi64(source1_, i));
      r[5] = Gather<0>(_mm512_add_epi64(source1_, above));
    }

    // The same where no index wraps: I - 1 and I + 1 are the neighbours in memory.
    void Inner(Idx i, Vec* r) {
      const __m512i at0 = _mm512_add_epi64(source0_, i);
      const __m512i at1 = _mm512_add_epi64(source1_, i);
      // Steps of exactly one sample nearly always move the index by one; anything else reads
      // afresh without testing, so the branch stays predictable.
      if (valid_ && slide_ != 0 && Uniform(_mm512_sub_epi64(i, last_), slide_)) {
        if (slide_ > 0) {
          r_[0] = r_[1];
          r_[1] = r_[2];
          r_[2] = Gather<1>(at0);
          r_[3] = r_[4];
          r_[4] = r_[5];
          r_[5] = Gather<1>(at1);
        } else {
          r_[2] = r_[1];
          r_[1] = r_[0];
          r_[0] = Gather<-1>(at0);
          r_[5] = r_[4];
          r_[4] = r_[3];
          r_[3] = Gather<-1>(at1);
        }
      } else {
        // Gathers for one channel, plain loads for the other: the two use different ports.
        r_[0] = Gather<-1>(at0);
        r_[1] = Gather<0>(at0);
        r_[2] = Gather<1>(at0);
        Loaded(i, r_ + 3);
      }
      last_ = i;
      valid_ = true;
      for (int j = 0; j < 6; ++j) r[j] = r_[j];
    }

    // Entries K and K + 1 of each lane's envelope table.
    void Envelope(Idx k, Vec* tk, Vec* tk1) const {
      const __m512i at = _mm512_add_epi64(envelope_, k);
      *tk = Gather<0>(at);
      *tk1 = Gather<1>(at);
    }

   private:
    // Channel 1 at I - 1, I, I + 1 from one four-double load per lane, sorted into lanes.
    void Loaded(Idx i, Vec* r) const {
      alignas(64) std::int64_t at[kLanes];
      _mm512_store_si512(at, i);
      auto two = [&](int k) {
        return _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(channel1_[k] + at[k] - 1)),
                                  _mm256_loadu_pd(channel1_[k + 1] + at[k + 1] - 1), 1);
      };
      const __m512d z01 = two(0), z23 = two(2), z45 = two(4), z67 = two(6);
      const __m512i ab = _mm512_setr_epi64(0, 4, 8, 12, 1, 5, 9, 13);
      const __m512i c = _mm512_setr_epi64(2, 6, 10, 14, 2, 6, 10, 14);
      const __m512d ab0 = _mm512_permutex2var_pd(z01, ab, z23);  // a0..a3, b0..b3
      const __m512d ab1 = _mm512_permutex2var_pd(z45, ab, z67);  // a4..a7, b4..b7
      const __m512d c0 = _mm512_permutex2var_pd(z01, c, z23);
      const __m512d c1 = _mm512_permutex2var_pd(z45, c, z67);
      r[0] = _mm512_shuffle_f64x2(ab0, ab1, 0x44);
      r[1] = _mm512_shuffle_f64x2(ab0, ab1, 0xEE);
      r[2] = _mm512_shuffle_f64x2(c0, c1, 0x44);
    }

    // True when every sounding lane moved by `by` samples.
    bool Uniform(Idx step, int by) const {
      return _mm512_mask_cmpneq_epi64_mask(active_, step, _mm512_set1_epi64(by)) == 0;
    }

    __m512i source0_, source1_, envelope_;
    const double* channel1_[kLanes];
    __m512i last_ = _mm512_setzero_si512();
    Vec r_[6];
    Mask active_ = 0;
    int slide_ = 0;  // +1 or -1: every sounding lane moves by that much per sample
    bool valid_ = false;
  };
};

}  // namespace

void RenderGroupAvx512(const PairGroup& group, const RenderTarget& target, int* masks) {
  RenderGroupWide<Avx512Ops>(group, target, masks);
}

int RenderStridePairAvx512(GrainPair& pair, const RenderTarget& target) {
  return StrideKernel<Avx512Ops>::Render(pair, target);
}

void RenderFeedbackLanesAvx512(FeedbackLanes& lanes, const RenderTarget& target) {
  FeedbackKernel<Avx512Ops>::Render(lanes, target);
}

}  // namespace engine
