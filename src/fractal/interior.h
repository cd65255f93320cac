#pragma once
// Points known to lie in the set, for which the fast pass gives the count limit + 1
// without iterating: the main cardioid and the period-2 disc, each shrunk so that the
// attracting cycle keeps a margin, and a disc inside each of the two period-3 bulbs on
// the cardioid. tools/interior_proof.cpp proves, for every double point this test
// accepts, that the plain loop's own rounded orbit never passes the escape test, for any
// limit; tests/fractal/interior_test.cpp runs that proof.
//
// The expressions are written out operation by operation: the vector kernel evaluates
// exactly these, in this order, so it accepts exactly the points this function accepts.

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

// The two period-3 bulbs that sit on the cardioid at the top and the bottom are close to
// discs of radius 0.09 about -0.124 +- 0.744i; this disc keeps to where the 3-cycle's
// multiplier is below about 0.82, so that orbits settle fast enough to be proven. One
// test serves both bulbs: negating y negates every y of the double orbit exactly, so a
// point and its mirror image have the same count.
inline constexpr double kBulbRe = -0.125;
inline constexpr double kBulbIm = 0.744;
inline constexpr double kBulbRadius2 = 0.078125 * 0.078125;  // exact

inline bool InBulb(double x, double y) {
  const double b = x - kBulbRe;
  const double e = std::fabs(y) - kBulbIm;
  return b * b + e * e <= kBulbRadius2;
}

// NaN and infinite points are never accepted: every comparison with NaN fails, and an
// infinite coordinate fails q <= 2 or makes b^2 + y^2 (or b^2 + e^2) infinite.
inline bool InKnownComponent(double x, double y) {
  return InCardioid(x, y) || InDisc(x, y) || InBulb(x, y);
}

}  // namespace interior
