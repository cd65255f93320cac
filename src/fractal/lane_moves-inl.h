// Moving doubles between lanes, for each instruction set: Compress packs the lanes of
// a mask to the front, Expand spreads values read in a row over the lanes of a mask.
// Included once per target by the render kernel, after hwy/highway.h.

// Per-target include guard, as Highway's own -inl headers have.
#if defined(FRACTAL_LANE_MOVES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef FRACTAL_LANE_MOVES_INL_H_
#undef FRACTAL_LANE_MOVES_INL_H_
#else
#define FRACTAL_LANE_MOVES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace fractal_kernel {
namespace HWY_NAMESPACE {

namespace lane_moves {
namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

// Moves the lanes of `keep` to the front. Highway's own version builds its table on the
// stack at every call on these targets; these use the instruction itself, or a table
// built once.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
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

// Puts values read one after the other from `from` into the lanes of `take`, in lane
// order; the other lanes keep `old`. Reads a whole vector's worth.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
HWY_INLINE V Expand(V old, M take, const double* from) {
  return V{_mm512_mask_expandloadu_pd(old.raw, take.raw, from)};
}
#elif HWY_TARGET == HWY_AVX2
struct ExpandTable {
  // For each 4-bit mask, the 32-bit lanes of the loaded vector each taken lane gets.
  alignas(32) std::int32_t lanes[16][8];
  ExpandTable() {
    for (int bits = 0; bits < 16; ++bits) {
      int next = 0;
      for (int i = 0; i < 4; ++i) {
        const int source = (bits >> i & 1) != 0 ? next++ : 0;
        lanes[bits][2 * i] = 2 * source;
        lanes[bits][2 * i + 1] = 2 * source + 1;
      }
    }
  }
};
HWY_INLINE V Expand(V old, M take, const double* from) {
  static const ExpandTable table;
  const int bits = _mm256_movemask_pd(take.raw);
  const __m256i index = _mm256_load_si256(reinterpret_cast<const __m256i*>(table.lanes[bits]));
  const __m256 loaded = _mm256_castpd_ps(_mm256_loadu_pd(from));
  return hn::IfThenElse(take, V{_mm256_castps_pd(_mm256_permutevar8x32_ps(loaded, index))}, old);
}
#else
HWY_INLINE V Expand(V old, M take, const double* from) {
  const D d;
  HWY_ALIGN double values[HWY_MAX_BYTES / sizeof(double)];
  HWY_ALIGN double taken[HWY_MAX_BYTES / sizeof(double)];
  hn::Store(old, d, values);
  hn::Store(hn::VecFromMask(d, take), d, taken);
  for (std::size_t i = 0, next = 0; i < hn::Lanes(d); ++i) {
    if (taken[i] != 0.0) values[i] = from[next++];
  }
  return hn::Load(d, values);
}
#endif

}  // namespace lane_moves

using lane_moves::Compress;
using lane_moves::Expand;

}  // namespace HWY_NAMESPACE
}  // namespace fractal_kernel
HWY_AFTER_NAMESPACE();

#endif  // FRACTAL_LANE_MOVES_INL_H_
