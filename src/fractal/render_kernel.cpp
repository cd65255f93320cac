// The escape-time iteration on vectors of neighbouring pixels, compiled once per
// instruction set by Highway and chosen at run time.
//
// Every count is EscapeCount's: each lane performs exactly its double operations, in the
// same order, each rounded on its own. The one fused multiply-add, 2 xy + ci in the
// slots' steps and those taken ahead (see TwiceProductPlus), rounds once a sum whose
// product is exact, which is rounding it as written; a test disassembles this code to
// make sure no other appears.
// What makes it fast without changing a count:
//
// - Points the interior test accepts (fractal/interior.h, proven by
//   tools/interior_proof.cpp) get limit + 1 without a single step. Up to the limit 150
//   the test takes the whole cardioid and period-2 disc; above it, smaller parts that
//   are proven for any limit.
//
// - The others of a few rows are gathered into one list, so that vectors are full of
//   pixels that must be iterated, and iterated in slots of vectors side by side; a
//   slot whose lanes are all done takes the next vector of the list.
//
// - Exact repetition. Every 16 steps each orbit still running is compared with a point
//   it held earlier, which moves when the orbit is about 16, 32, 64, ... steps old.
//   Equal means the rounded iteration, a function of z alone, runs through the same
//   values for ever, and every one of them passed the test: the count is limit + 1.
//   Values are compared as numbers, so +0 and -0 are equal, rightly: the sign of a
//   zero never changes a later magnitude, only the sign of later zeros, so the escape
//   test sees the same values either way. Points with an infinite or NaN coordinate are
//   never compared: they take the plain loop's path to the end. A thread whose orbits
//   rarely repeat leaves the looks out for a few calls (see kRepetitionWorth).
//
// - Out for ever. For |c| < 1.99 an orbit that has left the circle of radius 2 never
//   comes back (see kOutForEver), so a step needs no mask of the lanes still in: each
//   counts the steps at which it is in, and the lanes still in are looked at only when
//   the slots are.
//
// - Steps known in. Where the caller's proof about a tile shows that its pixels stay in
//   up to some step, those steps go without the escape test, ahead of the slots (see
//   kAheadChains).

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "fractal/render_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// After foreach_target.h.
#include <hwy/highway.h>

#include "fractal/interior.h"
#include "fractal/kernel_lanes-inl.h"
#include "fractal/render_kernel.h"

HWY_BEFORE_NAMESPACE();
namespace fractal_kernel {
namespace HWY_NAMESPACE {

// kSlots independent vectors are iterated side by side: one step is a chain of
// dependent multiplies and adds several times longer than the time the core needs to
// issue the step of one vector, so several chains keep its floating-point units busy.
// AVX-512 has 32 registers: four measured best (five and more as fast or slower). With
// 16, four measured best on AVX2 (by 5 to 11 percent over three on an AMD core, and
// three and five as fast or slower once the steps kept only z and the count live), and
// on SSE4 and SSSE3 too since then (three had been as fast before: inside the set 11%
// slower on a Zen 3 core now).
#if FRACTAL_KERNEL_AVX512 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSE4 || \
    HWY_TARGET == HWY_SSSE3
constexpr int kSlots = 4;
#else
constexpr int kSlots = 3;
#endif
// Steps between two looks at the slots. A slot that finished early iterates on for
// nothing until the next look (3.5 steps on average), but a look costs about a step's
// worth of work and mispredicts once per finished slot; 8 measured best, by a few
// percent over 4, on AVX-512 and AVX2 alike.
constexpr int kStepsPerLook = 8;
// Steps between two looks for exact repetition, all slots at once. Looks cost a few
// percent where orbits never repeat before the limit (most views). The distance to the
// saved point must be a multiple of the period: with looks every 16 steps a period of 3
// is found at a distance of 48, within the limit; every 32 steps, never.
constexpr int kStepsPerRepeatLook = 16;
// The saved point first moves at the first look once the orbits are this many steps
// old, and then whenever their age has doubled.
constexpr std::int64_t kFirstSave = 16;
// The looks cost about 5% of the steps, and most views have next to no pixel that
// repeats before the limit (the interior test takes the large parts of the set): a
// thread looks while at least kRepetitionWorth of the pixels it iterated repeated, a
// repetition saving dozens of steps, and otherwise looks again on every
// kRepetitionRetry-th call.
constexpr double kRepetitionWorth = 1.0 / 64;
constexpr int kRepetitionRetry = 4;

// Whether the steps of orbits that stay out once out (kOutForEver) go without the mask
// of the lanes still in. AVX-512 keeps it: its masked compare costs no more than a plain
// one, and the steps without it measured 4% slower there; so did the one-lane targets'.
constexpr bool kMaskFreeSteps =
    !FRACTAL_KERNEL_AVX512 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128;

// Pixels of out-for-ever lists may go through this many steps as they are sorted, a
// vector of neighbours at a time, so that only those still in join the list, with their
// orbit point. In views that take in much of the plane, most pixels escape within a few
// steps: in a slot, each of them cost a vector taken, a look and the steps to it. Where
// next to none escape that early (close views of the boundary), the steps cost a few
// percent more there than in the slots: a thread takes them while at least
// kFirstStepsWorth of the pixels they took escaped, and otherwise tries them again on
// every kFirstStepsRetry-th call.
#define FRACTAL_KERNEL_FIRST_STEPS \
  (!FRACTAL_KERNEL_AVX512 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128)
constexpr int kFirstSteps = FRACTAL_KERNEL_FIRST_STEPS ? 4 : 0;
constexpr double kFirstStepsWorth = 0.25;
constexpr int kFirstStepsRetry = 8;
static_assert(kFirstSteps == 0 || kMaskFreeSteps, "first steps are those of out-for-ever lists");

// Steps known in. The caller may know that every pixel of a span gets a count of at least
// s, from a proof about its tile that held to step s: the escape tests of steps 2 .. s - 1
// would all pass. Those steps are taken ahead, kAheadChains vectors side by side, with
// neither test nor count: a step's three multiplies, two adds and 2 xy + ci, without the
// test's add, compare and count. Then kAheadTested steps with the test: the many pixels
// that escape right after the proof stopped get their count there, and only the others
// join the slots, with their orbit point and count. On the edge of the set most of the
// steps left to the kernel are of this kind: 9.3 of the boundary view's 12.6 million,
// 16.8 of 20.1 million deeper in its spiral. In a loop of steps alone on a Zen 5 core, on
// AVX2, a pixel-step took 0.30 tick cycles with six chains (half of them doubling xy with
// an add, which leaves the multiply pipes less to do), against 0.45 with the slots' test;
// four chains 0.38, eight 0.34 (they spill). AVX-512 has room for eight. Fewer known steps
// than kAheadFrom do not pay for gathering the pixels apart (the first view 15% slower
// with 8).
constexpr bool kPortableTarget = HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128;
constexpr int kAheadChains = FRACTAL_KERNEL_AVX512 ? 8 : kPortableTarget ? 4 : 6;
constexpr int kAheadFrom = 16;
constexpr int kAheadTested = 4;

// Pixels waiting to be iterated, one array per quantity: c, and where the count goes
// (a whole number, exact as a double). The pixels of several rows share a list, so
// that vectors stay full to the end. There is room for a vector past the end: whole
// vectors are read and written.
struct PixelList {
  std::vector<double> cr, ci, column;
  std::vector<double> x, y;         // the orbit point after the first steps, or those ahead
  std::vector<std::int64_t> count;  // the count of each orbit so far, on a list `ahead`
  int size = 0;
  int firstSteps = 0;  // how many steps every orbit of the list has been through
  bool ahead = false;  // each pixel went through steps of its own already (PutAhead)

  void Reset(std::size_t capacity, bool orbits = kFirstSteps > 0, bool steppedAhead = false) {
    const std::size_t room = capacity + 2 * HWY_LANES(double);
    for (std::vector<double>* a : {&cr, &ci, &column}) a->resize(room);
    if (orbits || steppedAhead) {
      x.resize(room);
      y.resize(room);
    }
    if (steppedAhead) count.resize(room);
    size = 0;
    firstSteps = 0;
    ahead = steppedAhead;
  }
  // PutOrbit, with the count every orbit taken has so far.
  HWY_INLINE int PutAhead(V re, V im, V where, V zx, V zy, VI counted, M take, int at) {
    hn::StoreU(counted, DI(), count.data() + at);  // all lanes alike
    return PutOrbit(re, im, where, zx, zy, take, at);
  }
  // Put, with the orbit point.
  HWY_INLINE int PutOrbit(V re, V im, V where, V zx, V zy, M take, int at) {
    const D d;
    const std::size_t taken = hn::CountTrue(d, take);
    if (taken == hn::Lanes(d)) {
      hn::StoreU(zx, d, x.data() + at);
      hn::StoreU(zy, d, y.data() + at);
    } else if (taken != 0) {
      hn::StoreU(Compress(zx, take), d, x.data() + at);
      hn::StoreU(Compress(zy, take), d, y.data() + at);
    }
    return Put(re, im, where, take, at);
  }
  // Puts the lanes of `take` at `at` and returns how many there are. The caller keeps
  // the size in a register: vector stores may alias anything, so a size kept here would
  // be stored and loaded again around every one of them.
  HWY_INLINE int Put(V re, V im, V where, M take, int at) {
    const D d;
    const std::size_t taken = hn::CountTrue(d, take);
    // Whole vectors, most of a view, need no packing.
    if (taken == hn::Lanes(d)) {
      hn::StoreU(re, d, cr.data() + at);
      hn::StoreU(im, d, ci.data() + at);
      hn::StoreU(where, d, column.data() + at);
    } else if (taken != 0) {
      hn::StoreU(Compress(re, take), d, cr.data() + at);
      hn::StoreU(Compress(im, take), d, ci.data() + at);
      hn::StoreU(Compress(where, take), d, column.data() + at);
    }
    return static_cast<int>(taken);
  }
};

struct RowState {
  int limit;
  const interior::Test* test;  // the version of the interior test for this limit
  std::int64_t maxSteps;  // limit - 1: the plain loop computes z2 .. z(limit) at most
  std::int32_t* counts;
  ShortcutStats* stats;
};

// kSlots slots, each a vector of pixels: c, the orbit point z and its squares
// (computed once, used by both the escape test and the next step; the steps of
// out-for-ever lists keep no squares from one step to the next), the running counts,
// which lanes are still iterating, and the point exact repetition is looked for
// against. A slot whose lanes are all done takes the next pixels of the list, so the
// other slots never wait for it (nor it for them).
struct Slots {
  V cr[kSlots], ci[kSlots], x[kSlots], y[kSlots], xx[kSlots], yy[kSlots];
  VI count[kSlots];
  V column[kSlots], sx[kSlots], sy[kSlots];
  M active[kSlots], valid[kSlots];
  M in[kSlots];  // the lanes the last escape test found in
  bool busy[kSlots];              // holds pixels
  std::int64_t taken[kSlots];     // the step at which the slot took them
  std::int64_t deadline[kSlots];  // the step at which the slot reaches the limit
  std::int64_t nextSave[kSlots];  // the step at which its saved point moves next
};

struct Walk {
  const PixelList* list;
  const PixelList* then;  // taken on once `list` is done (null: none)
  int next;         // the first pixel no slot has taken yet
  int live;         // slots that hold pixels
  bool repetition;  // look for exact repetition (the list holds finite points only)
  VI most;          // limit + 1
  std::int64_t repeated = 0;  // pixels found to repeat
};

// The lanes of `active` whose squared modulus is not above 4 (NaN included: the plain
// loop goes on with a NaN modulus).
HWY_INLINE M StillIn(M active, V modulus2, V four) {
#if FRACTAL_KERNEL_AVX512
  // One masked compare instead of a compare and a mask operation: both compete with
  // the arithmetic for the same ports.
  return M{_mm512_mask_cmp_pd_mask(active.raw, modulus2.raw, four.raw, _CMP_NGT_UQ)};
#else
  return hn::AndNot(hn::Gt(modulus2, four), active);
#endif
}

// Counts one more step for the lanes of `active`.
HWY_INLINE VI CountStep(VI count, M active) {
  const DI di;
#if FRACTAL_KERNEL_AVX512
  return hn::IfThenElse(hn::RebindMask(di, active), hn::Add(count, hn::Set(di, 1)), count);
#else
  // A mask lane is all ones, -1 as an integer: one subtraction counts the step.
  return hn::Sub(count, hn::BitCast(di, hn::VecFromMask(D(), active)));
#endif
}

// `v`, unknown to the compiler from here on. Without fused multiply-adds, a multiply by
// a known 2 becomes an add, and of a step's operations more are adds than multiplies
// already: where the two kinds go to separate pipes (as on AMD's cores), the multiply
// keeps them even. The same double either way: 2 xy is exact.
HWY_INLINE V Opaque(V v) {
#if defined(__GNUC__) && (HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_SSSE3)
  asm("" : "+x"(v.raw));
#endif
  return v;
}

// 2 xy + ci as the plain loop rounds it, in one operation on AVX-512 and AVX2: a step
// then takes nine vector operations instead of ten, and the steps of AVX-512 are bound
// by them (two a cycle). The fused sum rounds once; so does the plain one whenever 2 xy
// is a double, which it is, exactly, unless it overflows.
// - A lane still iterating holds a z that passed the escape test (|x|, |y| <= 2: no
//   overflow) or a NaN (NaN either way), except at its first step, from z = c untested.
//   There 2 xy overflows and the fused sum does not only with |ci| near the largest
//   double: its square makes the new x infinite or NaN in both, so the next test, and
//   every count after it, are the same.
// - Lanes out that go on unmasked (out-for-ever lists, |c| < 1.99): if 2 xy overflows,
//   |2 xy + ci| >= 2^1024 - 2 is infinite too, with the same sign.
// (The instruction itself, not Highway's MulAdd: unoptimised builds keep that a function
// of its own, and the test of the machine code finds fused operations by function.)
HWY_INLINE V TwiceProductPlus(V xy, V two, V ci) {
#if FRACTAL_KERNEL_AVX512
  return V{_mm512_fmadd_pd(xy.raw, two.raw, ci.raw)};
#elif HWY_TARGET == HWY_AVX2
  return V{_mm256_fmadd_pd(xy.raw, two.raw, ci.raw)};
#else
  return hn::Add(hn::Mul(xy, two), ci);
#endif
}

// One step of every slot: z <- z^2 + c, then the escape test on the new z. A lane
// counts the step while it has not escaped; once out it stays out (its values run on
// to infinity or NaN, which no longer matter).
//
// With kOutForEver orbits, the lanes out need no mask: they are never in again, and
// `active` is brought up to date at looks. Their steps test z before they move it (the
// slot holds the next z, not yet tested, and no squares): the same operations in
// another order, which leaves only z and the count of each slot live from step to step.
// On AVX2 the compiler then keeps the four slots' orbits in the sixteen registers
// (spilling squares, masks and orbits otherwise), a fifth to a quarter faster.
template <bool kOutForEverList>
HWY_INLINE void Step(Slots& s) {
  const D d;
  const V four = hn::Set(d, 4.0);
  const V two = Opaque(hn::Set(d, 2.0));
  HWY_UNROLL(kSlots)
  for (int u = 0; u < kSlots; ++u) {
    if constexpr (kOutForEverList) {
      const V xx = hn::Mul(s.x[u], s.x[u]);
      const V yy = hn::Mul(s.y[u], s.y[u]);
      const V xy = hn::Mul(s.x[u], s.y[u]);
      s.in[u] = hn::Le(hn::Add(xx, yy), four);  // ordered: NaN is not in
      // A mask lane is all ones, -1 as an integer.
      s.count[u] = hn::Sub(s.count[u], hn::BitCast(DI(), hn::VecFromMask(d, s.in[u])));
      s.x[u] = hn::Add(hn::Sub(xx, yy), s.cr[u]);
      s.y[u] = TwiceProductPlus(xy, two, s.ci[u]);
    } else {
      const V xy = hn::Mul(s.x[u], s.y[u]);
      s.x[u] = hn::Add(hn::Sub(s.xx[u], s.yy[u]), s.cr[u]);
      s.y[u] = TwiceProductPlus(xy, two, s.ci[u]);
      s.xx[u] = hn::Mul(s.x[u], s.x[u]);
      s.yy[u] = hn::Mul(s.y[u], s.y[u]);
      s.active[u] = StillIn(s.active[u], hn::Add(s.xx[u], s.yy[u]), four);
      s.count[u] = CountStep(s.count[u], s.active[u]);
    }
  }
}

// The lanes of slot U still in, for a list whose orbits stay out once out.
template <int U>
HWY_INLINE void UpdateActive(Slots& s) {
  s.active[U] = hn::And(s.active[U], s.in[U]);
}

// Puts the list's next pixels into slot U (z = c, no step counted; on an out-for-ever
// list z = c^2 + c, not yet tested, or the point its first steps left; on a list ahead,
// each pixel's own point and count), or idles it.
template <bool kOutForEverList, bool kAhead, int U>
HWY_INLINE void Take(Slots& s, Walk& w, std::int64_t steps, std::int64_t maxSteps) {
  const D d;
  if (kAhead && w.next >= w.list->size && w.then != nullptr) {
    w.list = w.then;
    w.then = nullptr;
    w.next = 0;
  }
  const PixelList& list = *w.list;
  if (w.next >= list.size) {
    // An idle slot iterates z = 0 with c = 0 until the list is done; nothing of it is
    // looked at.
    s.cr[U] = s.ci[U] = s.x[U] = s.y[U] = s.xx[U] = s.yy[U] = s.sx[U] = s.sy[U] = hn::Zero(d);
    s.active[U] = s.valid[U] = s.in[U] = hn::FirstN(d, 0);
    s.busy[U] = false;
    s.count[U] = hn::Zero(DI());
    s.column[U] = hn::Zero(d);
    s.taken[U] = s.deadline[U] = s.nextSave[U] = steps;
    --w.live;
    return;
  }
  s.cr[U] = s.x[U] = s.sx[U] = hn::LoadU(d, list.cr.data() + w.next);
  s.ci[U] = s.y[U] = s.sy[U] = hn::LoadU(d, list.ci.data() + w.next);
  s.column[U] = hn::LoadU(d, list.column.data() + w.next);
  s.valid[U] = s.active[U] = s.in[U] = hn::FirstN(d, static_cast<std::size_t>(list.size - w.next));
  // The orbits of out-for-ever lists went through their first steps already (and
  // those steps keep no squares).
  std::int64_t done = list.firstSteps;
  if (kAhead && list.ahead) {
    // Each lane's own steps: the slot reaches the limit with the one that took fewest.
    s.x[U] = hn::LoadU(d, list.x.data() + w.next);
    s.y[U] = hn::LoadU(d, list.y.data() + w.next);
    s.count[U] = hn::LoadU(DI(), list.count.data() + w.next);
    const VI least = hn::IfThenElse(hn::RebindMask(DI(), s.valid[U]), s.count[U],
                                    hn::Set(DI(), std::int64_t{1} << 40));
    done = hn::GetLane(hn::MinOfLanes(DI(), least)) - 2;
    if (!kOutForEverList) {
      s.xx[U] = hn::Mul(s.x[U], s.x[U]);
      s.yy[U] = hn::Mul(s.y[U], s.y[U]);
    }
  } else if (kOutForEverList && done > 0) {
    s.x[U] = hn::LoadU(d, list.x.data() + w.next);
    s.y[U] = hn::LoadU(d, list.y.data() + w.next);
  } else if (kOutForEverList) {
    const V xy = hn::Mul(s.x[U], s.y[U]);
    s.x[U] = hn::Add(hn::Sub(hn::Mul(s.x[U], s.x[U]), hn::Mul(s.y[U], s.y[U])), s.cr[U]);
    s.y[U] = hn::Add(hn::Mul(xy, hn::Set(d, 2.0)), s.ci[U]);
  } else {
    s.xx[U] = hn::Mul(s.x[U], s.x[U]);
    s.yy[U] = hn::Mul(s.y[U], s.y[U]);
  }
  if (!(kAhead && list.ahead)) s.count[U] = hn::Set(DI(), 2 + done);
  s.busy[U] = true;
  // As if taken at z = c: the age of the orbits is what repetition looks at.
  s.taken[U] = steps - done;
  s.deadline[U] = s.taken[U] + maxSteps;
  s.nextSave[U] = s.taken[U] + kFirstSave;
  w.next += static_cast<int>(hn::Lanes(d));
}

// Writes the counts of slot U's valid lanes. Counts are whole numbers; a slot may run
// past the limit, and the lanes still in then counted those steps too (as do lanes
// found to repeat, on lists whose steps keep no mask): their count is limit + 1 all the
// same.
template <int U>
HWY_INLINE void Store(const Slots& s, const Walk& w, const RowState& row) {
  const D d;
  const VI count = hn::Min(s.count[U], w.most);
#if FRACTAL_KERNEL_AVX512
  // One scatter: the columns as 64-bit indexes, the counts as 32-bit values.
  const __m512i index = _mm512_cvttpd_epi64(s.column[U].raw);
  _mm512_mask_i64scatter_epi32(row.counts, s.valid[U].raw, index, _mm512_cvtepi64_epi32(count.raw),
                               4);
#else
  // The columns converted a vector at a time (they are below 2^31): one by one, each
  // conversion to an index took a compare and a branch. Only the last vector of a list
  // has lanes that are not valid; the others store straight on.
  constexpr std::size_t kMost = HWY_MAX_BYTES / sizeof(double);
  const hn::Rebind<std::int32_t, D> d32;
  HWY_ALIGN std::int64_t counts[kMost];
  HWY_ALIGN std::int32_t column[kMost];
  hn::Store(count, DI(), counts);
  hn::Store(hn::DemoteTo(d32, s.column[U]), d32, column);
  const std::size_t lanes = hn::Lanes(d);
  if (hn::AllTrue(d, s.valid[U])) {
    HWY_UNROLL(kMost)
    for (std::size_t i = 0; i < lanes; ++i) {
      row.counts[column[i]] = static_cast<std::int32_t>(counts[i]);
    }
    return;
  }
  const std::size_t valid = hn::CountTrue(d, s.valid[U]);  // the first lanes
  for (std::size_t i = 0; i < valid; ++i) {
    row.counts[column[i]] = static_cast<std::int32_t>(counts[i]);
  }
#endif
}

HWY_NOINLINE void CountRepeats(ShortcutStats* stats, M again, std::int64_t n) {
  stats->repeated += static_cast<std::int64_t>(hn::CountTrue(D(), again));
  if (n > stats->latestRepeat) stats->latestRepeat = n;
}

// Exact repetition in slot U: a lane back at its saved point (sameX says where the real
// parts match) gets limit + 1 and stops.
template <int U>
HWY_INLINE void Repeated(Slots& s, Walk& w, std::int64_t steps, M sameX, ShortcutStats* stats) {
  if (hn::AllFalse(D(), sameX)) return;
  const M again = hn::And(sameX, hn::Eq(s.y[U], s.sy[U]));
  if (hn::AllFalse(D(), again)) return;
  s.count[U] = hn::IfThenElse(hn::RebindMask(DI(), again), w.most, s.count[U]);
  s.active[U] = hn::AndNot(again, s.active[U]);
  w.repeated += static_cast<std::int64_t>(hn::CountTrue(D(), again));
  if (stats != nullptr) CountRepeats(stats, again, steps - s.taken[U] + 1);
}

// The saved point of slot U moves at the first look once its orbits are kFirstSave
// steps old, and then whenever their age has doubled.
template <int U>
HWY_INLINE void MoveSavedPoint(Slots& s, std::int64_t steps) {
  if (steps < s.nextSave[U]) return;
  s.sx[U] = s.x[U];
  s.sy[U] = s.y[U];
  s.nextSave[U] = steps + (steps - s.taken[U]);
}

// Every kStepsPerRepeatLook steps, all slots at once: the real parts first (they rarely
// match, and then nothing more is looked at), as one test for all the slots.
template <int... U>
HWY_INLINE void LookForRepetition(Slots& s, Walk& w, std::int64_t steps, ShortcutStats* stats,
                                  std::integer_sequence<int, U...>) {
  const M sameX[] = {hn::And(s.active[U], hn::Eq(s.x[U], s.sx[U]))...};
  M any = sameX[0];
  for (int u = 1; u < kSlots; ++u) any = hn::Or(any, sameX[u]);
  if (!hn::AllFalse(D(), any)) (Repeated<U>(s, w, steps, sameX[U], stats), ...);
  (MoveSavedPoint<U>(s, steps), ...);
}

// Stores the counts of slot U and gives it new pixels once it is done.
template <bool kOutForEverList, bool kAhead, int U>
HWY_INLINE void Look(Slots& s, Walk& w, std::int64_t steps, const RowState& row) {
  if (!s.busy[U]) return;
  if (steps < s.deadline[U] && !hn::AllFalse(D(), s.active[U])) return;
  Store<U>(s, w, row);
  Take<kOutForEverList, kAhead, U>(s, w, steps, row.maxSteps);
}

template <bool kOutForEverList, bool kAhead, int... U>
HWY_INLINE void TakeAll(Slots& s, Walk& w, std::int64_t maxSteps,
                        std::integer_sequence<int, U...>) {
  (Take<kOutForEverList, kAhead, U>(s, w, 0, maxSteps), ...);
}

template <bool kOutForEverList, bool kAhead, int... U>
HWY_INLINE void LookAll(Slots& s, Walk& w, std::int64_t steps, const RowState& row,
                        std::integer_sequence<int, U...> slots) {
  if constexpr (kOutForEverList) (UpdateActive<U>(s), ...);
  if (w.repetition && steps % kStepsPerRepeatLook == 0) {
    LookForRepetition(s, w, steps, row.stats, slots);
  }
  (Look<kOutForEverList, kAhead, U>(s, w, steps, row), ...);
}

// Iterates every pixel of the list, and then (kAhead) of `then`: the slots go on from one
// to the other without waiting for each other. Returns how many were found to repeat.
template <bool kOutForEverList, bool kAhead = false>
std::int64_t Iterate(const PixelList& list, const PixelList* then, const RowState& row,
                     bool repetition) {
  if (!kAhead || (then != nullptr && then->size == 0)) then = nullptr;
  if (list.size == 0 && then == nullptr) return 0;
  const auto slots = std::make_integer_sequence<int, kSlots>();
  Slots s;
  Walk w{&list, then, 0, kSlots, repetition, hn::Set(DI(), std::int64_t{row.limit} + 1)};
  TakeAll<kOutForEverList, kAhead>(s, w, row.maxSteps, slots);
  for (std::int64_t steps = kStepsPerLook; w.live > 0; steps += kStepsPerLook) {
    HWY_UNROLL(kStepsPerLook)
    for (int k = 0; k < kStepsPerLook; ++k) Step<kOutForEverList>(s);
    LookAll<kOutForEverList, kAhead>(s, w, steps, row, slots);
  }
  return w.repeated;
}

// interior::InCardioid || interior::InDisc, on the lanes of one row (ci2 = y * y), with
// the test's constants broadcast.
struct MainParts {
  V quarterScale, scale, rhsCi2, discRadius2;
};

HWY_INLINE M InMainComponents(const MainParts& k, V cr, V ci2) {
  const D d;
  const V a = hn::Sub(cr, k.quarterScale);
  const V q = hn::Add(hn::Mul(a, a), ci2);
  const V lhs = hn::Mul(q, hn::Add(q, hn::Mul(k.scale, a)));
  const M cardioid = hn::And(hn::Le(q, hn::Set(d, 2.0)), hn::Le(lhs, k.rhsCi2));
  const V b = hn::Add(cr, hn::Set(d, 1.0));
  const M disc = hn::Le(hn::Add(hn::Mul(b, b), ci2), k.discRadius2);
  return hn::Or(cardioid, disc);
}

// interior::InBulb on the lanes of one row (e2 = e * e of the row's y).
HWY_INLINE M InBulb(V cr, V re, V e2, V radius2) {
  const V b = hn::Sub(cr, re);
  return hn::Le(hn::Add(hn::Mul(b, b), e2), radius2);
}

constexpr std::size_t kBulbCount = interior::kMostBulbs;

// Which parts of the interior test can accept points of the row at y = im whose samples
// lie in [reLo, reHi]: both main components lie within |y| < 0.65 (the whole cardioid's
// top is at 3 sqrt(3) / 8), and bounds over the segment leave out the parts it passes far
// from (interior.h). Rows skip the others (a point the test does not take is only
// iterated, which is always right).
struct RowParts {
  bool main;
  int bulbs;  // the discs of the test's bulbs the row crosses, first in the arrays
  double bulbRe[kBulbCount];
  double bulbE2[kBulbCount];  // e * e of interior::InBulb
  double bulbRadius2[kBulbCount];
};

RowParts PartsOfRow(const interior::Test& test, double im, double reLo, double reHi) {
  RowParts parts{im * im < 0.4225 && interior::MainPartsMayAccept(test, reLo, reHi, im), 0, {},
                 {}, {}};
  for (const interior::BulbDisc& disc : test.Bulbs()) {
    if (!interior::BulbMayAccept(disc, reLo, reHi, im)) continue;
    const double e = std::fabs(im) - disc.im;
    parts.bulbRe[parts.bulbs] = disc.re;
    parts.bulbE2[parts.bulbs] = e * e;
    parts.bulbRadius2[parts.bulbs] = disc.radius2;
    ++parts.bulbs;
  }
  return parts;
}

#if FRACTAL_KERNEL_FIRST_STEPS
// The first kFirstSteps steps of the lanes of `take`, out-for-ever pixels of the
// neighbouring columns counts[0 ..] (whole: all of the vector's lanes are columns of the
// row). Those that escape get their count; the others join `inner` with their orbit point,
// unless the limit is that near (then their count is limit + 1, as already written).
// The same operations as a slot's steps, in the same order.
struct FirstStepsTally {
  std::int64_t taken = 0, escaped = 0;
};

HWY_INLINE int FirstSteps(V cr, V ci, V column, M take, std::int32_t* counts, bool whole,
                          const RowState& row, PixelList& inner, int at, FirstStepsTally& tally) {
  const D d;
  const DI di;
  const V four = hn::Set(d, 4.0);
  const V two = Opaque(hn::Set(d, 2.0));
  V x = hn::Add(hn::Sub(hn::Mul(cr, cr), hn::Mul(ci, ci)), cr);
  V y = hn::Add(hn::Mul(hn::Mul(cr, ci), two), ci);
  VI count = hn::Set(di, 2);
  M in = take;
  HWY_UNROLL(kFirstSteps)
  for (int k = 0; k < kFirstSteps; ++k) {
    const V xx = hn::Mul(x, x);
    const V yy = hn::Mul(y, y);
    const V xy = hn::Mul(x, y);
    in = hn::Le(hn::Add(xx, yy), four);
    count = hn::Sub(count, hn::BitCast(di, hn::VecFromMask(d, in)));
    x = hn::Add(hn::Sub(xx, yy), cr);
    // Not fused, unlike the slots' steps (the same double): the machine code of sorting,
    // with the interior test in it, stays free of fused operations.
    y = hn::Add(hn::Mul(xy, two), ci);
  }
  const M out = hn::AndNot(in, take);
  if (!hn::AllFalse(d, out)) {
    tally.escaped += static_cast<std::int64_t>(hn::CountTrue(d, out));
    // Every lane gets limit + 1 (the count the others hold or will be given anew) or,
    // out, its own.
    const VI most = hn::Set(di, std::int64_t{row.limit} + 1);
    // Counts are 2 + kFirstSteps at most, past limit + 1 only for limits that small.
    const VI own = row.maxSteps < kFirstSteps ? hn::Min(count, most) : count;
    const VI lanes = hn::IfThenElse(hn::RebindMask(di, out), own, most);
    const hn::RebindToUnsigned<DI> du;
    const hn::Rebind<std::uint32_t, DI> d32;
    const auto narrow = hn::TruncateTo(d32, hn::BitCast(du, lanes));
    if (whole) {
      hn::StoreU(narrow, d32, reinterpret_cast<std::uint32_t*>(counts));
    } else {
      HWY_ALIGN std::uint32_t values[HWY_MAX_BYTES / sizeof(double)];
      hn::Store(narrow, d32, values);
      std::uint8_t bits[8] = {};
      hn::StoreMaskBits(d, out, bits);
      for (std::size_t i = 0; i < hn::Lanes(d); ++i) {
        if ((bits[0] >> i & 1) != 0) counts[i] = static_cast<std::int32_t>(values[i]);
      }
    }
  }
  tally.taken += static_cast<std::int64_t>(hn::CountTrue(d, take));
  if (row.maxSteps <= kFirstSteps) return 0;
  return inner.PutOrbit(cr, ci, column, x, y, hn::And(in, take), at);
}
#else
struct FirstStepsTally {};
#endif

// The columns [start, end) of a run of spans whose counts the caller does not know.
struct Run {
  int start, end;
};

// A run of spans whose pixels all get a count of at least `least` (kAheadFrom or more):
// the columns [start, end), and the pixels of all the call's rows that are left to
// iterate, gathered at [first, first + size) of a list of their own.
struct AheadRun {
  int start, end;
  int least;
  int first, size;
};

// The runs of a call's rows (they share their known spans), each sorted in one loop:
// spans of a few vectors one by one cost a loop's start each.
struct Runs {
  std::vector<Run> runs;
  std::vector<AheadRun> ahead;
  int aheadRoom = 0;  // the pixels of the runs ahead, with room for a vector after each

  // `limit` + 1 bounds every count.
  void Of(int n, int rows, int limit, const std::int32_t* known) {
    runs.clear();
    ahead.clear();
    aheadRoom = 0;
    const int spans = (n + kKnownSpan - 1) / kKnownSpan;
    // What becomes of span t's pixels: 0, none is iterated; -1, they are sorted; s > 0,
    // they all get a count of at least s, enough to take steps ahead.
    const auto kind = [&](int t) -> int {
      if (known == nullptr) return -1;
      const std::int64_t k = known[t];
      if (k > 0) return 0;
      if (k > -kAheadFrom) return -1;
      return static_cast<int>(std::min(-k, std::int64_t{limit} + 1));
    };
    for (int t = 0; t < spans;) {
      const int first = t, what = kind(t);
      while (t < spans && kind(t) == what) ++t;
      const int start = first * kKnownSpan, end = std::min(n, t * kKnownSpan);
      if (what < 0) runs.push_back(Run{start, end});
      if (what <= 0) continue;
      ahead.push_back(AheadRun{start, end, what, aheadRoom, 0});
      aheadRoom += (end - start) * rows + static_cast<int>(HWY_LANES(double));
    }
  }
};

// Sorts the pixels of a row: those the interior test accepts (with `shortcuts`) keep
// limit + 1; the others join `inner`, finite with |c| below kOutForEver's bound (after
// its first steps, if it takes them), or `other`.
void SortRow(const double* re, double reLo, double reHi, double im, std::ptrdiff_t firstColumn,
             const RowState& row, bool shortcuts, Runs& runs, PixelList& inner, PixelList& other,
             PixelList& gathered, [[maybe_unused]] FirstStepsTally& tally) {
  const double columnBase = static_cast<double>(firstColumn);
  [[maybe_unused]] std::int32_t* rowCounts = row.counts + firstColumn;
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const interior::Test& test = *row.test;
  const V ci = hn::Set(d, im);
  const V ci2 = hn::Mul(ci, ci);
  const V outForEver = hn::Set(d, kOutForEver);
  const RowParts parts = PartsOfRow(test, im, reLo, reHi);
  // Broadcast once for the whole row: the list's stores might alias `parts` and the
  // test, so the compiler would load their values again for every vector.
  const MainParts mainParts{hn::Set(d, test.cardioidQuarterScale), hn::Set(d, test.cardioidScale),
                            hn::Mul(hn::Set(d, test.cardioidRhs), ci2),
                            hn::Set(d, test.discRadius2)};
  V bulbRe[kBulbCount], bulbE2[kBulbCount], bulbRadius2[kBulbCount];
  for (int b = 0; b < parts.bulbs; ++b) {
    bulbRe[b] = hn::Set(d, parts.bulbRe[b]);
    bulbE2[b] = hn::Set(d, parts.bulbE2[b]);
    bulbRadius2[b] = hn::Set(d, parts.bulbRadius2[b]);
  }
  const V iota = hn::Iota(d, 0.0);
  const V step = hn::Set(d, static_cast<double>(lanes));  // columns are exact as doubles
  const M all = hn::FirstN(d, hn::Lanes(d));
  int innerSize = inner.size;
  int otherSize = other.size;
  // Kept here, not in `tally`: the list's stores might alias it.
  [[maybe_unused]] FirstStepsTally local = tally;
  // The lanes of `valid` the interior test does not take.
  const auto unsettled = [&](V cr, M valid) {
    if (!shortcuts || !(parts.main || parts.bulbs > 0)) return valid;
    M settled = hn::FirstN(d, 0);
    if (parts.main) settled = InMainComponents(mainParts, cr, ci2);
    for (int b = 0; b < parts.bulbs; ++b) {
      settled = hn::Or(settled, InBulb(cr, bulbRe[b], bulbE2[b], bulbRadius2[b]));
    }
    settled = hn::And(settled, valid);
    if (row.stats != nullptr) row.stats->interior += hn::CountTrue(d, settled);
    return hn::AndNot(settled, valid);
  };
  // Sorts the columns [start, end) of the row: put(cr, column, i, whole, take) takes the
  // lanes of `take`, out-for-ever pixels the interior test leaves (whole: all of the
  // vector's lanes are columns of the row); the others join `other`.
  const auto sortColumns = [&](int start, int end, auto put) {
    V column = hn::Add(iota, hn::Set(d, columnBase + start));
    for (int i = start; i < end; i += lanes, column = hn::Add(column, step)) {
      const V cr = hn::LoadU(d, re + i);
      // Only a row's last vector may be partial.
      const bool whole = i + lanes <= end;
      const M valid = whole ? all : hn::FirstN(d, static_cast<std::size_t>(end - i));
      const M rest = unsettled(cr, valid);
      // Le is false for NaN, and so for an infinite or NaN cr or ci.
      const M near = hn::Le(hn::Add(hn::Mul(cr, cr), ci2), outForEver);
      put(cr, column, i, whole, hn::And(near, rest));
      const M odd = hn::AndNot(near, rest);
      if (!hn::AllFalse(d, odd)) otherSize += other.Put(cr, ci, column, odd, otherSize);
    }
  };
  // Out-for-ever pixels of the other runs: through the first steps, or onto `inner`.
  const auto toInner = [&](V cr, V column, [[maybe_unused]] int i, [[maybe_unused]] bool whole,
                           M take) {
#if FRACTAL_KERNEL_FIRST_STEPS
    if (inner.firstSteps > 0) {
      if (hn::AllFalse(d, take)) return;
      innerSize +=
          FirstSteps(cr, ci, column, take, rowCounts + i, whole, row, inner, innerSize, local);
      return;
    }
#endif
    innerSize += inner.Put(cr, ci, column, take, innerSize);
  };
  for (const Run& run : runs.runs) sortColumns(run.start, run.end, toInner);
  // Runs whose steps are taken ahead gather their pixels of every row, out-for-ever ones
  // (the slots they join take no others).
  for (AheadRun& run : runs.ahead) {
    int at = run.first + run.size;
    sortColumns(run.start, run.end, [&](V cr, V column, int, bool, M take) {
      at += gathered.Put(cr, ci, column, take, at);
    });
    run.size = at - run.first;
  }
  inner.size = innerSize;
  other.size = otherSize;
  tally = local;
}

// Where the pixels taken ahead go: those that escape, to their counts; the others, with
// their orbit point and count, to `list` from `at` on.
struct AheadOut {
  PixelList* list;
  int at;
  std::int32_t* counts;
};

// G vectors of pixels of the gathered list, at at[0 ..] (valid[g] lanes of each), through
// the steps they are known to be in (z = c to begin with), with neither escape test nor
// count; then through `tested` more with both, with no mask: the pixels are out-for-ever
// ones, and a lane out stays out. The same operations as a slot's steps. Counts start
// from `least`; then each vector goes to `out`.
//   On out-for-ever lists a slot holds the next point, not yet tested: the known steps
// go up to step `least` (z(least), untested), and each tested step tests z before it
// moves it. Elsewhere a slot holds the last point tested: up to step least - 1, and each
// tested step moves z and then tests it.
template <int G>
HWY_NOINLINE void StepsAhead(const PixelList& gathered, const int* at, const int* valid, int least,
                             int tested, AheadOut& out) {
  const D d;
  const DI di;
  const V four = hn::Set(d, 4.0);
  const V two = Opaque(hn::Set(d, 2.0));
  V zx[G], zy[G];
  VI count[G];
  HWY_UNROLL(kAheadChains)
  for (int g = 0; g < G; ++g) {
    zx[g] = hn::LoadU(d, gathered.cr.data() + at[g]);
    zy[g] = hn::LoadU(d, gathered.ci.data() + at[g]);
    count[g] = hn::Set(di, least);
  }
  const auto step = [&](int g) {
    const V xx = hn::Mul(zx[g], zx[g]);
    const V yy = hn::Mul(zy[g], zy[g]);
    const V xy = hn::Mul(zx[g], zy[g]);
    zx[g] = hn::Add(hn::Sub(xx, yy), hn::LoadU(d, gathered.cr.data() + at[g]));
    // Half the chains double xy with an add: the same double, and the multiplies and
    // the adds then share the work between their pipes more evenly.
    const V ci = hn::LoadU(d, gathered.ci.data() + at[g]);
    zy[g] = g < G / 2 ? hn::Add(hn::Add(xy, xy), ci) : TwiceProductPlus(xy, two, ci);
  };
  const auto test = [&](int g) {
    const M in = hn::Le(hn::Add(hn::Mul(zx[g], zx[g]), hn::Mul(zy[g], zy[g])), four);
    count[g] = hn::Sub(count[g], hn::BitCast(di, hn::VecFromMask(d, in)));  // -1 a lane in
  };
  const int known = least - (kMaskFreeSteps ? 1 : 2);
  for (int k = 0; k < known; ++k) {
    HWY_UNROLL(kAheadChains)
    for (int g = 0; g < G; ++g) step(g);
  }
  for (int k = 0; k < tested; ++k) {
    HWY_UNROLL(kAheadChains)
    for (int g = 0; g < G; ++g) {
      if constexpr (kMaskFreeSteps) {
        test(g);
        step(g);
      } else {
        step(g);
        test(g);
      }
    }
  }
  const VI stayed = hn::Set(di, least + tested);
  int to = out.at;
  HWY_UNROLL(kAheadChains)
  for (int g = 0; g < G; ++g) {
    const M lanes = hn::FirstN(d, static_cast<std::size_t>(valid[g]));
    const M in = hn::And(hn::RebindMask(d, hn::Eq(count[g], stayed)), lanes);
    const V column = hn::LoadU(d, gathered.column.data() + at[g]);
    if (!hn::AllTrue(d, in)) {
      // Every lane's count so far: the slots write those still in again at the end.
      HWY_ALIGN std::int64_t counts[HWY_MAX_BYTES / sizeof(double)];
      HWY_ALIGN std::int32_t columns[HWY_MAX_BYTES / sizeof(double)];
      hn::Store(count[g], di, counts);
      const hn::Rebind<std::int32_t, D> d32;
      hn::Store(hn::DemoteTo(d32, column), d32, columns);
      for (int k = 0; k < valid[g]; ++k)
        out.counts[columns[k]] = static_cast<std::int32_t>(counts[k]);
    }
    to += out.list->PutAhead(hn::LoadU(d, gathered.cr.data() + at[g]),
                             hn::LoadU(d, gathered.ci.data() + at[g]), column, zx[g], zy[g], stayed,
                             in, to);
  }
  out.at = to;
}

template <int... G>
void StepsAheadOf(int vectors, const PixelList& gathered, const int* at, const int* valid,
                  int least, int tested, AheadOut& out, std::integer_sequence<int, G...>) {
  ((vectors == G + 1 ? StepsAhead<G + 1>(gathered, at, valid, least, tested, out) : void()), ...);
}

// The pixels gathered for the runs ahead, kAheadChains vectors side by side (of one run
// or of runs next to each other, all taken through as many known steps as the fewest
// of them has), then kAheadTested steps with the test: those that escape get their
// count, the others join `ahead` with their orbit point and count.
void TakeStepsAhead(const Runs& runs, const PixelList& gathered, PixelList& ahead,
                    const RowState& row) {
  const int lanes = static_cast<int>(hn::Lanes(D()));
  const auto chains = std::make_integer_sequence<int, kAheadChains>();
  AheadOut out{&ahead, ahead.size, row.counts};
  int group[kAheadChains], valid[kAheadChains];
  int members = 0, least = 0;
  const auto run = [&] {
    // Tests past the limit would count steps the plain loop does not take.
    const int tested = std::max(0, std::min(kAheadTested, row.limit + 1 - least));
    StepsAheadOf(members, gathered, group, valid, least, tested, out, chains);
    members = 0;
  };
  for (const AheadRun& r : runs.ahead) {
    for (int i = 0; i < r.size; i += lanes) {
      if (members == 0 || r.least < least) least = r.least;
      group[members] = r.first + i;
      valid[members] = std::min(lanes, r.size - i);
      if (++members == kAheadChains) run();
    }
  }
  if (members > 0) run();
  ahead.size = out.at;
}

// Every pixel's first count: that of its span where the caller knows it (a least count is
// not one), else `start`, the count of the pixels the interior test accepts. The spans'
// counts are looked up once for all the rows of the call, and each span is one store.
void FillCounts(int n, int rows, std::int32_t start, std::int32_t* counts, std::ptrdiff_t stride,
                const std::int32_t* known) {
  const hn::CappedTag<std::int32_t, kKnownSpan> d32;
  constexpr int kLanes32 = static_cast<int>(hn::MaxLanes(d32));
  static_assert(kKnownSpan % kLanes32 == 0, "a span is whole vectors of counts");
  const int spans = (n + kKnownSpan - 1) / kKnownSpan, wholeSpans = n / kKnownSpan;
  thread_local std::vector<std::int32_t> first;
  first.resize(static_cast<std::size_t>(spans));
  for (int t = 0; t < spans; ++t) {
    first[static_cast<std::size_t>(t)] = known != nullptr && known[t] > 0 ? known[t] : start;
  }
  for (int r = 0; r < rows; ++r) {
    std::int32_t* rowCounts = counts + stride * r;
    for (int t = 0; t < wholeSpans; ++t) {
      const auto values = hn::Set(d32, first[static_cast<std::size_t>(t)]);
      std::int32_t* span = rowCounts + t * kKnownSpan;
      HWY_UNROLL(kKnownSpan / kLanes32)
      for (int i = 0; i < kKnownSpan; i += kLanes32) hn::StoreU(values, d32, span + i);
    }
    for (int i = wholeSpans * kKnownSpan; i < n; ++i) {
      rowCounts[i] = first[static_cast<std::size_t>(wholeSpans)];
    }
  }
}

void CountRowsWith(const double* re, int n, const double* im, int rows, int limit,
                   std::int32_t* counts, std::ptrdiff_t stride, bool shortcuts,
                   const std::int32_t* known, ShortcutStats* stats) {
  static_assert(HWY_LANES(double) <= kRowPadding, "rows are padded for smaller vectors");
  static_assert(kKnownSpan % HWY_LANES(double) == 0,
                "a vector never straddles two known spans");
  if (limit <= 1) {
    FillCounts(n, rows, 2, counts, stride, nullptr);
    return;
  }
  FillCounts(n, rows, limit + 1, counts, stride, known);
  const RowState row{limit, &interior::TestFor(limit), static_cast<std::int64_t>(limit) - 1,
                     counts, stats};
  // Kept from call to call, by every thread that renders.
  thread_local PixelList inner, other, gathered, ahead;
  const std::size_t most = static_cast<std::size_t>(n) * static_cast<std::size_t>(rows);
  inner.Reset(most);
  other.Reset(most);
  thread_local Runs runs;
  runs.Of(n, rows, limit, known);
  if (!runs.ahead.empty()) {
    gathered.Reset(static_cast<std::size_t>(runs.aheadRoom), false);
    ahead.Reset(most, true, true);
  }
  // Whether the first steps paid on this thread's last call that took them.
  thread_local bool firstStepsPay = true;
  thread_local int callsWithout = 0;
  if (kFirstSteps > 0 && (firstStepsPay || ++callsWithout % kFirstStepsRetry == 0)) {
    inner.firstSteps = kFirstSteps;
  }
  FirstStepsTally tally;
  // The samples of a row run monotonically from one end to the other (NaN ends make the
  // segment NaN, which keeps every part of the test).
  const double first = n > 0 ? re[0] : 0.0, last = n > 0 ? re[n - 1] : 0.0;
  const double reLo = first < last ? first : last, reHi = first < last ? last : first;
  for (int r = 0; r < rows; ++r) {
    SortRow(re, reLo, reHi, im[r], stride * r, row, shortcuts, runs, inner, other, gathered, tally);
  }
  if (!runs.ahead.empty()) TakeStepsAhead(runs, gathered, ahead, row);
#if FRACTAL_KERNEL_FIRST_STEPS
  if (inner.firstSteps > 0 && tally.taken > 0) {
    firstStepsPay =
        static_cast<double>(tally.escaped) >= kFirstStepsWorth * static_cast<double>(tally.taken);
  }
#endif
  // Whether looking for repetition paid on this thread's last call that looked (always
  // looked for when counting what the shortcuts settle).
  thread_local bool repetitionPays = true;
  thread_local int callsWithoutRepetition = 0;
  const bool repetition =
      shortcuts && (stats != nullptr || repetitionPays ||
                    ++callsWithoutRepetition % kRepetitionRetry == 0);
  // The orbits ahead first: the slots then go on to the others without waiting.
  const bool anyAhead = !runs.ahead.empty() && ahead.size > 0;
  const std::int64_t repeated = anyAhead
                                    ? Iterate<kMaskFreeSteps, true>(ahead, &inner, row, repetition)
                                    : Iterate<kMaskFreeSteps>(inner, nullptr, row, repetition);
  const int iterated = inner.size + (anyAhead ? ahead.size : 0);
  if (repetition && iterated > 0) {
    repetitionPays = static_cast<double>(repeated) >= kRepetitionWorth * iterated;
  }
  Iterate<false>(other, nullptr, row, false);
}

void CountRows(const double* re, int n, const double* im, int rows, int limit, std::int32_t* counts,
               std::ptrdiff_t stride, const std::int32_t* known) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, true, known, nullptr);
}

void CountRowsStepwise(const double* re, int n, const double* im, int rows, int limit,
                       std::int32_t* counts, std::ptrdiff_t stride, const std::int32_t* known) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, false, known, nullptr);
}

void CountRowsCounted(const double* re, int n, const double* im, int rows, int limit,
                      std::int32_t* counts, std::ptrdiff_t stride, ShortcutStats* stats) {
  CountRowsWith(re, n, im, rows, limit, counts, stride, true, nullptr, stats);
}

// Bytes 0..2 of each pixel from the colour of its count; byte 3 belongs to the surface
// and is never written (no four-byte store touches it either).
void PaintRow(const std::int32_t* counts, int n, const std::uint32_t* colours, int colourCount,
              std::uint8_t* pixels) {
  int i = 0;
#if FRACTAL_KERNEL_AVX512
  // Sixteen pixels at a time: a gather of their colours and one store of the bytes
  // 0..2 of each, under a byte mask.
  const __m512i last = _mm512_set1_epi32(colourCount - 1);
  for (; i < n; i += 16) {
    const int left = n - i < 16 ? n - i : 16;
    const __mmask16 lanes = static_cast<__mmask16>((1u << left) - 1);
    const __m512i count = _mm512_min_epi32(_mm512_maskz_loadu_epi32(lanes, counts + i), last);
    const __m512i colour =
        _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, count, colours, 4);
    const __mmask64 bytes = 0x7777777777777777ull & (left == 16 ? ~0ull : (1ull << (4 * left)) - 1);
    _mm512_mask_storeu_epi8(pixels + 4 * i, bytes, colour);
  }
#endif
#if !FRACTAL_KERNEL_AVX512 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
  // A vector at a time, the counts are checked to lie in the table (those of a render
  // always do); then each pixel takes a load of its colour and two stores, bytes 0..1
  // and byte 2, and every two pixels a load of their two counts, unrolled. Memory
  // operations bound this loop: three a cycle at most, two of them stores.
  const hn::ScalableTag<std::int32_t> d32;
  const int lanes = static_cast<int>(hn::Lanes(d32));
  const auto tableSize = hn::Set(d32, colourCount);
  // (On a big-endian machine every pixel takes the loop below.)
  for (; std::endian::native == std::endian::little && i + lanes <= n; i += lanes) {
    if (!hn::AllTrue(d32, hn::Lt(hn::LoadU(d32, counts + i), tableSize))) break;
    std::uint8_t* pixel = pixels + 4 * i;
    HWY_UNROLL(4)
    for (int k = 0; k < lanes; k += 2, pixel += 8) {
      std::uint64_t two;
      std::memcpy(&two, counts + i + k, sizeof two);
      for (int half = 0; half < 2; ++half) {
        const std::uint32_t colour = colours[static_cast<std::uint32_t>(two >> (32 * half))];
        const auto low = static_cast<std::uint16_t>(colour);
        std::memcpy(pixel + 4 * half, &low, sizeof low);
        pixel[4 * half + 2] = static_cast<std::uint8_t>(colour >> 16);
      }
    }
  }
#endif
  for (; i < n; ++i) {
    const std::int32_t count = counts[i] < colourCount ? counts[i] : colourCount - 1;
    const std::uint32_t colour = colours[count];
    std::uint8_t* pixel = pixels + 4 * i;
    const std::uint8_t low[2] = {static_cast<std::uint8_t>(colour),
                                 static_cast<std::uint8_t>(colour >> 8)};
    std::memcpy(pixel, low, sizeof low);
    pixel[2] = static_cast<std::uint8_t>(colour >> 16);
  }
}

RowKernel ThisTargetKernel() {
  return RowKernel{&CountRows, &CountRowsStepwise, &CountRowsCounted, &PaintRow,
                   hwy::TargetName(HWY_TARGET)};
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
