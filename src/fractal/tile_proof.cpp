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

// What the proof of a box starts from: the centre c0 = (cx, cy) of the box, with
// z1 = c0 + delta for every c = c0 + delta of it, |delta| <= spread; and 2 E, where E
// bounds the rounding of one step of any orbit of the proof. Not `valid` when there is
// nothing to prove.
struct Start {
  double cx, cy, spread, twoRounding;
  bool valid;
};

Start StartOf(const Box& box, int limit) {
  if (limit < 2 || !Finite(box)) return Start{0, 0, 0, 0, false};
  const double cx = 0.5 * box.reLo + 0.5 * box.reHi;
  const double cy = 0.5 * box.imLo + 0.5 * box.imHi;
  const double hx = Up(std::fmax(box.reHi - cx, cx - box.reLo));
  const double hy = Up(std::fmax(box.imHi - cy, cy - box.imLo));
  const double spread = Most(Modulus(hx, hy));  // |c - c0| for every c of the box
  const double cMost = Up(Most(Modulus(cx, cy)) + spread);
  // Before each step every orbit point of the proof has |z| <= max(2, |c|): the first
  // is c itself, and the region of each later one lay within |z| < 2. So one bound of
  // the rounding of a step, 3u |z|^2 + 1.5u |z'| plus 7 subnormal half-units, holds
  // for all of them.
  const double before = std::fmax(2.0, cMost);
  const double before2 = Up(before * before);
  const double rounding =
      Up(kFiveUnits * before2 + kThreeUnits * Up(before2 + cMost)) + kRoundingAbsolute;
  return Start{cx, cy, spread, 2 * rounding, true};
}

}  // namespace

int ProvenCount(const Box& box, int limit, int mostSteps, int* stoppedAt) {
  if (stoppedAt != nullptr) *stoppedAt = 0;
  const Start start = StartOf(box, limit);
  if (!start.valid) return 0;
  const double cx = start.cx, cy = start.cy, spread = start.spread;
  // z(k) = w + A delta + e for every pixel: w = (x, y), A = (ax, ay), |e| <= rest.
  double x = cx, y = cy, ax = 1, ay = 0, rest = 0;
  double modulus = Modulus(x, y), slope = 1;  // |w| and |A| as computed
  const int last = LastStep(limit, mostSteps);
  for (int step = 2; step <= last; ++step) {
    const double w = Most(modulus), a = Most(slope);
    const double reach = a * spread + rest;  // |A delta + e|
    // e' = 2 w e + (A delta + e)^2 + (the pixel's rounding) - (the centre's) - (A's) delta.
    rest = Up(2 * w * rest + reach * reach + start.twoRounding +
              (kSixteenUnits * (w * a) + kFourUnits) * spread);
    const double nax = 2.0 * (x * ax - y * ay) + 1.0;  // A' = 2 w A + 1
    ay = 2.0 * (x * ay + y * ax);
    ax = nax;
    const double nx = (x * x - y * y) + cx;
    y = 2.0 * (x * y) + cy;
    x = nx;
    modulus = Modulus(x, y);
    slope = Modulus(ax, ay);
    // Every pixel's orbit point lies within this of w.
    const double radius = Up(Most(slope) * spread + rest);
    // Every pixel in: |z| <= 2 - 2^-48, so that its computed modulus is at most 4. The
    // factor covers the rounding of the modulus and of the sum (and the absolute error
    // of the modulus, where the sum is above 2^-400; below, the test holds by far).
    if ((modulus + radius) * kInFactor <= kInBound) continue;
    // Every pixel out: |z| > 2 + 2^-46, so that its computed modulus is above 4.
    const double inner = (modulus * kOutFactor - radius) * kOutFactor;
    if (inner > kOutBound) return step;
    if (stoppedAt != nullptr) *stoppedAt = step;
    return 0;
  }
  if (last == limit) return limit + 1;
  if (stoppedAt != nullptr && last >= 2) *stoppedAt = last;
  return 0;
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
