// The proof of a count of tile_proof.cpp a vector of boxes at a time, compiled once per
// instruction set by Highway and chosen at run time. Each lane performs exactly the
// double operations of ProvenCount, in the same order, each rounded on its own, so it
// proves exactly what ProvenCount proves: a test compares the two box by box.

#include <cstddef>
#include <cstdint>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "fractal/tile_proof_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// After foreach_target.h.
#include <hwy/highway.h>

#include "fractal/tile_proof.h"

HWY_BEFORE_NAMESPACE();
namespace tile_proof {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

constexpr std::size_t kMostLanes = HWY_MAX_BYTES / sizeof(double);

// Up and Most of tile_proof.cpp.
HWY_INLINE V Up(V v) {
  const D d;
  return hn::Add(hn::Mul(v, hn::Set(d, kRoundingFactor)), hn::Set(d, kUpAbsolute));
}

HWY_INLINE V Most(V modulus) {
  const D d;
  return hn::Add(hn::Mul(modulus, hn::Set(d, kRoundingFactor)), hn::Set(d, kMostAbsolute));
}

HWY_INLINE V Modulus(V x, V y) {
  return hn::Sqrt(hn::Add(hn::Mul(x, x), hn::Mul(y, y)));
}

// The proofs of up to a vector of boxes, a lane each, on their way: StartOf and the
// steps of ProvenCount. Lanes still in after a step go on; a lane that is not gets its
// count (or 0) there, and is done. Of lanes that hold no box, the values mean nothing.
struct Proof {
  V cx, cy, spread, twoRounding;
  V x, y, ax, ay, rest, modulus, slope;
  V count, stopped;
  M active;

  HWY_INLINE Proof(const Box* boxes, std::size_t n, int limit) {
    const D d;
    HWY_ALIGN double reLo[kMostLanes] = {}, reHi[kMostLanes] = {}, imLo[kMostLanes] = {},
                     imHi[kMostLanes] = {};
    for (std::size_t i = 0; i < n; ++i) {
      reLo[i] = boxes[i].reLo;
      reHi[i] = boxes[i].reHi;
      imLo[i] = boxes[i].imLo;
      imHi[i] = boxes[i].imHi;
    }
    const V rl = hn::Load(d, reLo), rh = hn::Load(d, reHi);
    const V il = hn::Load(d, imLo), ih = hn::Load(d, imHi);
    active = hn::And(hn::And(hn::IsFinite(rl), hn::IsFinite(rh)),
                     hn::And(hn::IsFinite(il), hn::IsFinite(ih)));
    active = hn::And(active, hn::And(hn::Le(rl, rh), hn::Le(il, ih)));
    active = hn::And(active, hn::FirstN(d, limit < 2 ? 0 : n));
    const V half = hn::Set(d, 0.5);
    cx = hn::Add(hn::Mul(half, rl), hn::Mul(half, rh));
    cy = hn::Add(hn::Mul(half, il), hn::Mul(half, ih));
    // The operands are finite here, and Max agrees with fmax on them.
    const V hx = Up(hn::Max(hn::Sub(rh, cx), hn::Sub(cx, rl)));
    const V hy = Up(hn::Max(hn::Sub(ih, cy), hn::Sub(cy, il)));
    spread = Most(Modulus(hx, hy));
    const V cMost = Up(hn::Add(Most(Modulus(cx, cy)), spread));
    const V before = hn::Max(hn::Set(d, 2.0), cMost);
    const V before2 = Up(hn::Mul(before, before));
    const V rounding = hn::Add(Up(hn::Add(hn::Mul(hn::Set(d, kFiveUnits), before2),
                                          hn::Mul(hn::Set(d, kThreeUnits),
                                                  Up(hn::Add(before2, cMost))))),
                               hn::Set(d, kRoundingAbsolute));
    twoRounding = hn::Mul(hn::Set(d, 2.0), rounding);
    x = cx;
    y = cy;
    ax = hn::Set(d, 1.0);
    ay = rest = count = stopped = hn::Zero(d);
    modulus = Modulus(x, y);
    slope = ax;
  }

  HWY_INLINE void Step(int step) {
    const D d;
    const V two = hn::Set(d, 2.0);
    const V w = Most(modulus), a = Most(slope);
    const V reach = hn::Add(hn::Mul(a, spread), rest);
    const V slopeRounding =
        hn::Add(hn::Mul(hn::Set(d, kSixteenUnits), hn::Mul(w, a)), hn::Set(d, kFourUnits));
    rest = Up(hn::Add(hn::Add(hn::Add(hn::Mul(hn::Mul(two, w), rest), hn::Mul(reach, reach)),
                              twoRounding),
                      hn::Mul(slopeRounding, spread)));
    const V nax = hn::Add(hn::Mul(two, hn::Sub(hn::Mul(x, ax), hn::Mul(y, ay))), hn::Set(d, 1.0));
    ay = hn::Mul(two, hn::Add(hn::Mul(x, ay), hn::Mul(y, ax)));
    ax = nax;
    const V nx = hn::Add(hn::Sub(hn::Mul(x, x), hn::Mul(y, y)), cx);
    y = hn::Add(hn::Mul(two, hn::Mul(x, y)), cy);
    x = nx;
    modulus = Modulus(x, y);
    slope = Modulus(ax, ay);
    const V radius = Up(hn::Add(hn::Mul(Most(slope), spread), rest));
    const M in =
        hn::Le(hn::Mul(hn::Add(modulus, radius), hn::Set(d, kInFactor)), hn::Set(d, kInBound));
    const M leaving = hn::AndNot(in, active);
    if (hn::AllFalse(d, leaving)) return;
    const V outFactor = hn::Set(d, kOutFactor);
    const V inner = hn::Mul(hn::Sub(hn::Mul(modulus, outFactor), radius), outFactor);
    const M out = hn::Gt(inner, hn::Set(d, kOutBound));
    const V here = hn::Set(d, static_cast<double>(step));
    count = hn::IfThenElse(hn::And(leaving, out), here, count);
    stopped = hn::IfThenElse(hn::AndNot(out, leaving), here, stopped);
    active = hn::And(active, in);
  }

  // The counts of the first n lanes, after the last step a proof looks at.
  void Finish(int last, bool atLimit, int limit, std::size_t n, int* counts,
              int* stoppedAt) const {
    const D d;
    const V done =
        atLimit ? hn::IfThenElse(active, hn::Set(d, static_cast<double>(limit + 1)), count) : count;
    HWY_ALIGN double values[kMostLanes];
    hn::Store(done, d, values);
    for (std::size_t i = 0; i < n; ++i) counts[i] = static_cast<int>(values[i]);
    if (stoppedAt == nullptr) return;
    // Still in after the last step, short of the limit: stopped there.
    const V at = atLimit || last < 2
                     ? stopped
                     : hn::IfThenElse(active, hn::Set(d, static_cast<double>(last)), stopped);
    hn::Store(at, d, values);
    for (std::size_t i = 0; i < n; ++i) stoppedAt[i] = static_cast<int>(values[i]);
  }
};

// How many of the boxes from `first` on fill a vector.
std::size_t Taken(std::size_t first, std::size_t total, std::size_t lanes) {
  return first >= total ? 0 : total - first < lanes ? total - first : lanes;
}

// A step of one vector's proofs is a chain of dependent operations several times longer
// than the time the core needs to issue it: two vectors' proofs go side by side.
void ProvenCountsHere(const Box* boxes, int n, int limit, int mostSteps, int* counts,
                      int* stoppedAt) {
  const std::size_t lanes = hn::Lanes(D());
  const int last = LastStep(limit, mostSteps);
  const std::size_t total = static_cast<std::size_t>(n < 0 ? 0 : n);
  for (std::size_t i = 0; i < total; i += 2 * lanes) {
    const std::size_t takenA = Taken(i, total, lanes), takenB = Taken(i + lanes, total, lanes);
    Proof a(boxes + i, takenA, limit), b(boxes + i + lanes, takenB, limit);
    for (int step = 2; step <= last; ++step) {
      if (hn::AllFalse(D(), hn::Or(a.active, b.active))) break;
      a.Step(step);
      b.Step(step);
    }
    a.Finish(last, last == limit, limit, takenA, counts + i,
             stoppedAt == nullptr ? nullptr : stoppedAt + i);
    b.Finish(last, last == limit, limit, takenB, counts + i + lanes,
             stoppedAt == nullptr ? nullptr : stoppedAt + i + lanes);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace tile_proof
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tile_proof {

HWY_EXPORT(ProvenCountsHere);

void ProvenCounts(const Box* boxes, int n, int limit, int mostSteps, int* counts,
                  int* stoppedAt) {
  HWY_DYNAMIC_DISPATCH(ProvenCountsHere)(boxes, n, limit, mostSteps, counts, stoppedAt);
}

}  // namespace tile_proof
#endif
