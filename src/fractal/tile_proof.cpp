#include "fractal/tile_proof.h"

#include <cmath>

namespace tile_proof {
namespace {

constexpr double kUnit = 0x1p-53;

// An upper bound of a non-negative quantity computed with a few rounded operations.
double Up(double v) {
  return v * (1 + 0x1p-48) + 0x1p-1060;
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
  return modulus * (1 + 0x1p-48) + 0x1p-535;
}

}  // namespace

int ProvenCount(const Box& box, int limit, int mostSteps) {
  if (limit < 2 || !Finite(box)) return 0;
  const double cx = 0.5 * box.reLo + 0.5 * box.reHi;
  const double cy = 0.5 * box.imLo + 0.5 * box.imHi;
  const double hx = Up(std::fmax(box.reHi - cx, cx - box.reLo));
  const double hy = Up(std::fmax(box.imHi - cy, cy - box.imLo));
  const double spread = Most(Modulus(hx, hy));  // |c - c0| for every c of the box
  const double cMost = Up(Most(Modulus(cx, cy)) + spread);
  // Before each step every orbit point of the ball has |z| <= max(2, |c|): the first
  // is c itself, and the ball of each later one lay within |z| < 2. So one bound of the
  // rounding of a step holds for all of them.
  const double before = std::fmax(2.0, cMost);
  const double before2 = Up(before * before);
  const double rounding = Up(5 * kUnit * before2 + 3 * kUnit * Up(before2 + cMost)) + 0x1p-1065;
  // The radius grows as R' = (R (2 |w| + R) + spread + 2 rounding) (1 + 2^-48), worked
  // out as R (2 |w| k + R k) + growth k with k = 1 + 2^-48: the factor covers the four
  // roundings of that expression, with the multiplications by k off the chain from R to
  // R'.
  constexpr double k = 1 + 0x1p-48;
  const double growth = Up(spread + 2 * rounding) * k;
  // z1 = c: the ball of the sample points themselves.
  double x = cx, y = cy, radius = spread;
  double modulus = Modulus(x, y);
  const int last = mostSteps < limit - 1 ? mostSteps + 1 : limit;  // the last step looked at
  for (int step = 2; step <= last; ++step) {
    radius = radius * (2 * Most(modulus) * k + radius * k) + growth;
    const double nx = (x * x - y * y) + cx;
    y = 2.0 * (x * y) + cy;
    x = nx;
    modulus = Modulus(x, y);
    // Every pixel in: |z| <= 2 - 2^-48, so that its computed modulus is at most 4. The
    // factor covers the rounding of the modulus and of the sum (and the absolute error
    // of the modulus, where the sum is above 2^-400; below, the test holds by far).
    if ((modulus + radius) * (1 + 0x1p-47) <= 2 - 0x1p-48) continue;
    // Every pixel out: |z| > 2 + 2^-46, so that its computed modulus is above 4.
    const double inner = (modulus * (1 - 0x1p-50) - radius) * (1 - 0x1p-50);
    return inner > 2 + 0x1p-46 ? step : 0;
  }
  return last == limit ? limit + 1 : 0;
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
