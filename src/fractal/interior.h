#pragma once
// Points known to lie in the set, for which the fast pass gives the count limit + 1
// without iterating: the main cardioid and the period-2 disc, each shrunk so that the
// attracting cycle keeps a margin, and discs inside the bulbs of periods 3, 4 and 5 on
// the cardioid. tools/interior_proof.cpp proves, for every double point this test
// accepts, that the plain loop's own rounded orbit never passes the escape test, for any
// limit; tests/fractal/interior_test.cpp runs that proof.
//
// The expressions are written out operation by operation: the vector kernel evaluates
// exactly these, in this order, so it accepts exactly the points this function accepts.

#include <array>
#include <cmath>

namespace interior {

// The cardioid {c : |multiplier of the fixed point| < 1} scaled by kCardioidScale about
// 0: with a = x - s/4 and q = a^2 + y^2, inside when q (q + s a) <= (s^2 / 4) y^2. The
// first test, q <= 2, keeps far and non-finite points out: without it an infinite or
// overflowing y would make both sides infinite, and inf <= inf.
inline constexpr double kCardioidScale = 0.984375;  // 63/64
inline constexpr double kCardioidQuarterScale = kCardioidScale * 0.25;
inline constexpr double kCardioidRhs = kCardioidScale * kCardioidScale * 0.25;  // exact
// The disc about -1 where the 2-cycle attracts has radius 1/4; this one is smaller.
inline constexpr double kDiscRadius2 = (0.984375 * 0.25) * (0.984375 * 0.25);  // exact

inline bool InCardioid(double x, double y) {
  const double a = x - kCardioidQuarterScale;
  const double y2 = y * y;
  const double q = a * a + y2;
  return q <= 2.0 && q * (q + kCardioidScale * a) <= kCardioidRhs * y2;
}

inline bool InDisc(double x, double y) {
  const double b = x + 1.0;
  return b * b + y * y <= kDiscRadius2;
}

// Discs in bulbs that sit on the cardioid, each a little off the bulb's centre and
// smaller than the bulb, so that its cycle's multiplier stays below about 0.82 on the
// disc and orbits settle fast enough to be proven. The period-3 bulb (a disc of radius
// 0.09 about -0.124 + 0.744i), the period-4 bulb at 0.282 + 0.530i and the two period-5
// bulbs at 0.380 + 0.335i and -0.504 + 0.563i: each disc serves the bulb above the real
// axis and its mirror image below, since negating y negates every y of the double orbit
// exactly, so that a point and its mirror image have the same count.
struct BulbDisc {
  double re;
  double im;       // above the axis
  double radius2;  // exact
};

inline constexpr std::array<BulbDisc, 4> kBulbs{{
    {-0.125, 0.744, 0.078125 * 0.078125},
    {0.28125, 0.53125, 0.03125 * 0.03125},
    {0.37939453125, 0.3349609375, 0.015625 * 0.015625},
    {-0.50439453125, 0.562744140625, 0.029296875 * 0.029296875},
}};

inline bool InBulb(const BulbDisc& bulb, double x, double y) {
  const double b = x - bulb.re;
  const double e = std::fabs(y) - bulb.im;
  return b * b + e * e <= bulb.radius2;
}

inline bool InBulbs(double x, double y) {
  for (const BulbDisc& bulb : kBulbs) {
    if (InBulb(bulb, x, y)) return true;
  }
  return false;
}

// NaN and infinite points are never accepted: every comparison with NaN fails, and an
// infinite coordinate fails q <= 2 or makes b^2 + y^2 (or b^2 + e^2) infinite.
inline bool InKnownComponent(double x, double y) {
  return InCardioid(x, y) || InDisc(x, y) || InBulbs(x, y);
}

}  // namespace interior
