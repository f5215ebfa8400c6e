// RenderGroupAvx2: two grain pairs at once in four-wide AVX2 double arithmetic. Built for AVX2
// without fused multiply-add; run only on processors that have AVX2.
#include <immintrin.h>

#include <cstdint>

#include "engine/pair_group.h"
#include "engine/wide_render_kernel.h"

namespace {

// Lanes of doubles with compare masks as all-ones or all-zero lanes, and 64-bit indices.
struct Avx2Ops {
  static constexpr int kLanes = 4;
  using Vec = __m256d;
  using Mask = __m256d;
  using Idx = __m256i;

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

  // x truncated toward zero (|x| < 2^31) and the fraction x minus that.
  static Idx Split(Vec x, Vec* fraction) {
    const __m128i i = _mm256_cvttpd_epi32(x);
    *fraction = _mm256_sub_pd(x, _mm256_cvtepi32_pd(i));
    return _mm256_cvtepi32_epi64(i);
  }
  static Idx MinI(Idx a, int hi) {
    const __m256i h = _mm256_set1_epi64x(hi);
    return _mm256_blendv_epi8(a, h, _mm256_cmpgt_epi64(a, h));
  }
  // i - 1, or len - 1 where i is 0.
  static Idx Below(Idx i, Idx len) {
    const __m256i wrap = _mm256_and_si256(len, _mm256_cmpeq_epi64(i, _mm256_setzero_si256()));
    return _mm256_sub_epi64(_mm256_add_epi64(i, wrap), _mm256_set1_epi64x(1));
  }
  // i + 1, or 0 where that is len.
  static Idx Above(Idx i, Idx len) {
    const __m256i n = _mm256_add_epi64(i, _mm256_set1_epi64x(1));
    return _mm256_sub_epi64(n, _mm256_and_si256(len, _mm256_cmpeq_epi64(n, len)));
  }

  // Reads with plain loads: each lane's two or four neighbouring doubles in one load, sorted into
  // lanes by unpacking (gathers cost as much as four loads each on the processors we measured).
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

    void Restart() {}

    // Channel 0 at I - 1, I, I + 1, then channel 1, with the wrapped indices.
    void Wrapped(Idx below, Idx i, Idx above, Vec* r) const {
      alignas(32) std::int64_t at[3][4];
      _mm256_store_si256(reinterpret_cast<__m256i*>(at[0]), below);
      _mm256_store_si256(reinterpret_cast<__m256i*>(at[1]), i);
      _mm256_store_si256(reinterpret_cast<__m256i*>(at[2]), above);
      for (int c = 0; c < 2; ++c) {
        for (int j = 0; j < 3; ++j) {
          const double* const* s = source_[c];
          r[3 * c + j] =
              _mm256_setr_pd(s[0][at[j][0]], s[1][at[j][1]], s[2][at[j][2]], s[3][at[j][3]]);
        }
      }
    }

    // The same where no index wraps: I - 1 and I + 1 are the neighbours in memory.
    void Inner(Idx i, Mask, Vec* r) const {
      alignas(32) std::int64_t at[4];
      _mm256_store_si256(reinterpret_cast<__m256i*>(at), i);
      for (int c = 0; c < 2; ++c) {
        const double* const* s = source_[c];
        const __m256d abEven = Pair(s[0] + at[0] - 1, s[2] + at[2] - 1);
        const __m256d abOdd = Pair(s[1] + at[1] - 1, s[3] + at[3] - 1);
        const __m256d cdEven = Pair(s[0] + at[0] + 1, s[2] + at[2] + 1);
        const __m256d cdOdd = Pair(s[1] + at[1] + 1, s[3] + at[3] + 1);
        r[3 * c] = _mm256_unpacklo_pd(abEven, abOdd);
        r[3 * c + 1] = _mm256_unpackhi_pd(abEven, abOdd);
        r[3 * c + 2] = _mm256_unpacklo_pd(cdEven, cdOdd);
      }
    }

    // Entries K and K + 1 of each lane's envelope table.
    void Envelope(Idx k, Vec* tk, Vec* tk1) const {
      alignas(32) std::int64_t at[4];
      _mm256_store_si256(reinterpret_cast<__m256i*>(at), k);
      const __m256d even = Pair(envelope_[0] + at[0], envelope_[2] + at[2]);
      const __m256d odd = Pair(envelope_[1] + at[1], envelope_[3] + at[3]);
      *tk = _mm256_unpacklo_pd(even, odd);
      *tk1 = _mm256_unpackhi_pd(even, odd);
    }

   private:
    // {p[0], p[1], q[0], q[1]}
    static __m256d Pair(const double* p, const double* q) {
      return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p)), _mm_loadu_pd(q), 1);
    }

    const double* source_[2][4];
    const double* envelope_[4];
  };
};

}  // namespace

void RenderGroupAvx2(const PairGroup& group, const RenderTarget& target, int* masks) {
  RenderGroupWide<Avx2Ops>(group, target, masks);
}
