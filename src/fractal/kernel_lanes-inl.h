// The render kernel's vectors, and moving doubles between their lanes for each
// instruction set (Compress packs the lanes of a mask to the front). Included once per
// target by the kernel, after hwy/highway.h.

// Per-target include guard, as Highway's own -inl headers have.
#if defined(FRACTAL_KERNEL_LANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef FRACTAL_KERNEL_LANES_INL_H_
#undef FRACTAL_KERNEL_LANES_INL_H_
#else
#define FRACTAL_KERNEL_LANES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

// Whether this target has AVX-512, whose masked compares, scatters and byte-masked
// stores the kernel uses directly.
#undef FRACTAL_KERNEL_AVX512
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
#define FRACTAL_KERNEL_AVX512 1
#else
#define FRACTAL_KERNEL_AVX512 0
#endif

HWY_BEFORE_NAMESPACE();
namespace fractal_kernel {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;  // as many doubles as the target's vectors hold
using V = hn::Vec<D>;
using M = hn::Mask<D>;
using DI = hn::RebindToSigned<D>;  // as many 64-bit integers
using VI = hn::Vec<DI>;

// Moves the lanes of `keep` to the front. Highway's own version builds its table on the
// stack at every call on these targets; these use the instruction itself, or a table
// built once.
#if FRACTAL_KERNEL_AVX512
HWY_INLINE V Compress(V v, M keep) {
  return V{_mm512_maskz_compress_pd(keep.raw, v.raw)};
}
#elif HWY_TARGET == HWY_AVX2
struct CompressTable {
  // For each 4-bit mask, the 32-bit lanes that bring the kept doubles to the front.
  alignas(32) std::int32_t lanes[16][8];
  CompressTable() {
    for (int bits = 0; bits < 16; ++bits) {
      int out = 0;
      for (int i = 0; i < 4; ++i) {
        if ((bits >> i & 1) == 0) continue;
        lanes[bits][2 * out] = 2 * i;
        lanes[bits][2 * out + 1] = 2 * i + 1;
        ++out;
      }
      for (; out < 4; ++out) lanes[bits][2 * out] = lanes[bits][2 * out + 1] = 0;
    }
  }
};
HWY_INLINE V Compress(V v, M keep) {
  static const CompressTable table;
  const int bits = _mm256_movemask_pd(keep.raw);
  const __m256i index = _mm256_load_si256(reinterpret_cast<const __m256i*>(table.lanes[bits]));
  return V{_mm256_castps_pd(_mm256_permutevar8x32_ps(_mm256_castpd_ps(v.raw), index))};
}
#else
HWY_INLINE V Compress(V v, M keep) {
  return hn::Compress(v, keep);
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace fractal_kernel
HWY_AFTER_NAMESPACE();

#endif  // FRACTAL_KERNEL_LANES_INL_H_
