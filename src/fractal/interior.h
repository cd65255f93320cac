#pragma once
// Points known to lie in the set, for which the fast pass gives the count limit + 1
// without iterating: the main cardioid, the period-2 disc and discs inside bulbs of
// periods 3 to 9. tools/interior_proof.cpp proves, for every double
// point a version of this test accepts, that the plain loop's own rounded orbit does not
// pass the escape test for the limits that version is for;
// tests/fractal/interior_test.cpp runs that proof.
//
// The expressions are written out operation by operation: the vector kernel evaluates
// exactly these, in this order, so it accepts exactly the points this function accepts.

#include <array>
#include <cmath>
#include <cstddef>
#include <span>

namespace interior {

// The cardioid {c : |multiplier of the fixed point| < 1} scaled by `cardioidScale` (s)
// about 0: with a = x - s/4 and q = a^2 + y^2, inside when q (q + s a) <= (s^2 / 4) y^2.
// The first test, q <= 2, keeps far and non-finite points out: without it an infinite or
// overflowing y would make both sides infinite, and inf <= inf.

// Discs in bulbs, each a little off the bulb's centre and smaller than the bulb: the
// period-3 bulb on the cardioid (about -0.125 + 0.744i), the period-4 bulb at
// 0.282 + 0.530i and the two period-5 bulbs at 0.380 + 0.335i and -0.504 + 0.563i, and
// for the limits up to 150 the largest bulbs of periods 6 to 9 as well. Each disc serves
// the bulb above the real axis and its mirror image below, since negating y negates every
// y of the double orbit exactly, so that a point and its mirror image have the same
// count.
struct BulbDisc {
  double re;
  double im;       // above the axis
  double radius2;  // exact
};

inline constexpr std::size_t kMostBulbs = 11;

// One version of the test: its constants, and the limits it is proven for.
struct Test {
  // The proof holds for every limit up to this one; 0: for every limit.
  int horizon;
  double cardioidScale;
  double cardioidQuarterScale;  // cardioidScale / 4, exact
  double cardioidRhs;           // cardioidScale^2 / 4, exact
  double discRadius2;           // the disc about -1, exact
  std::array<BulbDisc, kMostBulbs> bulbs;
  std::size_t bulbCount;  // the first ones of `bulbs` are the test's

  constexpr std::span<const BulbDisc> Bulbs() const { return {bulbs.data(), bulbCount}; }
};

// For every limit: each part shrunk so that the attracting cycle keeps a margin and
// orbits settle into a disk that provably holds them for ever. The cardioid is scaled
// by 63/64, the disc about -1, where the 2-cycle attracts, has radius 63/256 instead of
// 1/4, and the bulbs' discs keep their cycles' multipliers below about 0.82.
inline constexpr Test kForAnyLimit{
    0,
    0.984375,
    0.984375 * 0.25,
    0.984375 * 0.984375 * 0.25,
    (0.984375 * 0.25) * (0.984375 * 0.25),
    {{
        {-0.125, 0.744, 0.078125 * 0.078125},
        {0.28125, 0.53125, 0.03125 * 0.03125},
        {0.37939453125, 0.3349609375, 0.015625 * 0.015625},
        {-0.50439453125, 0.562744140625, 0.029296875 * 0.029296875},
    }},
    4};

// For the limits up to 150, the program's own: the whole cardioid and the whole disc,
// and discs of about 98% of the radius of the same bulbs and of the seven largest bulbs
// of periods 6 to 9 (the last one on the disc, the others on the cardioid and the
// period-3 bulb). Orbits near their boundaries settle too slowly to be held for ever,
// but none leaves within 149 steps.
inline constexpr Test kUpToLimit150{
    150,
    1.0,
    0.25,
    0.25,
    0.0625,
    {{
        {-0.1248779296875, 0.744, 0.09375 * 0.09375},
        {0.28125, 0.53125, 0.04296875 * 0.04296875},
        {0.3792724609375, 0.3359375, 0.0234375 * 0.0234375},
        {-0.5045166015625, 0.56298828125, 0.0380859375 * 0.0380859375},
        {-0.11358642578125, 0.86016845703125, (179.0 / 8192) * (179.0 / 8192)},  // period 6
        {-0.62255859375, 0.4254150390625, (167.0 / 8192) * (167.0 / 8192)},      // 7
        {0.12127685546875, 0.61102294921875, (134.0 / 8192) * (134.0 / 8192)},  // 7
        {-0.35943603515625, 0.61767578125, (123.0 / 8192) * (123.0 / 8192)},     // 8
        {0.38916015625, 0.216552734375, (113.0 / 8192) * (113.0 / 8192)},        // 6
        {-0.6724853515625, 0.33819580078125, (103.0 / 8192) * (103.0 / 8192)},   // 9
        {-1.0, 0.26513671875, (122.0 / 8192) * (122.0 / 8192)},                  // 8
    }},
    11};

static_assert(kForAnyLimit.bulbCount <= kMostBulbs && kUpToLimit150.bulbCount <= kMostBulbs);

// The test a render with this limit may use.
inline const Test& TestFor(int limit) {
  return limit <= kUpToLimit150.horizon ? kUpToLimit150 : kForAnyLimit;
}

inline bool InCardioid(const Test& t, double x, double y) {
  const double a = x - t.cardioidQuarterScale;
  const double y2 = y * y;
  const double q = a * a + y2;
  return q <= 2.0 && q * (q + t.cardioidScale * a) <= t.cardioidRhs * y2;
}

inline bool InDisc(const Test& t, double x, double y) {
  const double b = x + 1.0;
  return b * b + y * y <= t.discRadius2;
}

inline bool InBulb(const BulbDisc& bulb, double x, double y) {
  const double b = x - bulb.re;
  const double e = std::fabs(y) - bulb.im;
  return b * b + e * e <= bulb.radius2;
}

inline bool InBulbs(const Test& t, double x, double y) {
  for (const BulbDisc& bulb : t.Bulbs()) {
    if (InBulb(bulb, x, y)) return true;
  }
  return false;
}

// Whether the test may accept points of the row segment [reLo, reHi] x {y}: the main
// parts, and one bulb's disc. False only when bounds of the test's quantities over the
// whole segment fail it by far more than any rounding. A row can then leave that part
// out: its points are iterated instead, which is always right, and the bounds need only
// be tight enough to leave out the segments that pass nowhere near the part. A segment
// that is not finite keeps every part.
namespace segment {
inline constexpr double kRoom = 1e-9;
// The distance from 0 to [lo, hi].
inline double Gap(double lo, double hi) {
  return lo > 0 ? lo : hi < 0 ? -hi : 0.0;
}
inline bool Finite(double reLo, double reHi, double y) {
  return std::isfinite(reLo) && std::isfinite(reHi) && std::isfinite(y) && reLo <= reHi;
}
}  // namespace segment

inline bool MainPartsMayAccept(const Test& t, double reLo, double reHi, double y) {
  if (!segment::Finite(reLo, reHi, y)) return true;
  const double y2 = y * y;
  const double b = segment::Gap(reLo + 1.0, reHi + 1.0);
  if (b * b + y2 <= t.discRadius2 + segment::kRoom) return true;
  // The cardioid: q >= qLo and q + s a >= qLo + s aLo (s > 0); where that sum may be
  // near zero or below, the product may be too.
  const double aLo = reLo - t.cardioidQuarterScale, aHi = reHi - t.cardioidQuarterScale;
  const double g = segment::Gap(aLo, aHi);
  const double qLo = g * g + y2;
  if (qLo > 2.0 + segment::kRoom) return false;
  const double sumLo = qLo + t.cardioidScale * aLo;
  return sumLo <= segment::kRoom || qLo * sumLo <= t.cardioidRhs * y2 + segment::kRoom;
}

inline bool BulbMayAccept(const BulbDisc& bulb, double reLo, double reHi, double y) {
  if (!segment::Finite(reLo, reHi, y)) return true;
  const double b = segment::Gap(reLo - bulb.re, reHi - bulb.re);
  const double e = std::fabs(y) - bulb.im;
  return b * b + e * e <= bulb.radius2 + segment::kRoom;
}

// NaN and infinite points are never accepted: every comparison with NaN fails, and an
// infinite coordinate fails q <= 2 or makes b^2 + y^2 (or b^2 + e^2) infinite.
inline bool InKnownComponent(const Test& t, double x, double y) {
  return InCardioid(t, x, y) || InDisc(t, x, y) || InBulbs(t, x, y);
}

}  // namespace interior
