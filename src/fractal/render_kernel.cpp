// The escape-time iteration on vectors of neighbouring pixels, compiled once per
// instruction set by Highway and chosen at run time.
//
// Every count is EscapeCount's: each lane performs exactly its double operations, in the
// same order, each rounded on its own: there is no fused multiply-add anywhere (a test
// disassembles this code to make sure), and 2 * (x * y) is formed as xy + xy, which is
// the same double in every case, infinities and NaN included. What makes it fast
// without changing a count:
//
// - Points the interior test accepts (fractal/interior.h, proven by
//   tools/interior_proof.cpp) get limit + 1 without a single step.
//
// - The others of a few rows are streamed through a group of vectors: every
//   kRound steps each lane looks whether its orbit left, reached the limit or repeats,
//   and a lane that is done takes the next pixel at once. The vectors stay full of
//   running orbits: a pixel that leaves early no longer rides along with a neighbour
//   that stays. When too few pixels are left to fill them, the last orbits go to a
//   list that is packed after every sweep over it, so they still fill whole vectors.
//
// - Exact repetition. Every kRound steps each orbit still running is compared with a
//   point it held kRound, 2 kRound, 4 kRound, ... steps into its orbit (the point moves
//   at those steps). Equal means the rounded iteration, a function of z alone, runs
//   through the same values for ever, and every one of them passed the test: the count
//   is limit + 1. Values are compared as numbers, so +0 and -0 are equal, rightly: the
//   sign of a zero never changes a later magnitude, only the sign of later zeros, so
//   the escape test sees the same values either way. Points with an infinite or NaN
//   coordinate are never compared: they take the plain loop's path to the end.

#include <cstddef>
#include <cstdint>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "fractal/render_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// After foreach_target.h.
#include <hwy/highway.h>

#include "fractal/interior.h"
#include "fractal/lane_moves-inl.h"
#include "fractal/render_kernel.h"

HWY_BEFORE_NAMESPACE();
namespace fractal_kernel {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

// kGroup vectors are iterated side by side: one step is a chain of dependent
// multiplies and adds several times longer than the time the core needs to issue the
// step of one vector, so several chains keep its floating-point units busy. With 16
// vector registers (AVX2, SSE4) a group of three already spills.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
constexpr int kGroup = 4;
#else
constexpr int kGroup = 2;
#endif
// Steps between two looks at a group: whether a lane left, reached the limit or
// repeats. A lane that left early runs on for nothing until the look.
constexpr int kRound = 16;

// Orbits still running, one array per quantity: c, z, the plain loop's n, the point
// exact repetition is looked for against and the n at which it moves next, and where
// the pixel's count goes (a whole number, exact as a double). The orbits of several
// rows share the list, so that the few long ones of each row still fill whole
// vectors. There is room for a vector past the end: whole vectors are read and written.
struct Orbits {
  std::vector<double> cr, ci, x, y, n, sx, sy, save, column;
  int size = 0;

  void Reset(std::size_t capacity) {
    const std::size_t room = capacity + 2 * HWY_LANES(double);
    for (std::vector<double>* a : {&cr, &ci, &x, &y, &n, &sx, &sy, &save, &column}) {
      a->resize(room);
    }
    size = 0;
  }
};

// One vector of orbits, in registers.
struct Lanes {
  V cr, ci, x, y, n, sx, sy, save, column;
};

struct RowState {
  int limit;
  double limitAsDouble;
  std::int32_t* counts;
  ShortcutStats* stats;
};

HWY_INLINE void Put(std::vector<double>& to, int at, V v, M keep) {
  hn::StoreU(Compress(v, keep), D(), to.data() + at);
}

// A pixel whose orbit has not started: c and the column; the rest is set when it is
// first read.
HWY_INLINE void AppendStart(Orbits& o, V cr, V ci, V column, M keep) {
  Put(o.cr, o.size, cr, keep);
  Put(o.ci, o.size, ci, keep);
  Put(o.column, o.size, column, keep);
  o.size += static_cast<int>(hn::CountTrue(D(), keep));
}

HWY_INLINE void Append(Orbits& o, const Lanes& l, M keep) {
  Put(o.cr, o.size, l.cr, keep);
  Put(o.ci, o.size, l.ci, keep);
  Put(o.x, o.size, l.x, keep);
  Put(o.y, o.size, l.y, keep);
  Put(o.n, o.size, l.n, keep);
  Put(o.sx, o.size, l.sx, keep);
  Put(o.sy, o.size, l.sy, keep);
  Put(o.save, o.size, l.save, keep);
  Put(o.column, o.size, l.column, keep);
  o.size += static_cast<int>(hn::CountTrue(D(), keep));
}

// Reads the vector at `at` of a list whose orbits end at `end`, field by field (a
// struct copy would store the mask as a byte and read it back as part of a vector,
// which stalls). An orbit read for the first time starts at z = c, n = 1, and saves
// its point after the first round. The column is read only when orbits move.
HWY_INLINE M Load(const Orbits& o, int at, int end, bool first, Lanes& l) {
  const D d;
  l.cr = hn::LoadU(d, o.cr.data() + at);
  l.ci = hn::LoadU(d, o.ci.data() + at);
  if (first) {
    l.x = l.sx = l.cr;
    l.y = l.sy = l.ci;
    l.n = hn::Set(d, 1.0);
    l.save = hn::Set(d, 1.0 + kRound);
  } else {
    l.x = hn::LoadU(d, o.x.data() + at);
    l.y = hn::LoadU(d, o.y.data() + at);
    l.n = hn::LoadU(d, o.n.data() + at);
    l.sx = hn::LoadU(d, o.sx.data() + at);
    l.sy = hn::LoadU(d, o.sy.data() + at);
    l.save = hn::LoadU(d, o.save.data() + at);
  }
  return hn::FirstN(d, static_cast<std::size_t>(end > at ? end - at : 0));
}

// The lanes of `active` whose squared modulus is not above 4 (NaN included: the plain
// loop goes on with a NaN modulus).
HWY_INLINE M StillIn(M active, V modulus2, V four) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
  // One masked compare instead of a compare and a mask operation: both compete with
  // the arithmetic for the same ports.
  return M{_mm512_mask_cmp_pd_mask(active.raw, modulus2.raw, four.raw, _CMP_NGT_UQ)};
#else
  return hn::AndNot(hn::Gt(modulus2, four), active);
#endif
}

// kRound steps of N vectors with the plain loop's test after each, the squares kept
// from one step to the next. `n` runs as the plain loop's n does while a lane is in;
// one that leaves keeps the n of the step it left at, and its count is n + 1.
template <int N>
HWY_INLINE void Round(Lanes* lanes, M* active) {
  const D d;
  const V four = hn::Set(d, 4.0);
  const V one = hn::Set(d, 1.0);
  V x[N], y[N], xx[N], yy[N], n[N];
  for (int u = 0; u < N; ++u) {
    x[u] = lanes[u].x;
    y[u] = lanes[u].y;
    xx[u] = hn::Mul(x[u], x[u]);
    yy[u] = hn::Mul(y[u], y[u]);
    n[u] = lanes[u].n;
  }
  HWY_UNROLL(kRound)
  for (int k = 0; k < kRound; ++k) {
    HWY_UNROLL(kGroup)
    for (int u = 0; u < N; ++u) {
      const V xy = hn::Mul(x[u], y[u]);
      x[u] = hn::Add(hn::Sub(xx[u], yy[u]), lanes[u].cr);
      y[u] = hn::Add(hn::Add(xy, xy), lanes[u].ci);
      xx[u] = hn::Mul(x[u], x[u]);
      yy[u] = hn::Mul(y[u], y[u]);
      active[u] = StillIn(active[u], hn::Add(xx[u], yy[u]), four);
      n[u] = hn::IfThenElse(active[u], hn::Add(n[u], one), n[u]);
    }
  }
  for (int u = 0; u < N; ++u) {
    lanes[u].x = x[u];
    lanes[u].y = y[u];
    lanes[u].n = n[u];
  }
}

HWY_NOINLINE void Count(ShortcutStats* stats, M again, V n) {
  const D d;
  stats->repeated += static_cast<std::int64_t>(hn::CountTrue(d, again));
  const double latest = hn::GetLane(hn::MaxOfLanes(d, hn::IfThenElseZero(again, n)));
  if (latest > static_cast<double>(stats->latestRepeat)) {
    stats->latestRepeat = static_cast<std::int64_t>(latest);
  }
}

// After a round: which lanes of a vector go on. A lane is done when it left, reached
// the limit (its count stays limit + 1, what every count starts as) or repeats. A lane
// still going moves its saved point at n = 9, 17, 33, 65, ...
HWY_INLINE M GoingOn(Lanes& l, M active, V limit, bool repetition, ShortcutStats* stats) {
  const D d;
  M on = hn::And(active, hn::Lt(l.n, limit));
  if (repetition) {
    const M again = hn::And(on, hn::And(hn::Eq(l.x, l.sx), hn::Eq(l.y, l.sy)));
    if (stats != nullptr && !hn::AllFalse(d, again)) Count(stats, again, l.n);
    on = hn::AndNot(again, on);
    const M move = hn::And(on, hn::Ge(l.n, l.save));
    l.sx = hn::IfThenElse(move, l.x, l.sx);
    l.sy = hn::IfThenElse(move, l.y, l.sy);
    l.save = hn::IfThenElse(move, hn::Sub(hn::Add(l.save, l.save), hn::Set(d, 1.0)), l.save);
  }
  return on;
}

// Writes the counts of the lanes that left before the limit.
HWY_INLINE void WriteLeft(const Lanes& l, M left, const RowState& row) {
  const D d;
  const M counted = hn::And(left, hn::Lt(l.n, hn::Set(d, row.limitAsDouble)));
  if (hn::AllFalse(d, counted)) return;
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3_ZEN4
  // One scatter: the columns as 64-bit indexes, the counts as 32-bit values.
  const __m512i index = _mm512_cvttpd_epi64(l.column.raw);
  const __m256i count = _mm512_cvttpd_epi32(hn::Add(l.n, hn::Set(d, 1.0)).raw);
  _mm512_mask_i64scatter_epi32(row.counts, counted.raw, index, count, 4);
#else
  HWY_ALIGN double n[HWY_MAX_BYTES / sizeof(double)];
  HWY_ALIGN double column[HWY_MAX_BYTES / sizeof(double)];
  const std::size_t count = hn::CountTrue(d, counted);
  hn::Store(Compress(l.n, counted), d, n);
  hn::Store(Compress(l.column, counted), d, column);
  for (std::size_t i = 0; i < count; ++i) {
    row.counts[static_cast<std::size_t>(column[i])] = static_cast<std::int32_t>(n[i]) + 1;
  }
#endif
}

// N vectors read at `at` from a list that ends at `end` run round after round for as
// long as every lane goes on. Then the orbits still going are appended to the same
// list, behind the reads: the group is read whole before anything is written, and
// each vector adds at most a vector's worth, so the list's end never passes a vector
// still to be read.
template <int N>
HWY_INLINE void RunGroup(Orbits& o, int at, int end, const RowState& row, bool first,
                         bool repetition) {
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const V limit = hn::Set(d, row.limitAsDouble);
  Lanes group[N];
  M valid[N], on[N], active[N];
  for (int u = 0; u < N; ++u) valid[u] = Load(o, at + u * lanes, end, first, group[u]);
  for (bool all = true; all;) {
    // Every lane went on from the round before, so every valid lane is in.
    for (int u = 0; u < N; ++u) active[u] = valid[u];
    Round<N>(group, active);
    for (int u = 0; u < N; ++u) {
      on[u] = GoingOn(group[u], active[u], limit, repetition, row.stats);
      all = all && hn::AllTrue(d, on[u]);
    }
  }
  for (int u = 0; u < N; ++u) {
    Lanes& l = group[u];
    const int from = at + u * lanes;
    l.column = hn::LoadU(d, o.column.data() + from);
    WriteLeft(l, hn::AndNot(active[u], valid[u]), row);
    Append(o, l, on[u]);
  }
}

// The last vectors of the list, fewer than a group.
template <int N>
HWY_INLINE void RunTail(int vectors, Orbits& o, int at, int end, const RowState& row, bool first,
                        bool repetition) {
  if constexpr (N > 1) {
    if (vectors < N) return RunTail<N - 1>(vectors, o, at, end, row, first, repetition);
  }
  RunGroup<N>(o, at, end, row, first, repetition);
}

// Runs every orbit of the list to its end, packing the list after each sweep.
void Iterate(Orbits& o, const RowState& row, bool repetition, bool first) {
  const int lanes = static_cast<int>(hn::Lanes(D()));
  const int groupSize = kGroup * lanes;
  for (; o.size > 0; first = false) {
    const int end = o.size;
    o.size = 0;
    int at = 0;
    for (; at + groupSize <= end; at += groupSize) {
      RunGroup<kGroup>(o, at, end, row, first, repetition);
    }
    if (at < end)
      RunTail<kGroup>((end - at + lanes - 1) / lanes, o, at, end, row, first, repetition);
  }
}

// Gives the lanes of `take` the next pixels of `pending`: their orbits start at z = c.
HWY_INLINE void Refill(Lanes& l, M take, const Orbits& pending, int next) {
  const D d;
  l.cr = Expand(l.cr, take, pending.cr.data() + next);
  l.ci = Expand(l.ci, take, pending.ci.data() + next);
  l.column = Expand(l.column, take, pending.column.data() + next);
  l.x = hn::IfThenElse(take, l.cr, l.x);
  l.y = hn::IfThenElse(take, l.ci, l.y);
  l.sx = hn::IfThenElse(take, l.cr, l.sx);
  l.sy = hn::IfThenElse(take, l.ci, l.sy);
  l.n = hn::IfThenElse(take, hn::Set(d, 1.0), l.n);
  l.save = hn::IfThenElse(take, hn::Set(d, 1.0 + kRound), l.save);
}

// Streams the pixels of `pending` (c and column only) through N vectors: a lane whose
// orbit is done takes the next pixel at once, so the vectors stay full of running
// orbits with nothing to pack. Once too few pixels are left to fill the lanes that
// came free, the orbits still running and the pixels not started go to `rest`.
template <int N>
void Stream(const Orbits& pending, Orbits& rest, const RowState& row, bool repetition) {
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const V limit = hn::Set(d, row.limitAsDouble);
  Lanes group[N];
  M valid[N], active[N];
  int next = 0;
  for (int u = 0; u < N; ++u, next += lanes) {
    // Past the end only zeros are read: the lists have room for one vector more.
    const int at = next < pending.size ? next : pending.size;
    valid[u] = Load(pending, at, next < pending.size ? pending.size : at, true, group[u]);
    group[u].column = hn::LoadU(d, pending.column.data() + at);
  }
  next = next < pending.size ? next : pending.size;
  bool streaming = true;
  while (streaming) {
    for (int u = 0; u < N; ++u) active[u] = valid[u];
    Round<N>(group, active);
    for (int u = 0; u < N; ++u) {
      Lanes& l = group[u];
      const M on = GoingOn(l, active[u], limit, repetition, row.stats);
      if (hn::AllTrue(d, on)) continue;
      WriteLeft(l, hn::AndNot(active[u], valid[u]), row);
      const M done = hn::Not(on);
      const int free = static_cast<int>(hn::CountTrue(d, done));
      if (streaming && pending.size - next >= free) {
        Refill(l, done, pending, next);
        next += free;
        valid[u] = hn::FirstN(d, static_cast<std::size_t>(lanes));
      } else {
        valid[u] = on;
        streaming = false;
      }
    }
  }
  rest.size = 0;
  for (int u = 0; u < N; ++u) Append(rest, group[u], valid[u]);
  for (; next < pending.size; next += lanes) {
    Lanes l;
    const M fresh = Load(pending, next, pending.size, true, l);
    l.column = hn::LoadU(d, pending.column.data() + next);
    Append(rest, l, fresh);
  }
}

HWY_INLINE M InKnownComponent(V cr, V ci2) {
  const D d;
  const V a = hn::Sub(cr, hn::Set(d, interior::kCardioidQuarterScale));
  const V q = hn::Add(hn::Mul(a, a), ci2);
  const V lhs = hn::Mul(q, hn::Add(q, hn::Mul(hn::Set(d, interior::kCardioidScale), a)));
  const M cardioid = hn::And(hn::Le(q, hn::Set(d, 2.0)),
                             hn::Le(lhs, hn::Mul(hn::Set(d, interior::kCardioidRhs), ci2)));
  const V b = hn::Add(cr, hn::Set(d, 1.0));
  const M disc = hn::Le(hn::Add(hn::Mul(b, b), ci2), hn::Set(d, interior::kDiscRadius2));
  return hn::Or(cardioid, disc);
}

HWY_INLINE M Finite(V v) {
  return hn::Eq(hn::Sub(v, v), hn::Zero(D()));  // inf - inf and NaN - NaN are NaN
}

// Sorts the pixels of a row: those the interior test accepts keep limit + 1; the
// others join `finite` or, with an infinite or NaN coordinate, `other`. The first pass
// starts their orbits at z = c.
void SortRow(const double* re, int n, double im, double columnBase, const RowState& row,
             bool shortcuts, Orbits& finite, Orbits& other) {
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const V ci = hn::Set(d, im);
  const V ci2 = hn::Mul(ci, ci);
  const M finiteRow = Finite(ci);
  V column = hn::Add(hn::Iota(d, 0.0), hn::Set(d, columnBase));
  for (int i = 0; i < n; i += lanes) {
    const V cr = hn::LoadU(d, re + i);
    const M valid = hn::FirstN(d, static_cast<std::size_t>(n - i));
    M rest = valid;
    // Both components lie within |y| < 0.63: rows further out skip the test (a point
    // the test does not take is only iterated, which is always right).
    if (shortcuts && im * im < 0.4) {
      const M known = hn::And(InKnownComponent(cr, ci2), valid);
      if (row.stats != nullptr) row.stats->interior += hn::CountTrue(d, known);
      rest = hn::AndNot(known, valid);
    }
    const M plain = shortcuts ? hn::And(finiteRow, Finite(cr)) : hn::FirstN(d, 0);
    AppendStart(finite, cr, ci, column, hn::And(plain, rest));
    const M odd = hn::AndNot(plain, rest);
    if (!hn::AllFalse(d, odd)) AppendStart(other, cr, ci, column, odd);
    column = hn::Add(column, hn::Set(d, static_cast<double>(lanes)));
  }
}

void CountRowsWith(const double* re, int n, const double* im, int rows, int limit,
                   std::int32_t* counts, std::ptrdiff_t stride, bool shortcuts,
                   ShortcutStats* stats) {
  static_assert(HWY_LANES(double) <= kRowPadding, "rows are padded for smaller vectors");
  for (int r = 0; r < rows; ++r) {
    std::int32_t* rowCounts = counts + stride * r;
    for (int i = 0; i < n; ++i) rowCounts[i] = limit <= 1 ? 2 : limit + 1;
  }
  if (limit <= 1) return;
  const RowState row{limit, static_cast<double>(limit), counts, stats};
  // Kept from call to call, by every thread that renders.
  thread_local Orbits finite, other;
  const std::size_t most = static_cast<std::size_t>(n) * static_cast<std::size_t>(rows);
  finite.Reset(most);
  other.Reset(most);
  for (int r = 0; r < rows; ++r) {
    SortRow(re, n, im[r], static_cast<double>(stride * r), row, shortcuts, finite, other);
  }
  thread_local Orbits rest;
  rest.Reset(most);
  Stream<kGroup>(finite, rest, row, shortcuts);
  Iterate(rest, row, shortcuts, false);
  Iterate(other, row, false, true);
}

void CountRows(const double* re, int n, const double* im, int rows, int limit, std::int32_t* counts,
               std::ptrdiff_t stride) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, true, nullptr);
}

void CountRowsStepwise(const double* re, int n, const double* im, int rows, int limit,
                       std::int32_t* counts, std::ptrdiff_t stride) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, false, nullptr);
}

void CountRowsCounted(const double* re, int n, const double* im, int rows, int limit,
                      std::int32_t* counts, std::ptrdiff_t stride, ShortcutStats* stats) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, true, stats);
}

RowKernel ThisTargetKernel() {
  return RowKernel{&CountRows, &CountRowsStepwise, &CountRowsCounted, hwy::TargetName(HWY_TARGET)};
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
