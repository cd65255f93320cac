// The fast pass's interior shortcut: every point interior::InKnownComponent accepts must
// reach the limit in the plain loop, for each version of the test and the limits it is
// for. Brute force in and near the margin of each part (cardioid, period-2 disc, the
// bulb discs), the accepted shape pinned from both sides, and the proof that covers
// every double point (tools/interior_proof.cpp states it), run in-process on the real
// constants and on broken ones.
#include "fractal/interior.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fractal/escape.h"
#include "interior_cover.h"

namespace {

using Complex = std::complex<double>;
using interior::InKnownComponent;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;
constexpr int kLargeLimit = 20000;

// Both versions of the test, each with the largest limit it is proven for that the
// brute-force checks use.
struct Version {
  const interior::Test& test;
  int limit;
};
const Version kVersions[] = {{interior::kForAnyLimit, kIterationLimit},
                             {interior::kUpToLimit150, interior::kUpToLimit150.horizon}};

double DiscRadius(const interior::Test& t) {
  return std::sqrt(t.discRadius2);
}

// The point of the cardioid scaled by `scale` whose fixed point has multiplier w (before
// the scaling): on the scaled boundary for |w| = 1, inside it for |w| < 1.
Complex CardioidPoint(double scale, Complex w) {
  return scale * (w * 0.5 - w * w * 0.25);
}

Complex DiscPoint(double radius, double angle) {
  return -1.0 + std::polar(radius, angle);
}

double Radius(const interior::BulbDisc& bulb) {
  return std::sqrt(bulb.radius2);
}

// A point about the centre of a bulb disc above the axis, or of its mirror image below.
Complex BulbPoint(const interior::BulbDisc& bulb, double radius, double angle, bool upper) {
  return Complex(bulb.re, upper ? bulb.im : -bulb.im) + std::polar(radius, angle);
}

// A point at `scale` times the radius of a bulb disc, i choosing the disc and the side
// of the axis in turn.
Complex BulbPointOf(const interior::Test& t, int i, double scale, double angle) {
  const auto& bulb = t.Bulbs()[static_cast<std::size_t>(i / 2) % t.bulbCount];
  return BulbPoint(bulb, scale * Radius(bulb), angle, i % 2 == 0);
}

std::string Describe(double re, double im) {
  std::ostringstream s;
  s.precision(17);
  s << "(" << re << ", " << im << ")";
  return s.str();
}

// Feeds points to the shortcut and the plain loop; keeps the first disagreement.
class ShortcutCheck {
 public:
  explicit ShortcutCheck(const Version& v) : ShortcutCheck(v.test, v.limit) {}
  ShortcutCheck(const interior::Test& test, int limit) : test_(test), limit_(limit) {}

  const interior::Test& test() const { return test_; }

  void Point(double re, double im) {
    if (!InKnownComponent(test_, re, im)) return;
    ++accepted_;
    const int count = EscapeCount(re, im, limit_);
    if (count != limit_ + 1 && wrong_++ == 0) {
      first_ = Describe(re, im) + " counts " + std::to_string(count);
    }
  }
  void Point(Complex c) { Point(c.real(), c.imag()); }

  // Every accepted point reached the limit, and at least `least` points were accepted,
  // so that the check cannot pass by testing nothing.
  void Expect(long least) const {
    EXPECT_EQ(wrong_, 0) << wrong_ << " accepted points escape, the first " << first_
                         << " with limit " << limit_ << " (test for limits up to "
                         << test_.horizon << ", 0 for any)";
    EXPECT_GE(accepted_, least);
  }

 private:
  const interior::Test& test_;
  int limit_;
  long accepted_ = 0;
  long wrong_ = 0;
  std::string first_;
};

void Grid(ShortcutCheck& check, double re0, double re1, double im0, double im1, int columns,
          int rows) {
  for (int i = 0; i < columns; ++i) {
    const double re = re0 + (re1 - re0) * i / (columns - 1);
    for (int j = 0; j < rows; ++j) check.Point(re, im0 + (im1 - im0) * j / (rows - 1));
  }
}

// Points about every accepted boundary at relative distances up to `width`, uniformly.
void Band(ShortcutCheck& check, std::mt19937_64& rng, double width, int count) {
  const interior::Test& t = check.test();
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-width, width);
  for (int i = 0; i < count; ++i) {
    check.Point(CardioidPoint(t.cardioidScale, std::polar(1.0 + offset(rng), angle(rng))));
    if (i % 3 == 0) check.Point(DiscPoint(DiscRadius(t) * (1.0 + offset(rng)), angle(rng)));
    if (i % 3 == 1) {
      check.Point(BulbPointOf(t, i / 3, 1.0 + offset(rng), angle(rng)));
    }
  }
}

// The consecutive doubles about x, each with every y given.
void WalkDoubles(ShortcutCheck& check, double x, int eachSide, std::vector<double> ys) {
  double lo = x;
  double hi = x;
  for (int i = 0; i < eachSide; ++i) {
    lo = std::nextafter(lo, -kInf);
    hi = std::nextafter(hi, kInf);
    for (double y : ys) {
      check.Point(lo, y);
      check.Point(hi, y);
    }
  }
  for (double y : ys) check.Point(x, y);
}

// Where the accepted region ends on the segment from an accepted point to a rejected one.
Complex AcceptedEdge(const interior::Test& t, Complex inside, Complex outside) {
  for (int i = 0; i < 200; ++i) {
    const Complex middle = 0.5 * (inside + outside);
    if (middle == inside || middle == outside) break;
    (InKnownComponent(t, middle.real(), middle.imag()) ? inside : outside) = middle;
  }
  return inside;
}

// The accepted region's ends on the real axis: the cusp, the pinch side of each part and
// the far rim of the disc.
std::vector<double> RealAxisEdges(const interior::Test& t) {
  return {t.cardioidScale * 0.25, -0.75 * t.cardioidScale, -1.0 + DiscRadius(t),
          -1.0 - DiscRadius(t)};
}

TEST(InteriorShortcut, AcceptedPointsOfAFineGridReachTheLimit) {
  for (const Version& v : kVersions) {
    ShortcutCheck check(v);
    Grid(check, -1.26, 0.39, -0.66, 0.66, 1600, 1400);
    check.Expect(1200000);
  }
}

TEST(InteriorShortcut, AcceptedPointsOfEveryBulbDiscReachTheLimit) {
  for (const Version& v : kVersions) {
    ShortcutCheck check(v);
    for (const interior::BulbDisc& bulb : v.test.Bulbs()) {
      const double r = Radius(bulb) * 1.01;
      for (double im : {bulb.im, -bulb.im})
        Grid(check, bulb.re - r, bulb.re + r, im - r, im + r, 400, 400);
    }
    check.Expect(900000);
  }
}

TEST(InteriorShortcut, PointsInABandAboutBothBoundariesReachTheLimit) {
  std::mt19937_64 rng(20240611);
  for (const Version& v : kVersions) {
    ShortcutCheck check(v);
    Band(check, rng, 0x1p-10, 600000);
    Band(check, rng, 1e-9, 200000);
    check.Expect(500000);
  }
}

TEST(InteriorShortcut, AxesCuspPinchAndRimReachTheLimit) {
  for (const Version& v : kVersions) {
    ShortcutCheck check(v);
    const std::vector<double> nearAxis = {0.0, -0.0, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1e-300, 1e-160};
    for (double edge : RealAxisEdges(v.test)) WalkDoubles(check, edge, 5000, nearAxis);
    Grid(check, -1.3, 0.3, 0.0, 0.0, 100000, 1);
    const Complex top = AcceptedEdge(v.test, {0.0, 0.0}, {0.0, 0.7});
    WalkDoubles(check, top.real(), 3000, {top.imag(), -top.imag()});
    for (double x : {0.0, -0.0}) Grid(check, x, x, -0.7, 0.7, 1, 50000);
    Grid(check, 0.20, 0.26, -0.03, 0.03, 300, 300);    // the cusp
    Grid(check, -0.78, -0.70, -0.04, 0.04, 300, 300);  // the pinch and the disc's near rim
    Grid(check, -1.26, -1.22, -0.04, 0.04, 200, 200);  // the disc's far rim
    check.Expect(250000);
  }
}

TEST(InteriorShortcut, PointsAtTheMarginStayForALargeLimit) {
  std::mt19937_64 rng(7);
  ShortcutCheck check(interior::kForAnyLimit, kLargeLimit);
  Band(check, rng, 1e-6, 900);
  for (double edge : RealAxisEdges(check.test())) WalkDoubles(check, edge, 40, {0.0, 1e-300});
  // The bulb discs' rims at their tops and bottoms, where the y of a row decides.
  for (const interior::BulbDisc& bulb : check.test().Bulbs()) {
    for (double im : {bulb.im, -bulb.im}) {
      for (double side : {-1.0, 1.0}) WalkDoubles(check, bulb.re, 20, {im + side * Radius(bulb)});
    }
  }
  check.Expect(900);
}

TEST(InteriorTest, AcceptsBothComponentsUpToTheMargin) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (const Version& v : kVersions) {
    const interior::Test& t = v.test;
    long missed = 0;
    long tried = 0;
    std::string first;
    auto expectAccepted = [&](Complex c) {
      ++tried;
      if (!InKnownComponent(t, c.real(), c.imag()) && missed++ == 0)
        first = Describe(c.real(), c.imag());
    };
    const double inner = 1.0 - 1e-6;
    for (int i = 0; i < 200000; ++i) {
      const Complex w = std::polar(inner * std::sqrt(unit(rng)), angle(rng));
      if (std::abs(1.0 - w) > 1e-3) expectAccepted(CardioidPoint(t.cardioidScale, w));
      expectAccepted(DiscPoint(inner * DiscRadius(t) * std::sqrt(unit(rng)), angle(rng)));
      const interior::BulbDisc& bulb = t.Bulbs()[static_cast<std::size_t>(i) % t.bulbCount];
      expectAccepted(
          BulbPoint(bulb, inner * Radius(bulb) * std::sqrt(unit(rng)), angle(rng), i % 8 < 4));
    }
    EXPECT_EQ(missed, 0) << "of " << tried << ", the first " << first << ", horizon "
                         << t.horizon;
  }
}

TEST(InteriorTest, RejectsPointsJustOutsideTheScaledBoundaries) {
  for (const Version& v : kVersions) {
    const interior::Test& t = v.test;
    long wrong = 0;
    std::string first;
    auto expectRejected = [&](Complex c) {
      if (InKnownComponent(t, c.real(), c.imag()) && wrong++ == 0)
        first = Describe(c.real(), c.imag());
    };
    const double outer = 1.0 + 1e-6;
    for (int i = 0; i < 100000; ++i) {
      const double angle = -kPi + 2.0 * kPi * (i + 0.5) / 100000;
      const Complex w = std::polar(outer, angle);
      // c / scale lies outside the cardioid when neither fixed point, of multipliers w and
      // 2 - w, attracts. Where the whole cardioid and disc meet, at -0.75, a point just
      // outside the one may lie inside the other.
      const Complex justOut = CardioidPoint(t.cardioidScale, w);
      if (std::abs(2.0 - w) > 1.0 + 1e-7 && std::abs(justOut + 1.0) > DiscRadius(t) * outer) {
        expectRejected(justOut);
      }
      if (std::abs(angle) > 1e-2) expectRejected(DiscPoint(outer * DiscRadius(t), angle));
      for (const interior::BulbDisc& bulb : t.Bulbs()) {
        expectRejected(BulbPoint(bulb, outer * Radius(bulb), angle, true));
        expectRejected(BulbPoint(bulb, outer * Radius(bulb), angle, false));
      }
    }
    EXPECT_EQ(wrong, 0) << "the first " << first << ", horizon " << t.horizon;
    for (double edge : RealAxisEdges(t)) {
      const double out =
          edge > -1.0 && edge < -0.75 ? edge + 1e-9 : edge + std::copysign(1e-9, edge);
      if (edge != -0.75) {
        EXPECT_FALSE(InKnownComponent(t, out, 0.0)) << edge;
      }
      EXPECT_TRUE(InKnownComponent(t, edge, 0.0)) << edge;
    }
    for (Complex c : {Complex(0.26, 0.0), Complex(-0.76, 0.1), Complex(-1.26, 0.0),
                      Complex(0.3, 0.45), Complex(-0.21, 0.66), Complex(-0.125, 0.9),
                      Complex(-0.23, 0.744), Complex(0.4, 0.3), Complex(-0.2, -0.85)}) {
      EXPECT_FALSE(InKnownComponent(t, c.real(), c.imag())) << Describe(c.real(), c.imag());
    }
  }
  // Only the test for any limit keeps its margin at the cusp, the pinch and the disc's
  // far end; the one for limits up to 150 reaches them.
  for (Complex c : {Complex(0.25, 0.0), Complex(-0.75, 0.0), Complex(-1.25, 0.0)}) {
    EXPECT_FALSE(InKnownComponent(interior::kForAnyLimit, c.real(), c.imag()));
    EXPECT_TRUE(InKnownComponent(interior::kUpToLimit150, c.real(), c.imag()));
  }
}

TEST(InteriorTest, RejectsNonFiniteAndHugePoints) {
  const double values[] = {kNaN, kInf, -kInf, 1e200, -1e200, DBL_MAX, -DBL_MAX, 1e155, -1e155};
  for (const Version& version : kVersions) {
    const interior::Test& t = version.test;
    for (double v : values) {
      for (double other : {0.0, -1.0, 0.1, v}) {
        EXPECT_FALSE(InKnownComponent(t, v, other)) << Describe(v, other);
        EXPECT_FALSE(InKnownComponent(t, other, v)) << Describe(other, v);
      }
    }
    // The accepted region's own tiny points are still accepted.
    EXPECT_TRUE(InKnownComponent(t, DBL_TRUE_MIN, -DBL_TRUE_MIN));
    EXPECT_TRUE(InKnownComponent(t, -1.0, 1e-300));
  }
}

TEST(InteriorTest, EachLimitGetsATestProvenForIt) {
  EXPECT_EQ(&interior::TestFor(150), &interior::kUpToLimit150);
  EXPECT_EQ(&interior::TestFor(2), &interior::kUpToLimit150);
  EXPECT_EQ(&interior::TestFor(151), &interior::kForAnyLimit);
  EXPECT_EQ(&interior::TestFor(1 << 30), &interior::kForAnyLimit);
}

interior::Test Constants(double cardioidScale, double discRadius) {
  interior::Test k = interior::kForAnyLimit;
  k.cardioidScale = cardioidScale;
  k.cardioidQuarterScale = cardioidScale * 0.25;
  k.cardioidRhs = cardioidScale * cardioidScale * 0.25;
  k.discRadius2 = discRadius * discRadius;
  return k;
}

// The test's constants with the disc in bulb `index` of the given radius.
interior::Test WithBulbRadius(std::size_t index, double radius, const interior::Test& from = interior::kForAnyLimit) {
  interior::Test k = from;
  k.bulbs[index].radius2 = radius * radius;
  return k;
}

interior::Test WithHorizon(const interior::Test& from, int horizon) {
  interior::Test k = from;
  k.horizon = horizon;
  return k;
}

TEST(InteriorProof, HoldsForTheTestsConstants) {
  for (const Version& v : kVersions) {
    interior_proof::ProofOptions options;
    options.test = v.test;
    const interior_proof::ProofSummary s = interior_proof::RunProof(options);
    EXPECT_TRUE(s.gridExact);
    EXPECT_TRUE(s.outsideRejected);
    EXPECT_TRUE(s.cellsProvenAll) << "failed at " << Describe(s.failedRe, s.failedIm)
                                  << ", half side " << s.failedHalf << ", horizon "
                                  << v.test.horizon;
    EXPECT_GT(s.cellsProven, 1000);
    EXPECT_GT(s.cellsRejected, 1000);
  }
}

// Without its margin each part reaches a parabolic point, where orbits creep in too
// slowly for any invariant disk; too large a disc takes in points that escape. Within a
// horizon the whole components hold, but not for a longer one, nor for ever.
TEST(InteriorProof, FailsWhereTheTestHasNoMargin) {
  struct Case {
    interior::Test constants;
    std::vector<Complex> where;  // the failing cell must lie near one of these
    // The box covered, when not the whole plane's: about the part the case breaks.
    double re0 = -2, im0 = -2, re1 = 2, im1 = 2;
  };
  const Case cases[] = {
      {Constants(1.0, DiscRadius(interior::kForAnyLimit)), {{-0.75, 0.0}, {0.25, 0.0}}},
      {Constants(interior::kForAnyLimit.cardioidScale, 0.25), {{-1.25, 0.0}, {-0.75, 0.0}}},
      {Constants(interior::kForAnyLimit.cardioidScale, 0.3), {{-1.3, 0.0}, {-0.7, 0.0}}},
      // Orbits at the cusp creep in for ever, and some just beyond it stay for hundreds
      // of steps: the whole cardioid holds up to 150 steps, not to 400 nor for ever.
      {WithHorizon(interior::kUpToLimit150, 0), {{0.25, 0.0}}, 0.0, -0.25, 0.5, 0.25},
      {WithHorizon(interior::kUpToLimit150, 400), {{0.25, 0.0}}, 0.0, -0.25, 0.5, 0.25},
      {WithBulbRadius(0, 0.1, interior::kUpToLimit150), {{-0.125, 0.744}}, -0.25, 0.625, 0.0,
       0.875},
      // The bulbs are smaller than these discs about their centres.
      {WithBulbRadius(0, 0.1), {{-0.125, 0.744}, {-0.125, -0.744}}},
      {WithBulbRadius(1, 0.05), {{0.28125, 0.53125}}, 0.21875, 0.46875, 0.34375, 0.59375},
      {WithBulbRadius(3, 0.04), {{-0.50439453125, 0.562744140625}}, -0.5625, 0.5, -0.4375, 0.625},
  };
  for (const Case& c : cases) {
    interior_proof::ProofOptions options;
    options.test = c.constants;
    options.re0 = c.re0;
    options.im0 = c.im0;
    options.re1 = c.re1;
    options.im1 = c.im1;
    const interior_proof::ProofSummary s = interior_proof::RunProof(options);
    const Complex failed(s.failedRe, s.failedIm);
    EXPECT_TRUE(s.gridExact);
    EXPECT_FALSE(s.cellsProvenAll);
    double nearest = kInf;
    for (Complex w : c.where) nearest = std::min(nearest, std::abs(failed - w));
    EXPECT_LT(nearest, 0.11) << "scale " << c.constants.cardioidScale << ", disc radius^2 "
                             << c.constants.discRadius2 << ", horizon " << c.constants.horizon
                             << ": failed at " << Describe(s.failedRe, s.failedIm);
  }
}

// The proof decides cells with its own copy of the test's expressions: on single points
// it must be the test itself, or the proof is about some other test.
TEST(InteriorProof, IntervalTestIsThePointTestOnSinglePoints) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-1e-3, 1e-3);
  for (const Version& version : kVersions) {
    const interior::Test& k = version.test;
    long differ = 0;
    std::string first;
    auto compare = [&](Complex c) {
      const double x = c.real();
      const double y = c.imag();
      if (interior_proof::MayAccept(k, {x, x}, {y, y}) != InKnownComponent(k, x, y) &&
          differ++ == 0) {
        first = Describe(x, y);
      }
    };
    for (int i = 0; i < 200000; ++i) {
      compare(CardioidPoint(k.cardioidScale, std::polar(1.0 + offset(rng), angle(rng))));
      compare(DiscPoint(DiscRadius(k) * (1.0 + offset(rng)), angle(rng)));
      compare(BulbPointOf(k, i, 1.0 + offset(rng), angle(rng)));
    }
    for (double v : {kInf, -kInf, DBL_MAX, 1e155, 0.0}) {
      for (double other : {0.0, -1.0, v}) {
        compare({v, other});
        compare({other, v});
      }
    }
    EXPECT_EQ(differ, 0) << "the first " << first << ", horizon " << k.horizon;
  }
}

TEST(InteriorProof, RejectedCellsHoldNoAcceptedPoint) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-2e-3, 2e-3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const Version& version : kVersions) {
    const interior::Test& k = version.test;
    long rejected = 0;
    for (int i = 0; i < 20000; ++i) {
      const double r = 1.0 + offset(rng);
      const double a = angle(rng);
      const Complex c = i % 3 == 0   ? CardioidPoint(k.cardioidScale, std::polar(r, a))
                        : i % 3 == 1 ? DiscPoint(DiscRadius(k) * r, a)
                                     : BulbPointOf(k, i / 3, r, a);
      const double half = 1e-4;
      if (interior_proof::MayAccept(k, {c.real() - half, c.real() + half},
                                    {c.imag() - half, c.imag() + half})) {
        continue;
      }
      ++rejected;
      for (int j = 0; j < 20; ++j) {
        const double x = c.real() + half * (2.0 * unit(rng) - 1.0);
        const double y = c.imag() + half * (2.0 * unit(rng) - 1.0);
        ASSERT_FALSE(InKnownComponent(k, x, y)) << Describe(x, y) << " in a rejected cell";
      }
    }
    EXPECT_GT(rejected, 1000);
    // A cell about an accepted point is never rejected.
    EXPECT_TRUE(interior_proof::MayAccept(k, {-0.1, -0.1}, {0.2, 0.2}));
    EXPECT_TRUE(interior_proof::MayAccept(k, {0.24, 0.25}, {-1e-9, 1e-9}));
    // A cell across the real axis takes in both period-3 bulbs; one beside the upper
    // bulb, where points escape, none.
    EXPECT_TRUE(interior_proof::MayAccept(k, {-0.13, -0.12}, {-0.75, 0.74}));
    EXPECT_FALSE(interior_proof::MayAccept(k, {-0.2, -0.19}, {0.84, 0.9}));
  }
}

// Follows double orbits of points of a cell beside the forms the proof steps, and checks
// that each orbit value lies in its disk: z - (Z + A d) within R, d = c - C.
void ExpectFormsHoldOrbits(Complex centre, double rho, int steps) {
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> side(-rho / std::sqrt(2.0), rho / std::sqrt(2.0));
  const interior_proof::Cell cell{centre.real(), centre.imag(), rho};
  for (int sample = 0; sample < 12; ++sample) {
    const double re = centre.real() + side(rng);
    const double im = centre.imag() + side(rng);
    interior_proof::Form form{centre.real(), centre.imag(), 1.0, 0.0, 0.0};
    double x = re;
    double y = im;
    for (int k = 1; k <= steps; ++k) {
      using Long = std::complex<long double>;
      const Long d = Long(re, im) - Long(centre.real(), centre.imag());
      const Long predicted = Long(form.x, form.y) + Long(form.ax, form.ay) * d;
      const long double off = std::abs(Long(x, y) - predicted);
      ASSERT_LE(off, form.r) << "step " << k << " of " << Describe(re, im) << " about "
                             << Describe(centre.real(), centre.imag()) << ", rho " << rho;
      const double nx = (x * x - y * y) + re;
      const double ny = 2.0 * (x * y) + im;
      x = nx;
      y = ny;
      form = interior_proof::Step(form, cell);
    }
  }
}

TEST(InteriorProof, FormsHoldTheDoubleOrbitsOfTheirCells) {
  for (double rho : {1e-3, 1e-9, 1e-14}) {
    ExpectFormsHoldOrbits({-0.1, 0.3}, rho, 300);
    ExpectFormsHoldOrbits({-0.72, 0.01}, rho, 300);
    ExpectFormsHoldOrbits({-1.0, 0.2}, rho, 300);
    ExpectFormsHoldOrbits({0.23, 0.0}, rho, 300);
  }
}

TEST(InteriorProof, FormsReachingTheEscapeCircleMayEscape) {
  using interior_proof::Form;
  using interior_proof::NeverEscapes;
  const interior_proof::Cell point{-1.0, 0.0, 0.0};
  const interior_proof::Cell cell{-1.0, 0.0, 0.25};
  EXPECT_TRUE(NeverEscapes(Form{1.9, 0.0, 1.0, 0.0, 0.0}, point));
  EXPECT_TRUE(NeverEscapes(Form{0.0, -1.5, 1.0, 0.0, 0.2}, cell));
  EXPECT_FALSE(NeverEscapes(Form{2.0, 0.0, 0.0, 0.0, 0.0}, point));
  EXPECT_FALSE(NeverEscapes(Form{-1.9, 0.0, 0.0, 0.0, 0.1}, point));
  EXPECT_FALSE(NeverEscapes(Form{0.0, 1.5, 0.0, 2.0, 0.0}, cell));  // its slope reaches 2
  EXPECT_FALSE(NeverEscapes(Form{1.0, 1.0, 1.0, 0.0, 0.6}, cell));
}

TEST(InteriorProof, ProvesOnlyCellsWhoseOrbitsStay) {
  EXPECT_TRUE(interior_proof::ProveCell(-0.1, 0.1, 1.0 / 128, 4000).proven);
  EXPECT_TRUE(interior_proof::ProveCell(-1.0, 0.0, 1.0 / 128, 4000).proven);
  EXPECT_TRUE(interior_proof::ProveCell(-0.125, -0.744, 1.0 / 128, 4000).proven);
  EXPECT_FALSE(interior_proof::ProveCell(-0.125, 0.66, 1e-3, 4000).proven);  // escapes
  EXPECT_FALSE(interior_proof::ProveCell(0.3, 0.0, 1e-3, 4000).proven);
  EXPECT_FALSE(interior_proof::ProveCell(0.26, 0.0, 1e-9, 4000).proven);  // escapes at 30
  // Only the corner beyond 0.25 escapes, after some 300 steps: within 150 it stays.
  EXPECT_FALSE(interior_proof::ProveCell(0.245, 0.0, 0.0051, 4000).proven);
  EXPECT_FALSE(interior_proof::ProveCell(0.245, 0.0, 0.0051, 4000, 400).proven);
  EXPECT_TRUE(interior_proof::ProveCell(0.245, 0.0, 0.003, 4000, 150).proven);
  EXPECT_FALSE(interior_proof::ProveCell(0.26, 0.0, 1e-9, 4000, 150).proven);
}


// Row segments the kernel leaves a part of the test out for hold no point that part
// accepts; and segments far from every part leave them all out, so that rows through
// close views away from the main parts skip their tests.
TEST(InteriorTest, SegmentsLeftOutHoldNoAcceptedPoint) {
  std::mt19937_64 random(2718);
  std::uniform_real_distribution<double> re(-2.1, 0.6), im(-1.2, 1.2), logWidth(-12, 0), unit(0, 1);
  for (const Version& v : kVersions) {
    int mainLeftOut = 0, bulbsLeftOut = 0;
    for (int k = 0; k < 40000; ++k) {
      // Half of them along the boundaries of the cardioid and the disc.
      Complex c(re(random), im(random));
      if (k % 2 == 0) {
        const Complex w = std::polar(1.0, 2 * kPi * unit(random));
        c = k % 4 == 0 ? CardioidPoint(v.test.cardioidScale, w)
                       : DiscPoint(DiscRadius(v.test), 2 * kPi * unit(random));
      }
      const double width = std::pow(10.0, logWidth(random));
      const double lo = c.real() - width * unit(random), hi = lo + width, y = c.imag();
      const bool main = interior::MainPartsMayAccept(v.test, lo, hi, y);
      std::vector<bool> bulbs;
      for (const interior::BulbDisc& bulb : v.test.Bulbs()) {
        bulbs.push_back(interior::BulbMayAccept(bulb, lo, hi, y));
        bulbsLeftOut += !bulbs.back();
      }
      mainLeftOut += !main;
      for (int i = 0; i <= 64; ++i) {
        const double x = i == 64 ? hi : lo + (hi - lo) * i / 64;
        if (!main) {
          ASSERT_FALSE(interior::InCardioid(v.test, x, y) || interior::InDisc(v.test, x, y))
              << "segment " << lo << " " << hi << " at " << y << ", point " << x;
        }
        for (std::size_t b = 0; b < bulbs.size(); ++b) {
          if (bulbs[b]) continue;
          ASSERT_FALSE(interior::InBulb(v.test.Bulbs()[b], x, y))
              << "bulb " << b << ", segment " << lo << " " << hi << " at " << y;
        }
      }
    }
    EXPECT_GT(mainLeftOut, 10000);
    EXPECT_GT(bulbsLeftOut, 10000 * static_cast<int>(v.test.Bulbs().size()));
  }
  // A close view of the boundary between the cardioid and the disc is clear of both;
  // segments that are not finite keep every part.
  const interior::Test& test = interior::kUpToLimit150;
  EXPECT_FALSE(interior::MainPartsMayAccept(test, -0.7454, -0.7449, 0.1130));
  EXPECT_TRUE(interior::MainPartsMayAccept(test, -0.7454, -0.7449, 0.0));
  EXPECT_TRUE(interior::MainPartsMayAccept(test, -kInf, 3.0, 0.1130));
  EXPECT_TRUE(interior::MainPartsMayAccept(test, kNaN, 3.0, 0.1130));
  EXPECT_TRUE(interior::BulbMayAccept(test.Bulbs()[0], 1.0, 0.5, 0.1130));  // reversed
}

}  // namespace
