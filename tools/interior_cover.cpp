// The proof's arithmetic; why each bound holds is argued in tools/interior_proof.cpp.

#include "interior_cover.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace interior_proof {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- The test over a box of doubles -------------------------------------------------
// Rounding to nearest is monotone, and each exact operation below takes its extremes at
// the ends of its arguments' ranges, so applying the same double operation to the ends
// bounds every double result the test's own evaluation can give in the box.

Interval Whole() {
  return {-kInf, kInf};
}

Interval Add(Interval a, Interval b) {
  const Interval r{a.lo + b.lo, a.hi + b.hi};
  return std::isnan(r.lo) || std::isnan(r.hi) ? Whole() : r;
}

Interval Sub(Interval a, double k) {
  return Add(a, {-k, -k});
}

Interval Mul(Interval a, Interval b) {
  const double p[] = {a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi};
  for (double v : p) {
    if (std::isnan(v)) return Whole();  // 0 times infinity at a corner
  }
  return {*std::min_element(p, p + 4), *std::max_element(p, p + 4)};
}

Interval Scale(double k, Interval a) {
  return Mul({k, k}, a);
}

// v * v of one value: never negative, unlike the product of two independent ranges.
Interval Square(Interval a) {
  if (a.lo >= 0) return {a.lo * a.lo, a.hi * a.hi};
  if (a.hi <= 0) return {a.hi * a.hi, a.lo * a.lo};
  return {0.0, std::max(a.lo * a.lo, a.hi * a.hi)};
}

// interior::InCardioid, operation by operation.
bool CardioidMayAccept(const interior::Test& k, Interval x, Interval y) {
  const Interval a = Sub(x, k.cardioidQuarterScale);
  const Interval y2 = Square(y);
  const Interval q = Add(Square(a), y2);
  if (!(q.lo <= 2.0)) return false;
  const Interval lhs = Mul(q, Add(q, Scale(k.cardioidScale, a)));
  return lhs.lo <= Scale(k.cardioidRhs, y2).hi;
}

// |v| of one value.
Interval Abs(Interval a) {
  if (a.lo >= 0) return a;
  if (a.hi <= 0) return {-a.hi, -a.lo};
  return {0.0, std::max(-a.lo, a.hi)};
}

// interior::InBulb, operation by operation.
bool BulbMayAccept(const interior::BulbDisc& bulb, Interval x, Interval y) {
  const Interval b = Sub(x, bulb.re);
  const Interval e = Sub(Abs(y), bulb.im);
  return Add(Square(b), Square(e)).lo <= bulb.radius2;
}

bool BulbsMayAccept(const interior::Test& k, Interval x, Interval y) {
  for (const interior::BulbDisc& bulb : k.Bulbs()) {
    if (BulbMayAccept(bulb, x, y)) return true;
  }
  return false;
}

// interior::InDisc, operation by operation.
bool DiscMayAccept(const interior::Test& k, Interval x, Interval y) {
  const Interval b = Add(x, {1.0, 1.0});
  return Add(Square(b), Square(y)).lo <= k.discRadius2;
}

// ---- Orbit enclosure -----------------------------------------------------------------
// Every bound is an upper bound: Up() covers the rounding of up to a hundred additions
// and multiplications of non-negative doubles, and any underflow on the way.

constexpr double kUnit = 0x1p-53;       // relative error of one rounded operation
constexpr double kEscapeBound = 1.997;  // |z| <= this keeps the double |z|^2 below 4

double Up(double v) {
  return v * (1.0 + 0x1p-40) + 1e-300;
}

// An upper bound on |(x, y)|, also when x * x or y * y underflows.
double AbsUp(double x, double y) {
  return std::sqrt(x * x + y * y) * (1.0 + 0x1p-40) + 1e-150;
}

// The plain loop's step on the centres, exactly as it rounds.
void StepCentre(double x, double y, double re, double im, double& nx, double& ny) {
  nx = (x * x - y * y) + re;
  ny = 2.0 * (x * y) + im;
}

// The largest |z| over the form, for every c of the cell, rounded up.
double ReachUp(const Form& z, const Cell& c) {
  return Up(AbsUp(z.x, z.y) + Up(AbsUp(z.ax, z.ay) * c.rho) + z.r);
}

// What `outer`'s radius must be at least to hold `inner`, for every c of the cell.
double HoldUp(const Form& outer, const Form& inner, const Cell& c) {
  const double centres = AbsUp(inner.x - outer.x, inner.y - outer.y);
  const double slopes = Up(AbsUp(inner.ax - outer.ax, inner.ay - outer.ay) * c.rho);
  return Up(centres + slopes + inner.r);
}

// The longest cycle an invariant form is tried for: the largest of the bulbs' periods.
constexpr int kLongestCycle = 5;

// The fewest steps, up to kLongestCycle, that map `d` into itself, every form on the way
// never escaping; 0 when there are none.
int StepsBack(const Form& d, const Cell& c) {
  if (!NeverEscapes(d, c)) return 0;
  Form e = d;
  for (int p = 1; p <= kLongestCycle; ++p) {
    e = Step(e, c);
    if (!NeverEscapes(e, c)) return 0;
    if (HoldUp(d, e, c) <= d.r) return p;
  }
  return 0;
}

// Where the orbit of the cell's centre settles if the test aims right, with its slope
// in c: the attracting fixed point, and the 2-cycle point nearer z. Only guesses for
// where an invariant form may lie: nothing rests on their accuracy.
struct Guess {
  std::complex<double> point;
  std::complex<double> slope;
};

Guess FixedPoint(std::complex<double> c) {
  const std::complex<double> root = std::sqrt(1.0 - 4.0 * c);
  return {(1.0 - root) * 0.5, 1.0 / root};
}

Guess CyclePoint(std::complex<double> c, std::complex<double> z) {
  const std::complex<double> root = std::sqrt(-3.0 - 4.0 * c);
  std::complex<double> a = (-1.0 + root) * 0.5;
  if (std::abs(a - z) > std::abs(-1.0 - a - z)) a = -1.0 - a;
  const std::complex<double> b = -1.0 - a;
  return {a, (2.0 * b + 1.0) / (1.0 - 4.0 * a * b)};
}

// Tries forms about z's own centre and about the guesses, each holding z, for one to
// five steps (the bulbs' cycles have periods 3, 4 and 5: only the form about z's own
// centre can close there). Returns the steps the invariant one needs, 0 when none is.
int TryInvariant(const Form& z, const Cell& c) {
  const std::complex<double> centre(c.re, c.im);
  const std::complex<double> here(z.x, z.y);
  const Guess guesses[] = {{here, {z.ax, z.ay}}, FixedPoint(centre), CyclePoint(centre, here)};
  for (const Guess& g : guesses) {
    Form d{g.point.real(), g.point.imag(), g.slope.real(), g.slope.imag(), 0.0};
    const double hold = HoldUp(d, z, c);
    if (!std::isfinite(hold)) continue;
    for (double grow : {1.5, 3.0, 10.0}) {
      d.r = Up(hold * grow);
      if (const int p = StepsBack(d, c)) return p;
    }
  }
  return 0;
}

// ---- The cover -----------------------------------------------------------------------

struct Cover {
  const ProofOptions& options;
  ProofSummary summary;
  bool failed = false;
};

void Visit(Cover& cover, double re, double im, double half, int depth) {
  ProofSummary& s = cover.summary;
  s.deepest = std::max(s.deepest, depth);
  if (!MayAccept(cover.options.test, {re - half, re + half}, {im - half, im + half})) {
    ++s.cellsRejected;
    return;
  }
  const CellOutcome outcome =
      ProveCell(re, im, half, cover.options.maxSteps, cover.options.test.horizon);
  if (outcome.proven) {
    ++s.cellsProven;
    s.steps += outcome.steps;
    s.mostSteps = std::max(s.mostSteps, outcome.steps);
    return;
  }
  if (depth >= cover.options.maxDepth) {
    cover.failed = true;
    s.failedRe = re;
    s.failedIm = im;
    s.failedHalf = half;
    return;
  }
  const double h = half * 0.5;
  for (double dx : {-h, h}) {
    for (double dy : {-h, h}) {
      if (!cover.failed) Visit(cover, re + dx, im + dy, h, depth + 1);
    }
  }
}

bool OutsideRejected(const ProofOptions& o) {
  const interior::Test& k = o.test;
  return !MayAccept(k, {o.re1, kInf}, Whole()) && !MayAccept(k, {-kInf, o.re0}, Whole()) &&
         !MayAccept(k, {o.re0, o.re1}, {o.im1, kInf}) &&
         !MayAccept(k, {o.re0, o.re1}, {-kInf, o.im0});
}

// Cells must tile the box with no gap between doubles: with a power-of-two side, box
// ends on that grid, and a bounded depth, every centre, end and half side is exact.
bool GridExact(const ProofOptions& o) {
  int exponent = 0;
  if (!(o.coarseSide > 0) || std::frexp(o.coarseSide, &exponent) != 0.5) return false;
  if (o.maxDepth < 0 || o.maxDepth > 30 || !(o.re0 < o.re1) || !(o.im0 < o.im1)) return false;
  for (double end : {o.re0, o.re1, o.im0, o.im1}) {
    const double units = end / o.coarseSide;
    if (!(std::fabs(units) <= 0x1p20) || units != std::trunc(units)) return false;
  }
  return true;
}

}  // namespace

Form Step(const Form& z, const Cell& c) {
  const double absZ = AbsUp(z.x, z.y);
  const double spread = Up(AbsUp(z.ax, z.ay) * c.rho);
  const double m = Up(absZ + spread + z.r);
  const double b = Up(AbsUp(c.re, c.im) + c.rho);
  const double rounding =
      Up(12.0 * kUnit * Up(m * m + b) + 16.0 * kUnit * Up(absZ * spread + c.rho));
  Form out;
  StepCentre(z.x, z.y, c.re, c.im, out.x, out.y);
  out.ax = 2.0 * (z.x * z.ax - z.y * z.ay) + 1.0;
  out.ay = 2.0 * (z.x * z.ay + z.y * z.ax);
  out.r = Up(spread * spread + 2.0 * (absZ + spread) * z.r + z.r * z.r + rounding);
  return out;
}

bool NeverEscapes(const Form& z, const Cell& c) {
  return ReachUp(z, c) <= kEscapeBound;
}

bool MayAccept(const interior::Test& test, Interval xs, Interval ys) {
  return CardioidMayAccept(test, xs, ys) || DiscMayAccept(test, xs, ys) ||
         BulbsMayAccept(test, xs, ys);
}

CellOutcome ProveCell(double re, double im, double half, int maxSteps, int horizon) {
  // The disk about the square's centre through its corners: half * sqrt(2), rounded up.
  const Cell c{re, im, Up(half * 1.4142135624)};
  Form z{re, im, 1.0, 0.0, 0.0};  // z1 = c exactly; the loop never tests it
  int nextTry = 1;
  for (int k = 1; k <= maxSteps; ++k) {
    if (k >= 2 && !NeverEscapes(z, c)) return {};
    // Within a horizon, the steps up to it are the whole proof: no invariant form needed.
    if (horizon > 0 && k >= horizon) return {true, k};
    if (horizon <= 0 && k >= nextTry) {
      if (const int p = TryInvariant(z, c)) return {true, k + p};
      nextTry = k < 16 ? k + 1 : k + k / 8;
    }
    z = Step(z, c);
  }
  return {};
}

ProofSummary RunProof(const ProofOptions& options) {
  Cover cover{options, {}};
  cover.summary.gridExact = GridExact(options);
  if (!cover.summary.gridExact) return cover.summary;
  cover.summary.outsideRejected = OutsideRejected(options);
  const double side = options.coarseSide;
  const long long columns = std::llround((options.re1 - options.re0) / side);
  const long long rows = std::llround((options.im1 - options.im0) / side);
  for (long long i = 0; i < columns && !cover.failed; ++i) {
    for (long long j = 0; j < rows && !cover.failed; ++j) {
      const double re = options.re0 + (static_cast<double>(i) + 0.5) * side;
      const double im = options.im0 + (static_cast<double>(j) + 0.5) * side;
      Visit(cover, re, im, side * 0.5, 0);
    }
  }
  cover.summary.cellsProvenAll = !cover.failed;
  return cover.summary;
}

}  // namespace interior_proof
