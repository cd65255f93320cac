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

// get(i) in lane i of the first n, 0 in the others.
template <class Get>
HWY_INLINE V Gather(std::size_t n, Get get) {
  HWY_ALIGN double values[kMostLanes] = {};
  for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<double>(get(i));
  return hn::Load(D(), values);
}

struct Boxes {
  V rl, rh, il, ih;
};

HWY_INLINE Boxes Load(const Box* boxes, std::size_t n) {
  return {Gather(n, [&](std::size_t i) { return boxes[i].reLo; }),
          Gather(n, [&](std::size_t i) { return boxes[i].reHi; }),
          Gather(n, [&](std::size_t i) { return boxes[i].imLo; }),
          Gather(n, [&](std::size_t i) { return boxes[i].imHi; })};
}

// The 2 E of TwoRounding in tile_proof.cpp.
HWY_INLINE V TwoRounding(V before, V cMost) {
  const D d;
  const V before2 = Up(hn::Mul(before, before));
  const V rounding =
      hn::Add(Up(hn::Add(hn::Mul(hn::Set(d, kFiveUnits), before2),
                         hn::Mul(hn::Set(d, kThreeUnits), Up(hn::Add(before2, cMost))))),
              hn::Set(d, kRoundingAbsolute));
  return hn::Mul(hn::Set(d, 2.0), rounding);
}

HWY_INLINE M FiniteBox(V rl, V rh, V il, V ih) {
  const M finite = hn::And(hn::And(hn::IsFinite(rl), hn::IsFinite(rh)),
                           hn::And(hn::IsFinite(il), hn::IsFinite(ih)));
  return hn::And(finite, hn::And(hn::Le(rl, rh), hn::Le(il, ih)));
}

// The proofs of up to a vector of boxes, a lane each, on their way: StartOf and the
// steps of ProvenCount, or of ProvenCountFrom. Each lane is at a step of its own (`at`):
// those of parts start from their checkpoints'. A lane still in after a step goes on
// until its last step; a lane that is not gets its count (or 0) there, and is done. Of
// lanes that hold no box, the values mean nothing. With kSave, the lanes keep their
// checkpoints (see Checkpoint).
template <bool kSave>
struct Proof {
  V cx, cy, spread, cMost, twoRounding;
  V x, y, ax, ay, rest, modulus, slope, at;
  V count, stopped;
  M active;
  V sx, sy, sax, say, srest, sat;  // the checkpoint

  // StartOf of each box.
  HWY_INLINE Proof(const Boxes& b, std::size_t n, int limit) {
    const D d;
    active = hn::And(FiniteBox(b.rl, b.rh, b.il, b.ih), hn::FirstN(d, limit < 2 ? 0 : n));
    const V half = hn::Set(d, 0.5);
    cx = hn::Add(hn::Mul(half, b.rl), hn::Mul(half, b.rh));
    cy = hn::Add(hn::Mul(half, b.il), hn::Mul(half, b.ih));
    // The operands are finite here, and Max agrees with fmax on them.
    const V hx = Up(hn::Max(hn::Sub(b.rh, cx), hn::Sub(cx, b.rl)));
    const V hy = Up(hn::Max(hn::Sub(b.ih, cy), hn::Sub(cy, b.il)));
    spread = Most(Modulus(hx, hy));
    cMost = Up(hn::Add(Most(Modulus(cx, cy)), spread));
    count = stopped = hn::Zero(d);
    if constexpr (kSave) {
      // The checkpoint after the first step (z1 = c0, A = 1, r = 0), or none.
      const V one = hn::IfThenElseZero(active, hn::Set(d, 1.0));
      sx = hn::IfThenElseZero(active, cx);
      sy = hn::IfThenElseZero(active, cy);
      sax = sat = one;
      say = srest = hn::Zero(d);
    }
  }

  // The rest of ProvenCount's start: z1 = c0.
  HWY_INLINE void FromFirstStep() {
    const D d;
    twoRounding = TwoRounding(hn::Max(hn::Set(d, 2.0), cMost), cMost);
    x = cx;
    y = cy;
    ax = hn::Set(d, 1.0);
    ay = rest = hn::Zero(d);
    modulus = Modulus(x, y);
    slope = ax;
    at = hn::Set(d, 1.0);
  }

  // The rest of ProvenCountFrom's start, for parts `part` of the boxes of `from`.
  HWY_INLINE void FromCheckpoints(const Boxes& part, const Checkpoint* from, std::size_t n) {
    const D d;
    const auto field = [&](auto get) { return Gather(n, get); };
    const V rl = field([&](std::size_t i) { return from[i].box.reLo; });
    const V rh = field([&](std::size_t i) { return from[i].box.reHi; });
    const V il = field([&](std::size_t i) { return from[i].box.imLo; });
    const V ih = field([&](std::size_t i) { return from[i].box.imHi; });
    const V fx = field([&](std::size_t i) { return from[i].x; });
    const V fy = field([&](std::size_t i) { return from[i].y; });
    const V fax = field([&](std::size_t i) { return from[i].ax; });
    const V fay = field([&](std::size_t i) { return from[i].ay; });
    const V frest = field([&](std::size_t i) { return from[i].rest; });
    const V fstep = field([&](std::size_t i) { return from[i].step; });
    // Taken and Within of tile_proof.cpp.
    M taken = hn::And(FiniteBox(rl, rh, il, ih), hn::Ge(fstep, hn::Set(d, 1.0)));
    taken = hn::And(taken, hn::And(hn::IsFinite(fx), hn::IsFinite(fy)));
    taken =
        hn::And(taken, hn::And(hn::And(hn::IsFinite(fax), hn::IsFinite(fay)), hn::IsFinite(frest)));
    const M within = hn::And(hn::And(hn::Ge(part.rl, rl), hn::Le(part.rh, rh)),
                             hn::And(hn::Ge(part.il, il), hn::Le(part.ih, ih)));
    const V half = hn::Set(d, 0.5);
    const V dx = hn::Sub(cx, hn::Add(hn::Mul(half, rl), hn::Mul(half, rh)));
    const V dy = hn::Sub(cy, hn::Add(hn::Mul(half, il), hn::Mul(half, ih)));
    x = hn::Add(fx, hn::Sub(hn::Mul(fax, dx), hn::Mul(fay, dy)));
    y = hn::Add(fy, hn::Add(hn::Mul(fax, dy), hn::Mul(fay, dx)));
    ax = fax;
    ay = fay;
    modulus = Modulus(x, y);
    slope = Modulus(ax, ay);
    active = hn::And(hn::And(active, hn::And(taken, within)), hn::IsFinite(modulus));
    const V w = Most(Modulus(fx, fy)), a = Most(slope);
    const V off = hn::Add(hn::Abs(dx), hn::Abs(dy));
    rest =
        hn::Add(Up(hn::Add(frest, hn::Mul(hn::Set(d, kSixteenUnits), hn::Add(hn::Mul(a, off), w)))),
                hn::Set(d, kRoundingAbsolute));
    // cMost and Most(modulus) are not NaN in the lanes still active.
    const V before = hn::Max(hn::Max(hn::Set(d, 2.0), cMost), Most(modulus));
    twoRounding = TwoRounding(before, cMost);
    at = fstep;
  }

  // The lanes that take another step, before it.
  HWY_INLINE M Running(V last) const { return hn::And(active, hn::Lt(at, last)); }

  // save: whether a checkpoint may be taken at this step (with kSave).
  HWY_INLINE void Step(M running, bool save) {
    const D d;
    const V two = hn::Set(d, 2.0);
    const V w = Most(modulus), a = Most(slope);
    const V reach = hn::Add(hn::Mul(a, spread), rest);
    const V slopeRounding =
        hn::Add(hn::Mul(hn::Set(d, kSixteenUnits), hn::Mul(w, a)), hn::Set(d, kFourUnits));
    rest = Up(hn::Add(
        hn::Add(hn::Add(hn::Mul(hn::Mul(two, w), rest), hn::Mul(reach, reach)), twoRounding),
        hn::Mul(slopeRounding, spread)));
    const V nax = hn::Add(hn::Mul(two, hn::Sub(hn::Mul(x, ax), hn::Mul(y, ay))), hn::Set(d, 1.0));
    ay = hn::Mul(two, hn::Add(hn::Mul(x, ay), hn::Mul(y, ax)));
    ax = nax;
    const V nx = hn::Add(hn::Sub(hn::Mul(x, x), hn::Mul(y, y)), cx);
    y = hn::Add(hn::Mul(two, hn::Mul(x, y)), cy);
    x = nx;
    at = hn::Add(at, hn::Set(d, 1.0));
    modulus = Modulus(x, y);
    slope = Modulus(ax, ay);
    const V radius = Up(hn::Add(hn::Mul(Most(slope), spread), rest));
    const M in =
        hn::Le(hn::Mul(hn::Add(modulus, radius), hn::Set(d, kInFactor)), hn::Set(d, kInBound));
    if (kSave && save) {
      const M small =
          hn::Le(rest, hn::Mul(hn::Set(d, kSmallRemainder), hn::Mul(Most(slope), spread)));
      const M keep = hn::And(hn::And(running, in), small);
      sx = hn::IfThenElse(keep, x, sx);
      sy = hn::IfThenElse(keep, y, sy);
      sax = hn::IfThenElse(keep, ax, sax);
      say = hn::IfThenElse(keep, ay, say);
      srest = hn::IfThenElse(keep, rest, srest);
      sat = hn::IfThenElse(keep, at, sat);
    }
    const M leaving = hn::AndNot(in, running);
    if (hn::AllFalse(d, leaving)) return;
    const V outFactor = hn::Set(d, kOutFactor);
    const V inner = hn::Mul(hn::Sub(hn::Mul(modulus, outFactor), radius), outFactor);
    const M out = hn::Gt(inner, hn::Set(d, kOutBound));
    count = hn::IfThenElse(hn::And(leaving, out), at, count);
    stopped = hn::IfThenElse(hn::AndNot(out, leaving), at, stopped);
    active = hn::AndNot(leaving, active);
  }

  // The counts of the first n lanes, after the last step a proof looks at.
  void Finish(int last, int limit, std::size_t n, int* counts, int* stoppedAt, const Box* boxes,
              Checkpoint* checkpoints) const {
    const D d;
    const bool atLimit = last == limit;
    const V done =
        atLimit ? hn::IfThenElse(active, hn::Set(d, static_cast<double>(limit + 1)), count) : count;
    HWY_ALIGN double values[kMostLanes];
    hn::Store(done, d, values);
    for (std::size_t i = 0; i < n; ++i) counts[i] = static_cast<int>(values[i]);
    if (stoppedAt != nullptr) {
      // Still in after the last step, short of the limit: stopped there.
      const V stop = atLimit || last < 2
                         ? stopped
                         : hn::IfThenElse(active, hn::Set(d, static_cast<double>(last)), stopped);
      hn::Store(stop, d, values);
      for (std::size_t i = 0; i < n; ++i) stoppedAt[i] = static_cast<int>(values[i]);
    }
    if constexpr (kSave) {
      if (checkpoints == nullptr) return;
      HWY_ALIGN double fx[kMostLanes], fy[kMostLanes], fax[kMostLanes], fay[kMostLanes],
          frest[kMostLanes], fat[kMostLanes];
      hn::Store(sx, d, fx);
      hn::Store(sy, d, fy);
      hn::Store(sax, d, fax);
      hn::Store(say, d, fay);
      hn::Store(srest, d, frest);
      hn::Store(sat, d, fat);
      for (std::size_t i = 0; i < n; ++i) {
        checkpoints[i] =
            Checkpoint{boxes[i], fx[i], fy[i], fax[i], fay[i], frest[i], static_cast<int>(fat[i])};
      }
    }
  }
};

// How many of the items from `first` on fill a vector.
std::size_t Taken(std::size_t first, std::size_t total, std::size_t lanes) {
  return first >= total ? 0 : total - first < lanes ? total - first : lanes;
}

// The proofs of boxes[0, n), from their first steps or (`from` not null) as parts of the
// boxes of checkpoints. A step of one vector's proofs is a chain of dependent operations
// several times longer than the time the core needs to issue it: two vectors' proofs go
// side by side.
template <bool kSave>
void Prove(const Box* boxes, const Checkpoint* from, int n, int limit, int mostSteps, int* counts,
           int* stoppedAt, Checkpoint* checkpoints) {
  const std::size_t lanes = hn::Lanes(D());
  const int last = LastStep(limit, mostSteps);
  const V lastStep = hn::Set(D(), static_cast<double>(last));
  const std::size_t total = static_cast<std::size_t>(n < 0 ? 0 : n);
  for (std::size_t i = 0; i < total; i += 2 * lanes) {
    const std::size_t takenA = Taken(i, total, lanes), takenB = Taken(i + lanes, total, lanes);
    const Boxes boxesA = Load(boxes + i, takenA), boxesB = Load(boxes + i + lanes, takenB);
    Proof<kSave> a(boxesA, takenA, limit), b(boxesB, takenB, limit);
    if (from == nullptr) {
      a.FromFirstStep();
      b.FromFirstStep();
    } else {
      a.FromCheckpoints(boxesA, from + i, takenA);
      b.FromCheckpoints(boxesB, from + i + lanes, takenB);
    }
    // Boxes proven from their first steps are all at the same step.
    for (int step = 2;; ++step) {
      const M runningA = a.Running(lastStep), runningB = b.Running(lastStep);
      if (hn::AllFalse(D(), hn::Or(runningA, runningB))) break;
      const bool save = step % kCheckpointEvery == 0;
      a.Step(runningA, save);
      b.Step(runningB, save);
    }
    const auto at = [&](auto* p, std::size_t k) { return p == nullptr ? nullptr : p + k; };
    a.Finish(last, limit, takenA, counts + i, at(stoppedAt, i), boxes + i, at(checkpoints, i));
    b.Finish(last, limit, takenB, counts + i + lanes, at(stoppedAt, i + lanes), boxes + i + lanes,
             at(checkpoints, i + lanes));
  }
}

void ProvenCountsHere(const Box* boxes, int n, int limit, int mostSteps, int* counts,
                      int* stoppedAt, Checkpoint* checkpoints) {
  if (checkpoints != nullptr) {
    Prove<true>(boxes, nullptr, n, limit, mostSteps, counts, stoppedAt, checkpoints);
  } else {
    Prove<false>(boxes, nullptr, n, limit, mostSteps, counts, stoppedAt, nullptr);
  }
}

void ProvenCountsFromHere(const Box* parts, const Checkpoint* from, int n, int limit, int mostSteps,
                          int* counts, int* stoppedAt) {
  Prove<false>(parts, from, n, limit, mostSteps, counts, stoppedAt, nullptr);
}

}  // namespace HWY_NAMESPACE
}  // namespace tile_proof
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tile_proof {

HWY_EXPORT(ProvenCountsHere);
HWY_EXPORT(ProvenCountsFromHere);

void ProvenCounts(const Box* boxes, int n, int limit, int mostSteps, int* counts, int* stoppedAt,
                  Checkpoint* checkpoints) {
  HWY_DYNAMIC_DISPATCH(ProvenCountsHere)
  (boxes, n, limit, mostSteps, counts, stoppedAt, checkpoints);
}

void ProvenCountsFrom(const Box* parts, const Checkpoint* from, int n, int limit, int mostSteps,
                      int* counts, int* stoppedAt) {
  HWY_DYNAMIC_DISPATCH(ProvenCountsFromHere)(parts, from, n, limit, mostSteps, counts, stoppedAt);
}

}  // namespace tile_proof
#endif
