// The fast pass's interior shortcut: every point interior::InKnownComponent accepts must
// reach the limit in the plain loop. Brute force in and near the margin of each part
// (cardioid, period-2 disc, the bulb discs), the accepted shape pinned from both sides,
// and the proof that covers every double point (tools/interior_proof.cpp states it), run
// in-process on the real constants and on broken ones.
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
constexpr double kScale = interior::kCardioidScale;
constexpr int kLargeLimit = 20000;

double DiscRadius() {
  return std::sqrt(interior::kDiscRadius2);
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
Complex BulbPointOf(int i, double scale, double angle) {
  const auto& bulb = interior::kBulbs[static_cast<std::size_t>(i / 2) % interior::kBulbs.size()];
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
  explicit ShortcutCheck(int limit) : limit_(limit) {}

  void Point(double re, double im) {
    if (!InKnownComponent(re, im)) return;
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
                         << " with limit " << limit_;
    EXPECT_GE(accepted_, least);
  }

 private:
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
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-width, width);
  for (int i = 0; i < count; ++i) {
    check.Point(CardioidPoint(kScale, std::polar(1.0 + offset(rng), angle(rng))));
    if (i % 3 == 0) check.Point(DiscPoint(DiscRadius() * (1.0 + offset(rng)), angle(rng)));
    if (i % 3 == 1) {
      check.Point(BulbPointOf(i / 3, 1.0 + offset(rng), angle(rng)));
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
Complex AcceptedEdge(Complex inside, Complex outside) {
  for (int i = 0; i < 200; ++i) {
    const Complex middle = 0.5 * (inside + outside);
    if (middle == inside || middle == outside) break;
    (InKnownComponent(middle.real(), middle.imag()) ? inside : outside) = middle;
  }
  return inside;
}

// The accepted region's ends on the real axis: the cusp, the pinch side of each part and
// the far rim of the disc.
std::vector<double> RealAxisEdges() {
  return {kScale * 0.25, -0.75 * kScale, -1.0 + DiscRadius(), -1.0 - DiscRadius()};
}

TEST(InteriorShortcut, AcceptedPointsOfAFineGridReachTheLimit) {
  ShortcutCheck check(kIterationLimit);
  Grid(check, -1.26, 0.39, -0.66, 0.66, 1600, 1400);
  check.Expect(1200000);
}

TEST(InteriorShortcut, AcceptedPointsOfEveryBulbDiscReachTheLimit) {
  ShortcutCheck check(kIterationLimit);
  for (const interior::BulbDisc& bulb : interior::kBulbs) {
    const double r = Radius(bulb) * 1.01;
    for (double im : {bulb.im, -bulb.im})
      Grid(check, bulb.re - r, bulb.re + r, im - r, im + r, 400, 400);
  }
  check.Expect(900000);
}

TEST(InteriorShortcut, PointsInABandAboutBothBoundariesReachTheLimit) {
  std::mt19937_64 rng(20240611);
  ShortcutCheck check(kIterationLimit);
  Band(check, rng, 0x1p-10, 600000);
  Band(check, rng, 1e-9, 200000);
  check.Expect(500000);
}

TEST(InteriorShortcut, AxesCuspPinchAndRimReachTheLimit) {
  ShortcutCheck check(kIterationLimit);
  const std::vector<double> nearAxis = {0.0, -0.0, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1e-300, 1e-160};
  for (double edge : RealAxisEdges()) WalkDoubles(check, edge, 5000, nearAxis);
  Grid(check, -1.3, 0.3, 0.0, 0.0, 100000, 1);
  const Complex top = AcceptedEdge({0.0, 0.0}, {0.0, 0.7});
  WalkDoubles(check, top.real(), 3000, {top.imag(), -top.imag()});
  for (double x : {0.0, -0.0}) Grid(check, x, x, -0.7, 0.7, 1, 50000);
  Grid(check, 0.20, 0.26, -0.03, 0.03, 300, 300);    // the cusp
  Grid(check, -0.78, -0.70, -0.04, 0.04, 300, 300);  // the pinch and the disc's near rim
  Grid(check, -1.26, -1.22, -0.04, 0.04, 200, 200);  // the disc's far rim
  check.Expect(250000);
}

TEST(InteriorShortcut, PointsAtTheMarginStayForALargeLimit) {
  std::mt19937_64 rng(7);
  ShortcutCheck check(kLargeLimit);
  Band(check, rng, 1e-6, 900);
  for (double edge : RealAxisEdges()) WalkDoubles(check, edge, 40, {0.0, 1e-300});
  // The bulb discs' rims at their tops and bottoms, where the y of a row decides.
  for (const interior::BulbDisc& bulb : interior::kBulbs) {
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
  long missed = 0;
  long tried = 0;
  std::string first;
  auto expectAccepted = [&](Complex c) {
    ++tried;
    if (!InKnownComponent(c.real(), c.imag()) && missed++ == 0)
      first = Describe(c.real(), c.imag());
  };
  const double inner = 1.0 - 1e-6;
  for (int i = 0; i < 200000; ++i) {
    const Complex w = std::polar(inner * std::sqrt(unit(rng)), angle(rng));
    if (std::abs(1.0 - w) > 1e-3) expectAccepted(CardioidPoint(kScale, w));
    expectAccepted(DiscPoint(inner * DiscRadius() * std::sqrt(unit(rng)), angle(rng)));
    const interior::BulbDisc& bulb = interior::kBulbs[static_cast<std::size_t>(i) % 4];
    expectAccepted(
        BulbPoint(bulb, inner * Radius(bulb) * std::sqrt(unit(rng)), angle(rng), i % 8 < 4));
  }
  EXPECT_EQ(missed, 0) << "of " << tried << ", the first " << first;
}

TEST(InteriorTest, RejectsPointsJustOutsideTheScaledBoundaries) {
  long wrong = 0;
  std::string first;
  auto expectRejected = [&](Complex c) {
    if (InKnownComponent(c.real(), c.imag()) && wrong++ == 0) first = Describe(c.real(), c.imag());
  };
  const double outer = 1.0 + 1e-6;
  for (int i = 0; i < 100000; ++i) {
    const double angle = -kPi + 2.0 * kPi * (i + 0.5) / 100000;
    const Complex w = std::polar(outer, angle);
    // c / scale lies outside the cardioid when neither fixed point, of multipliers w and
    // 2 - w, attracts.
    if (std::abs(2.0 - w) > 1.0 + 1e-7) expectRejected(CardioidPoint(kScale, w));
    expectRejected(DiscPoint(outer * DiscRadius(), angle));
    for (const interior::BulbDisc& bulb : interior::kBulbs) {
      expectRejected(BulbPoint(bulb, outer * Radius(bulb), angle, true));
      expectRejected(BulbPoint(bulb, outer * Radius(bulb), angle, false));
    }
  }
  EXPECT_EQ(wrong, 0) << "the first " << first;
  for (double edge : RealAxisEdges()) {
    const double out = edge > -1.0 && edge < -0.75 ? edge + 1e-9 : edge + std::copysign(1e-9, edge);
    EXPECT_FALSE(InKnownComponent(out, 0.0)) << edge;
    EXPECT_TRUE(InKnownComponent(edge, 0.0)) << edge;
  }
  for (Complex c : {Complex(0.26, 0.0), Complex(-0.76, 0.1), Complex(0.25, 0.0),
                    Complex(-0.75, 0.0), Complex(-1.25, 0.0), Complex(0.3, 0.5),
                    Complex(-0.125, 0.65), Complex(-0.125, -0.83), Complex(-0.21, 0.744)}) {
    EXPECT_FALSE(InKnownComponent(c.real(), c.imag())) << Describe(c.real(), c.imag());
  }
}

TEST(InteriorTest, RejectsNonFiniteAndHugePoints) {
  const double values[] = {kNaN, kInf, -kInf, 1e200, -1e200, DBL_MAX, -DBL_MAX, 1e155, -1e155};
  for (double v : values) {
    for (double other : {0.0, -1.0, 0.1, v}) {
      EXPECT_FALSE(InKnownComponent(v, other)) << Describe(v, other);
      EXPECT_FALSE(InKnownComponent(other, v)) << Describe(other, v);
    }
  }
  // The accepted region's own tiny points are still accepted.
  EXPECT_TRUE(InKnownComponent(DBL_TRUE_MIN, -DBL_TRUE_MIN));
  EXPECT_TRUE(InKnownComponent(-1.0, 1e-300));
}

interior_proof::TestConstants Constants(double cardioidScale, double discRadius) {
  interior_proof::TestConstants k;
  k.cardioidScale = cardioidScale;
  k.cardioidQuarterScale = cardioidScale * 0.25;
  k.cardioidRhs = cardioidScale * cardioidScale * 0.25;
  k.discRadius2 = discRadius * discRadius;
  return k;
}

// The test's constants with the disc in bulb `index` of the given radius.
interior_proof::TestConstants WithBulbRadius(std::size_t index, double radius) {
  interior_proof::TestConstants k;
  k.bulbs[index].radius2 = radius * radius;
  return k;
}

TEST(InteriorProof, HoldsForTheTestsConstants) {
  const interior_proof::ProofSummary s = interior_proof::RunProof({});
  EXPECT_TRUE(s.gridExact);
  EXPECT_TRUE(s.outsideRejected);
  EXPECT_TRUE(s.cellsProvenAll) << "failed at " << Describe(s.failedRe, s.failedIm)
                                << ", half side " << s.failedHalf;
  EXPECT_GT(s.cellsProven, 1000);
  EXPECT_GT(s.cellsRejected, 1000);
}

// Without its margin each part reaches a parabolic point, where orbits creep in too
// slowly for any invariant disk; too large a disc takes in points that escape.
TEST(InteriorProof, FailsWhereTheTestHasNoMargin) {
  struct Case {
    interior_proof::TestConstants constants;
    std::vector<Complex> where;  // the failing cell must lie near one of these
    // The box covered, when not the whole plane's: about the part the case breaks.
    double re0 = -2, im0 = -2, re1 = 2, im1 = 2;
  };
  const Case cases[] = {
      {Constants(1.0, DiscRadius()), {{-0.75, 0.0}, {0.25, 0.0}}},
      {Constants(kScale, 0.25), {{-1.25, 0.0}, {-0.75, 0.0}}},
      {Constants(kScale, 0.3), {{-1.3, 0.0}, {-0.7, 0.0}}},
      // The bulbs are smaller than these discs about their centres.
      {WithBulbRadius(0, 0.1), {{-0.125, 0.744}, {-0.125, -0.744}}},
      {WithBulbRadius(1, 0.05), {{0.28125, 0.53125}}, 0.21875, 0.46875, 0.34375, 0.59375},
      {WithBulbRadius(3, 0.04), {{-0.50439453125, 0.562744140625}}, -0.5625, 0.5, -0.4375, 0.625},
  };
  for (const Case& c : cases) {
    interior_proof::ProofOptions options;
    options.constants = c.constants;
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
                             << c.constants.discRadius2 << ": failed at "
                             << Describe(s.failedRe, s.failedIm);
  }
}

// The proof decides cells with its own copy of the test's expressions: on single points
// it must be the test itself, or the proof is about some other test.
TEST(InteriorProof, IntervalTestIsThePointTestOnSinglePoints) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-1e-3, 1e-3);
  const interior_proof::TestConstants k;
  long differ = 0;
  std::string first;
  auto compare = [&](Complex c) {
    const double x = c.real();
    const double y = c.imag();
    if (interior_proof::MayAccept(k, {x, x}, {y, y}) != InKnownComponent(x, y) && differ++ == 0) {
      first = Describe(x, y);
    }
  };
  for (int i = 0; i < 200000; ++i) {
    compare(CardioidPoint(kScale, std::polar(1.0 + offset(rng), angle(rng))));
    compare(DiscPoint(DiscRadius() * (1.0 + offset(rng)), angle(rng)));
    compare(BulbPointOf(i, 1.0 + offset(rng), angle(rng)));
  }
  for (double v : {kInf, -kInf, DBL_MAX, 1e155, 0.0}) {
    for (double other : {0.0, -1.0, v}) {
      compare({v, other});
      compare({other, v});
    }
  }
  EXPECT_EQ(differ, 0) << "the first " << first;
}

TEST(InteriorProof, RejectedCellsHoldNoAcceptedPoint) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-2e-3, 2e-3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const interior_proof::TestConstants k;
  long rejected = 0;
  for (int i = 0; i < 20000; ++i) {
    const double r = 1.0 + offset(rng);
    const double a = angle(rng);
    const Complex c = i % 3 == 0   ? CardioidPoint(kScale, std::polar(r, a))
                      : i % 3 == 1 ? DiscPoint(DiscRadius() * r, a)
                                   : BulbPointOf(i / 3, r, a);
    const double half = 1e-4;
    if (interior_proof::MayAccept(k, {c.real() - half, c.real() + half},
                                  {c.imag() - half, c.imag() + half})) {
      continue;
    }
    ++rejected;
    for (int j = 0; j < 20; ++j) {
      const double x = c.real() + half * (2.0 * unit(rng) - 1.0);
      const double y = c.imag() + half * (2.0 * unit(rng) - 1.0);
      ASSERT_FALSE(InKnownComponent(x, y)) << Describe(x, y) << " in a rejected cell";
    }
  }
  EXPECT_GT(rejected, 1000);
  // A cell about an accepted point is never rejected.
  EXPECT_TRUE(interior_proof::MayAccept(k, {-0.1, -0.1}, {0.2, 0.2}));
  EXPECT_TRUE(interior_proof::MayAccept(k, {0.24, 0.25}, {-1e-9, 1e-9}));
  // A cell across the real axis takes in both bulbs, one just above the upper bulb none.
  EXPECT_TRUE(interior_proof::MayAccept(k, {-0.13, -0.12}, {-0.75, 0.74}));
  EXPECT_FALSE(interior_proof::MayAccept(k, {-0.13, -0.12}, {0.823, 0.9}));
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
  // Only the corner beyond 0.25 escapes, after some 300 steps.
  EXPECT_FALSE(interior_proof::ProveCell(0.245, 0.0, 0.0051, 4000).proven);
}

}  // namespace
