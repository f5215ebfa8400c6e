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
  static Idx SetI(std::int64_t x) { return _mm256_set1_epi64x(x); }
  static Vec Load(const double* p) { return _mm256_load_pd(p); }
  static void Store(double* p, Vec x) { _mm256_store_pd(p, x); }
  static Idx LoadIdx(const std::int64_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
  }

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
  static Idx AddI(Idx a, Idx b) { return _mm256_add_epi64(a, b); }
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
  static Vec Gather(Idx words) {
    return _mm256_i64gather_pd(static_cast<const double*>(nullptr), words, 8);
  }
};

}  // namespace

void RenderGroupAvx2(const PairGroup& group, const RenderTarget& target, int* masks) {
  RenderGroupWide<Avx2Ops>(group, target, masks);
}
