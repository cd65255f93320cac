// The escape-time iteration on vectors of neighbouring pixels, compiled once per
// instruction set by Highway and chosen at run time.
//
// Every lane performs exactly the double operations of EscapeCount, in the same order,
// each rounded on its own: there is no fused multiply-add anywhere (a test disassembles
// this code to make sure), and 2 * (x * y) is formed as xy + xy, which is the same
// double in every case, infinities and NaN included.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "fractal/render_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// After foreach_target.h.
#include <hwy/highway.h>

#include "fractal/render_kernel.h"

HWY_BEFORE_NAMESPACE();
namespace fractal_kernel {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Independent vectors iterated side by side: one step is a chain of dependent
// multiplies and adds several times longer than the time the core needs to issue the
// step for one vector, so four chains keep its floating-point units busy.
constexpr int kUnroll = 4;
// Steps between two looks at the slots. A slot that finished early iterates on for
// nothing until the next look (1.5 steps on average), but each look costs about as much
// as a tenth of a step and mispredicts once per finished slot; 4 measured best.
constexpr int kStepsPerLook = 4;

// kUnroll slots, each a vector of neighbouring pixels of the row: their c, orbit point
// z and its squares (computed once, used by both the escape test and the next step),
// the running counts and which lanes are still iterating. A slot whose lanes have all
// left the set, or that reached the limit, takes the next pixels of the row, so the
// other slots never wait for it (nor it for them).
template <class D>
struct Slots {
  using V = hn::Vec<D>;
  using M = hn::Mask<D>;
  V cr[kUnroll], x[kUnroll], y[kUnroll], xx[kUnroll], yy[kUnroll], count[kUnroll];
  M active[kUnroll];
  int first[kUnroll];              // index of the slot's first pixel; -1 when idle
  std::int64_t deadline[kUnroll];  // the step at which the slot reaches the limit
};

// The lanes of `active` whose squared modulus is not above 4 (NaN included: the plain
// loop goes on with a NaN modulus).
template <class M, class V>
HWY_INLINE M StillIn(M active, V modulus2, V four) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
  // One masked compare instead of a compare and a mask operation: both compete with
  // the arithmetic for the same ports, so this saves a tenth of the step.
  return M{_mm512_mask_cmp_pd_mask(active.raw, modulus2.raw, four.raw, _CMP_NGT_UQ)};
#else
  return hn::AndNot(hn::Gt(modulus2, four), active);
#endif
}

// One step of every slot: z <- z^2 + c, then the escape test on the new z. A lane
// counts the step while it has not escaped; once out it stays out (its values run on to
// infinity or NaN, which no longer matter).
template <class D>
HWY_INLINE void Step(D d, Slots<D>& s, hn::Vec<D> ci) {
  const auto four = hn::Set(d, 4.0);
  const auto one = hn::Set(d, 1.0);
  HWY_UNROLL(kUnroll)
  for (int u = 0; u < kUnroll; ++u) {
    const auto xy = hn::Mul(s.x[u], s.y[u]);
    s.x[u] = hn::Add(hn::Sub(s.xx[u], s.yy[u]), s.cr[u]);
    s.y[u] = hn::Add(hn::Add(xy, xy), ci);
    s.xx[u] = hn::Mul(s.x[u], s.x[u]);
    s.yy[u] = hn::Mul(s.y[u], s.y[u]);
    s.active[u] = StillIn(s.active[u], hn::Add(s.xx[u], s.yy[u]), four);
    s.count[u] = hn::IfThenElse(s.active[u], hn::Add(s.count[u], one), s.count[u]);
  }
}

struct Row {
  const double* re;
  int n;
  int next;               // the first pixel no slot has taken yet
  std::int64_t maxSteps;  // limit - 1: the plain loop computes z2 .. z(limit) at most
  int live;               // slots that are not idle
};

// Puts the row's next pixels into slot U (z = c, no step counted), or idles it.
template <int U, class D>
HWY_INLINE void Take(D d, Slots<D>& s, Row& row, std::int64_t steps, hn::Vec<D> ci,
                     hn::Vec<D> ci2) {
  const int lanes = static_cast<int>(hn::Lanes(d));
  if (row.next >= row.n) {
    // An idle slot goes on iterating with the others until the row is done, with no
    // deadline, at real part 0; its values no longer matter.
    s.cr[U] = s.x[U] = s.count[U] = hn::Zero(d);
    s.y[U] = ci;
    s.xx[U] = s.cr[U];
    s.yy[U] = ci2;
    s.active[U] = hn::FirstN(d, static_cast<std::size_t>(lanes));
    s.first[U] = -1;
    s.deadline[U] = std::numeric_limits<std::int64_t>::max();
    --row.live;
    return;
  }
  s.cr[U] = hn::LoadU(d, row.re + row.next);
  s.x[U] = s.cr[U];
  s.y[U] = ci;
  s.xx[U] = hn::Mul(s.x[U], s.x[U]);
  s.yy[U] = ci2;
  s.count[U] = hn::Set(d, 2.0);
  s.active[U] = hn::FirstN(d, static_cast<std::size_t>(lanes));
  s.first[U] = row.next;
  s.deadline[U] = steps + row.maxSteps;
  row.next += lanes;
}

// Stores the counts of slot U and gives it new pixels once it is done.
template <int U, class D>
HWY_INLINE void Look(D d, Slots<D>& s, Row& row, std::int64_t steps, hn::Vec<D> ci, hn::Vec<D> ci2,
                     hn::Vec<D> most, std::int32_t* counts) {
  if (steps < s.deadline[U] && !hn::AllFalse(d, s.active[U])) return;
  if (s.first[U] < 0) return;  // idle, and its lanes escaped
  // Counts are whole numbers no larger than limit + 1: exact in a double and an int.
  const hn::Rebind<std::int32_t, D> di;
  hn::StoreU(hn::DemoteTo(di, hn::Min(s.count[U], most)), di, counts + s.first[U]);
  Take<U>(d, s, row, steps, ci, ci2);
}

template <class D, int... U>
HWY_INLINE void TakeAll(D d, Slots<D>& s, Row& row, hn::Vec<D> ci, hn::Vec<D> ci2,
                        std::integer_sequence<int, U...>) {
  (Take<U>(d, s, row, 0, ci, ci2), ...);
}

template <class D, int... U>
HWY_INLINE void LookAll(D d, Slots<D>& s, Row& row, std::int64_t steps, hn::Vec<D> ci,
                        hn::Vec<D> ci2, hn::Vec<D> most, std::int32_t* counts,
                        std::integer_sequence<int, U...>) {
  (Look<U>(d, s, row, steps, ci, ci2, most, counts), ...);
}

void CountRow(const double* re, int n, double im, int limit, std::int32_t* counts) {
  using D = hn::ScalableTag<double>;
  const D d;
  static_assert(HWY_LANES(double) <= kRowPadding, "rows are padded for smaller vectors");
  if (limit <= 1) {
    for (int i = 0; i < n; ++i) counts[i] = 2;
    return;
  }
  const auto ci = hn::Set(d, im);
  const auto ci2 = hn::Mul(ci, ci);
  // A slot may run up to kStepsPerLook - 1 steps past the limit. The lanes still in
  // then counted those steps too; their count is limit + 1 all the same.
  const auto most = hn::Set(d, static_cast<double>(limit) + 1.0);
  const auto slots = std::make_integer_sequence<int, kUnroll>();

  Slots<D> s;
  Row row{re, n, 0, static_cast<std::int64_t>(limit) - 1, kUnroll};
  TakeAll(d, s, row, ci, ci2, slots);
  for (std::int64_t steps = kStepsPerLook; row.live > 0; steps += kStepsPerLook) {
    HWY_UNROLL(kStepsPerLook)
    for (int k = 0; k < kStepsPerLook; ++k) Step(d, s, ci);
    LookAll(d, s, row, steps, ci, ci2, most, counts, slots);
  }
}

RowKernel ThisTargetKernel() {
  return RowKernel{&CountRow, hwy::TargetName(HWY_TARGET)};
}

}  // namespace HWY_NAMESPACE
}  // namespace fractal_kernel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace fractal_kernel {

HWY_EXPORT(ThisTargetKernel);

RowKernel ChooseRowKernel() {
  return HWY_DYNAMIC_DISPATCH(ThisTargetKernel)();
}

}  // namespace fractal_kernel
#endif
