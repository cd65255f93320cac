#include "fractal/tile_proof.h"

#include <cmath>

namespace tile_proof {
namespace {

// An upper bound of a non-negative quantity computed with a few rounded operations.
double Up(double v) {
  return v * kRoundingFactor + kUpAbsolute;
}

bool Finite(const Box& b) {
  return std::isfinite(b.reLo) && std::isfinite(b.reHi) && std::isfinite(b.imLo) &&
         std::isfinite(b.imHi) && b.reLo <= b.reHi && b.imLo <= b.imHi;
}

// |(x, y)| as computed: within a relative 2^-51 and an absolute 2^-536 (the squares
// of tiny coordinates lose bits, or all of them, to underflow).
double Modulus(double x, double y) {
  return std::sqrt(x * x + y * y);
}

// An upper bound of |(x, y)| from its computed modulus.
double Most(double modulus) {
  return modulus * kRoundingFactor + kMostAbsolute;
}

// The centre of a box as a proof takes it.
void CentreOf(const Box& box, double& cx, double& cy) {
  cx = 0.5 * box.reLo + 0.5 * box.reHi;
  cy = 0.5 * box.imLo + 0.5 * box.imHi;
}

// 2 E, E a bound of the rounding of one step of any orbit whose every point before a
// step has |z| <= before, for |c| <= cMost: 3u |z|^2 + 1.5u |z'| plus 7 subnormal
// half-units.
double TwoRounding(double before, double cMost) {
  const double before2 = Up(before * before);
  const double rounding =
      Up(kFiveUnits * before2 + kThreeUnits * Up(before2 + cMost)) + kRoundingAbsolute;
  return 2 * rounding;
}

// What the proof of a box starts from: the centre c0 = (cx, cy) of the box, with
// |c - c0| <= spread for every c of it, and cMost >= |c|. Not `valid` when there is
// nothing to prove.
struct Start {
  double cx, cy, spread, cMost;
  bool valid;
};

Start StartOf(const Box& box, int limit) {
  if (limit < 2 || !Finite(box)) return Start{0, 0, 0, 0, false};
  double cx, cy;
  CentreOf(box, cx, cy);
  const double hx = Up(std::fmax(box.reHi - cx, cx - box.reLo));
  const double hy = Up(std::fmax(box.imHi - cy, cy - box.imLo));
  const double spread = Most(Modulus(hx, hy));  // |c - c0| for every c of the box
  const double cMost = Up(Most(Modulus(cx, cy)) + spread);
  return Start{cx, cy, spread, cMost, true};
}

// A proof on its way: z = w + A delta + e for every pixel, w = (x, y), A = (ax, ay),
// |e| <= rest; modulus and slope are |w| and |A| as computed.
struct Orbit {
  double x, y, ax, ay, rest, modulus, slope;
};

// Whether a remainder is small enough, against the spread of the pixels about the
// centre, for parts of the box to take the proof up from there (ProvenCountFrom). The
// quarters of a tile 1e-6 wide on the edge of the set, taken up from checkpoints like
// these, settle nearly all that quarters proven from their first steps settle, with 30
// to 40% fewer steps; with r <= |A| s / 16, up to a tenth of them fail where those hold.
bool SmallRemainder(double rest, double slope, double spread) {
  return rest <= kSmallRemainder * (Most(slope) * spread);
}

// Steps first .. last of a proof (see ProvenCount) from the orbit after step first - 1.
int Steps(Orbit o, const Start& start, double twoRounding, int first, int last, int limit,
          int* stoppedAt, Checkpoint* checkpoint) {
  const double cx = start.cx, cy = start.cy, spread = start.spread;
  for (int step = first; step <= last; ++step) {
    const double w = Most(o.modulus), a = Most(o.slope);
    const double reach = a * spread + o.rest;  // |A delta + e|
    // e' = 2 w e + (A delta + e)^2 + (the pixel's rounding) - (the centre's) - (A's) delta.
    o.rest = Up(2 * w * o.rest + reach * reach + twoRounding +
                (kSixteenUnits * (w * a) + kFourUnits) * spread);
    const double nax = 2.0 * (o.x * o.ax - o.y * o.ay) + 1.0;  // A' = 2 w A + 1
    o.ay = 2.0 * (o.x * o.ay + o.y * o.ax);
    o.ax = nax;
    const double nx = (o.x * o.x - o.y * o.y) + cx;
    o.y = 2.0 * (o.x * o.y) + cy;
    o.x = nx;
    o.modulus = Modulus(o.x, o.y);
    o.slope = Modulus(o.ax, o.ay);
    // Every pixel's orbit point lies within this of w.
    const double radius = Up(Most(o.slope) * spread + o.rest);
    // Every pixel in: |z| <= 2 - 2^-48, so that its computed modulus is at most 4. The
    // factor covers the rounding of the modulus and of the sum (and the absolute error
    // of the modulus, where the sum is above 2^-400; below, the test holds by far).
    if ((o.modulus + radius) * kInFactor <= kInBound) {
      if (checkpoint != nullptr && step % kCheckpointEvery == 0 &&
          SmallRemainder(o.rest, o.slope, spread)) {
        *checkpoint = Checkpoint{checkpoint->box, o.x, o.y, o.ax, o.ay, o.rest, step};
      }
      continue;
    }
    // Every pixel out: |z| > 2 + 2^-46, so that its computed modulus is above 4.
    const double inner = (o.modulus * kOutFactor - radius) * kOutFactor;
    if (inner > kOutBound) return step;
    if (stoppedAt != nullptr) *stoppedAt = step;
    return 0;
  }
  if (last == limit) return limit + 1;
  if (stoppedAt != nullptr && last >= 2) *stoppedAt = last;
  return 0;
}

// Whether a checkpoint is one a proof could give: after a step, of a finite box, with
// finite values (a step whose pixels are all in has them).
bool Taken(const Checkpoint& from) {
  return from.step >= 1 && Finite(from.box) && std::isfinite(from.x) && std::isfinite(from.y) &&
         std::isfinite(from.ax) && std::isfinite(from.ay) && std::isfinite(from.rest);
}

bool Within(const Box& part, const Box& box) {
  return part.reLo >= box.reLo && part.reHi <= box.reHi && part.imLo >= box.imLo &&
         part.imHi <= box.imHi;
}

}  // namespace

int ProvenCount(const Box& box, int limit, int mostSteps, int* stoppedAt, Checkpoint* checkpoint) {
  if (stoppedAt != nullptr) *stoppedAt = 0;
  if (checkpoint != nullptr) *checkpoint = Checkpoint{box, 0, 0, 0, 0, 0, 0};
  const Start start = StartOf(box, limit);
  if (!start.valid) return 0;
  // Before each step every orbit point of the proof has |z| <= max(2, |c|): the first
  // is c itself, and the region of each later one lay within |z| < 2. So one bound of
  // the rounding of a step holds for all of them.
  const double twoRounding = TwoRounding(std::fmax(2.0, start.cMost), start.cMost);
  // z1 = c0 + delta: w = c0, A = 1, r = 0.
  const Orbit o{start.cx, start.cy, 1, 0, 0, Modulus(start.cx, start.cy), 1};
  if (checkpoint != nullptr) *checkpoint = Checkpoint{box, o.x, o.y, 1, 0, 0, 1};
  return Steps(o, start, twoRounding, 2, LastStep(limit, mostSteps), limit, stoppedAt, checkpoint);
}

int ProvenCountFrom(const Box& part, const Checkpoint& from, int limit, int mostSteps,
                    int* stoppedAt) {
  if (stoppedAt != nullptr) *stoppedAt = 0;
  const Start start = StartOf(part, limit);
  if (!start.valid || !Taken(from) || !Within(part, from.box)) return 0;
  // With d = c_p - c0 (c_p the part's centre), every pixel c = c_p + delta of the part
  // has z = w + A d + A delta + e: the part's centre point is w + A d as computed.
  double cx0, cy0;
  CentreOf(from.box, cx0, cy0);
  const double dx = start.cx - cx0, dy = start.cy - cy0;
  Orbit o{};
  o.x = from.x + (from.ax * dx - from.ay * dy);
  o.y = from.y + (from.ax * dy + from.ay * dx);
  o.ax = from.ax;
  o.ay = from.ay;
  o.modulus = Modulus(o.x, o.y);
  o.slope = Modulus(o.ax, o.ay);
  if (!std::isfinite(o.modulus)) return 0;
  // Its rounding: d within a unit of c_p - c0, two products, a difference and a sum in
  // each coordinate, at most 4u |A| |d|_1 + u |w| in each, and the underflow of the
  // products: 8u |A| |d|_1 + 2u |w| and a few subnormal units in all, counted twice over.
  const double w = Most(Modulus(from.x, from.y)), a = Most(o.slope);
  const double off = std::fabs(dx) + std::fabs(dy);
  o.rest = Up(from.rest + kSixteenUnits * (a * off + w)) + kRoundingAbsolute;
  // One bound E holds for every orbit point before each step: the pixels' at the
  // checkpoint were c (after the first step) or in (|z| < 2), and the part's centre
  // point is bounded by its own modulus.
  const double before = std::fmax(std::fmax(2.0, start.cMost), Most(o.modulus));
  return Steps(o, start, TwoRounding(before, start.cMost), from.step + 1,
               LastStep(limit, mostSteps), limit, stoppedAt, nullptr);
}

namespace {

struct Interval {
  double lo, hi;
};

Interval Square(Interval v) {
  const double a = v.lo * v.lo, b = v.hi * v.hi;
  if (v.lo <= 0 && v.hi >= 0) return {0, std::fmax(a, b)};
  return {std::fmin(a, b), std::fmax(a, b)};
}

}  // namespace

bool InMainParts(const Box& box, const interior::Test& test) {
  if (!Finite(box) || !(std::fmax(-box.reLo, box.reHi) <= 2) ||
      !(std::fmax(-box.imLo, box.imHi) <= 1))
    return false;
  constexpr double kMargin = 0x1p-40;
  const Interval y2 = Square({box.imLo, box.imHi});
  // The disc about -1: (x + 1)^2 + y^2 <= radius^2.
  const Interval b2 = Square({box.reLo + 1.0, box.reHi + 1.0});
  if (b2.hi + y2.hi <= test.discRadius2 - kMargin) return true;
  // The cardioid: with a = x - s/4 and q = a^2 + y^2, q <= 2 and q (q + s a) <= (s^2/4) y^2.
  const Interval a{box.reLo - test.cardioidQuarterScale, box.reHi - test.cardioidQuarterScale};
  const Interval q{Square(a).lo + y2.lo, Square(a).hi + y2.hi};
  if (!(q.hi <= 2 - kMargin)) return false;
  const double sumHi = q.hi + test.cardioidScale * a.hi;  // the most q + s a can be
  // q >= 0: the largest product takes the largest sum, with the largest or smallest q.
  const double lhsHi = std::fmax(q.lo * sumHi, q.hi * sumHi);
  return lhsHi <= test.cardioidRhs * y2.lo - kMargin;
}

}  // namespace tile_proof
