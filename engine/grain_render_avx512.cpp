// RenderGroupAvx512: four grain pairs at once in eight-wide AVX-512 double arithmetic. Built for
// AVX-512 F and DQ without fused multiply-add; run only on processors that have them.
#include <immintrin.h>

#include <cstdint>

#include "engine/pair_group.h"
#include "engine/wide_render_kernel.h"

namespace {

// Lanes of doubles with compare results in mask registers, and 64-bit indices.
struct Avx512Ops {
  static constexpr int kLanes = 8;
  using Vec = __m512d;
  using Mask = __mmask8;
  using Idx = __m512i;

  static Vec Set(double x) { return _mm512_set1_pd(x); }
  static Idx SetI(std::int64_t x) { return _mm512_set1_epi64(x); }
  static Vec Load(const double* p) { return _mm512_load_pd(p); }
  static void Store(double* p, Vec x) { _mm512_store_pd(p, x); }
  static Idx LoadIdx(const std::int64_t* p) { return _mm512_load_si512(p); }

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
  static Vec Zero(Vec x, Mask m) { return _mm512_maskz_mov_pd(m, x); }  // +0 where m is clear
  static Vec Select(Mask m, Vec a, Vec b) { return _mm512_mask_blend_pd(m, b, a); }
  static Vec PairSums(Vec left, Vec right) {
    return _mm512_add_pd(_mm512_unpacklo_pd(left, right), _mm512_unpackhi_pd(left, right));
  }

  // x truncated toward zero (|x| < 2^31) and the fraction x minus that.
  static Idx Split(Vec x, Vec* fraction) {
    const __m512i i = _mm512_cvttpd_epi64(x);
    *fraction = _mm512_sub_pd(x, _mm512_cvtepi64_pd(i));
    return i;
  }
  static Idx AddI(Idx a, Idx b) { return _mm512_add_epi64(a, b); }
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
  static Vec Gather(Idx words) { return _mm512_i64gather_pd(words, nullptr, 8); }
};

}  // namespace

void RenderGroupAvx512(const PairGroup& group, const RenderTarget& target, int* masks) {
  RenderGroupWide<Avx512Ops>(group, target, masks);
}
