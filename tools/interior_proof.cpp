// interior-proof: checks, for every double point c that interior::InKnownComponent
// accepts, that the plain loop (EscapeCount) never sees its rounded orbit pass the escape
// test: with interior::kForAnyLimit for any limit, with interior::kUpToLimit150 for the
// limits up to 150. The fast pass relies on it to give such points limit + 1 at once.
// Exit 0 when both proofs hold; otherwise 1, naming the cell that could not be proven.
//
// THE ARGUMENT
//
// The loop. z1 = c; z(k+1) = fl(z(k)^2 + c) with the two parts rounded operation by
// operation: nx = ((x*x - y*y) + re), ny = (2*(x*y) + im), in IEEE doubles rounded to
// nearest (the program never changes the rounding mode, and x86-64 computes doubles in
// SSE2, never in extended precision), no fused multiply-add. Steps k >= 2 are tested:
// the point escapes when fl(nx*nx + ny*ny) > 4. Nothing else of the loop matters: if no
// z(k) with k >= 2 ever passes that test, the count is limit + 1 whatever the limit, as
// long as the limit is 1 or more (below 1 the loop returns 2, not limit + 1, so the
// shortcut must leave such limits to it).
//
// Which points. The plane is split into a box (here [-2, 2]^2) and four strips beyond
// it, out to infinity. The test is evaluated over a range of doubles by interval
// arithmetic on doubles: rounding to nearest is monotone and every operation of the test
// (sums, differences, products, squares, and |y|, which is exact) takes its extremes at
// the ends of its arguments' ranges or at 0, so the same double operation applied to the
// ends bounds every double value the test's own evaluation can take; where a corner
// would give NaN (0 * inf) the whole line stands in for it. A NaN value only ever makes
// a comparison false. The four strips are rejected this way at once (q > 2,
// b^2 + y^2 > r^2 and b^2 + e^2 > r^2 there, infinities included). NaN coordinates are
// rejected because every comparison with NaN is false.
// The box is tiled with squares of c whose edges are exact doubles shared by neighbours,
// so every double point of the box lies in a closed square. A square the interval test
// rejects holds no accepted point. Every other square must be proven for all of its c,
// accepted or not (proving more than needed is sound).
//
// Proving a square. Let D(C, rho) hold the square (rho = half side * sqrt 2, rounded
// up) and write c = C + d, |d| <= rho. The orbit is enclosed in first-order forms
// S(k) = { Z + A d + e : |e| <= R }, one disk for each c, whose centre moves with c: the
// spread of the orbit is carried by A d and only what is quadratic in rho lands in R.
// S(1) = (C, 1, 0) holds z1 = c exactly. Step: for z = Z + A d + e in S(k) with the same
// c, the exact z^2 + c = (Z^2 + C) + (2 Z A + 1) d + [A^2 d^2 + 2 (Z + A d) e + e^2], and
// the bracket is at most |A|^2 rho^2 + 2 (|Z| + |A| rho) R + R^2. The double step adds its
// rounding: with u = 2^-53 per operation, |x|, |y| <= M = |Z| + |A| rho + R and |re|,
// |im| <= B = |C| + rho, the real part is off by at most 3.01 u M^2 + u B + 3 eta
// (eta = 2^-1075, the absolute error of a product in the subnormal range; sums of doubles
// are exact there, and doubling is exact) and the imaginary part by 2.01 u M^2 + u B +
// 3 eta.
// The new centre is the same double step of (Z, C), off from Z^2 + C by no more; the new
// slope 2 Z A + 1, computed in doubles, is off by at most 16 u (|Z| |A| + 1), times |d| <=
// rho. So 12 u (M^2 + B) + 16 u (|Z| |A| + 1) rho + 1e-300 covers all rounding. Every
// radius is computed from upper bounds of non-negative terms and then multiplied by
// 1 + 2^-40 plus 1e-300: that covers the rounding of far more operations than any bound
// uses; moduli add 1e-150 for the underflow of x*x + y*y. So for every c of the square,
// its double z(k+1) lies in its disk of S(k+1) whenever its z(k) lies in its disk of S(k).
//
// Never escaping. A form never escapes when |Z| + |A| rho + R <= 1.997: then the exact
// |z|^2 <= 3.988 for each of its points and the double nx*nx + ny*ny, two products and a
// sum off by a factor (1 + u)^2 at most, stays below 4. S(2), S(3), ... must all never
// escape.
//
// Ending. After step k, a form S' = (W, A', R') holding S(k) (|Z - W| + |A - A'| rho + R
// <= R') is tried, with (W, A') the current centre and slope, or the attracting fixed
// point or the nearer 2-cycle point of C with its slope in c (only guesses: nothing rests
// on their accuracy), and R' a few multiples of what holding S(k) needs. S' is invariant
// when it never escapes, its p enclosure steps (p = 1 to 5) never escape, and the p-th
// lies inside S'. Then for each c, by induction on j, z(k + j p) lies in S' and
// z(k + j p + i), 0 < i < p, in the i-th image of S', for every j >= 0: all steps from k
// on never escape, and steps 2..k did not either. A square that escapes, or finds no
// invariant form within the step budget, is cut into four and each quarter is decided
// again; one at the deepest level that still fails ends the proof with exit status 1.
//
// Within a horizon H. The loop with the limit L tests z2 .. zL and nothing else, so if
// S(2) .. S(H) never escape, no limit up to H sees the escape test pass: the square is
// proven for those limits without any invariant form. This is how the test for limits
// up to 150 takes the whole cardioid and disc: at their parabolic points (the cusp 0.25,
// the pinch -0.75, -1.25, and where bulbs touch) orbits creep towards their cycle too
// slowly to be held for ever, but they stay far from |z| = 2. Squares reaching across
// such a boundary also hold points outside, which stay for a while and then leave: they
// are cut down until the part outside stays for H steps (near the cusp, down to sides of
// about 4e-6).
//
// Why it closes. Near its cycle the orbit of c contracts with a multiplier of modulus at
// most about 0.988 (the cardioid scaled by 63/64, at -0.7383, and all along its top and
// bottom), 63/64 (the disc) or about 0.82 (the discs in the bulbs of periods 3, 4 and 5,
// whose forms close about the orbit's own point after as many steps as the period). A
// form about the cycle with its slope in c is then invariant for any R' between about
// |A|^2 rho^2 / g and g, g = 1 - |multiplier| - 2 |A| rho: squares of side 1/64 close
// away from the margin, smaller ones near the pinch and the cusp. Plain disks, blind to
// how the orbit follows c, add rho at every step and need rho below about
// (1 - |multiplier|)^2 / 4: tried for a scale of 31/32, they took 5.4 million squares
// and 90 s, against some 19 thousand squares and half a second with forms. The margin
// costs proof time as it narrows: 63/64 takes 105 thousand squares and about 5 s,
// 127/128 725 thousand squares and 40 s, too long for the tests to run each time.
//
// With --scale S the same proof is run for the test with interior.h's expressions and
// the constants that scale S gives them, to see which margins could be proven; with
// --horizon H as well, for the limits up to H.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "interior_cover.h"

namespace {

bool SameTest(const interior::Test& a, const interior::Test& b) {
  bool same = a.horizon == b.horizon && a.bulbCount == b.bulbCount &&
              a.cardioidScale == b.cardioidScale &&
              a.cardioidQuarterScale == b.cardioidQuarterScale &&
              a.cardioidRhs == b.cardioidRhs && a.discRadius2 == b.discRadius2;
  for (std::size_t i = 0; same && i < a.bulbCount; ++i) {
    const interior::BulbDisc &mine = a.bulbs[i], &theirs = b.bulbs[i];
    same = same && mine.re == theirs.re && mine.im == theirs.im && mine.radius2 == theirs.radius2;
  }
  return same;
}

const char* NameOf(const interior::Test& t) {
  if (SameTest(t, interior::kForAnyLimit)) return "interior.h's test for any limit";
  if (SameTest(t, interior::kUpToLimit150)) return "interior.h's test for limits up to 150";
  return "not one of interior.h's tests";
}

void PrintSummary(const interior_proof::ProofOptions& o, const interior_proof::ProofSummary& s,
                  double seconds) {
  const interior::Test& t = o.test;
  std::printf("interior-proof: %s; ", NameOf(t));
  if (t.horizon > 0) {
    std::printf("limits up to %d\n", t.horizon);
  } else {
    std::printf("every limit\n");
  }
  std::printf("  cardioid scale %.17g, disc radius^2 %.17g\n", t.cardioidScale, t.discRadius2);
  for (const interior::BulbDisc& bulb : t.Bulbs()) {
    std::printf("  bulb disc about %.17g +- %.17gi, radius^2 %.17g\n", bulb.re, bulb.im,
                bulb.radius2);
  }
  std::printf("  box [%g, %g] x [%g, %g], coarse side %g, up to %d halvings, %d steps\n", o.re0,
              o.re1, o.im0, o.im1, o.coarseSide, o.maxDepth, o.maxSteps);
  std::printf("  grid exact: %s; plane beyond the box rejected: %s\n", s.gridExact ? "yes" : "NO",
              s.outsideRejected ? "yes" : "NO");
  std::printf("  cells proven %lld, rejected by the test %lld\n", s.cellsProven, s.cellsRejected);
  std::printf("  deepest subdivision %d (side %g), most steps %d, steps in all %lld\n", s.deepest,
              o.coarseSide / static_cast<double>(1LL << s.deepest), s.mostSteps, s.steps);
  std::printf("  time %.2f s\n", seconds);
  if (!s.cellsProvenAll) {
    std::printf("  NOT PROVEN: cell centre (%.17g, %.17g), half side %.17g\n", s.failedRe,
                s.failedIm, s.failedHalf);
  }
  std::printf("  %s\n", s.Holds() ? "PROVEN" : "FAILED");
}

// --scale S [--horizon H]: the test for any limit with the constants that scale S gives
// its cardioid and disc, computed as interior.h does, or, with H, proven for the limits
// up to H only.
bool ParseArguments(int argc, char** argv, std::vector<interior::Test>& tests) {
  if (argc == 1) {
    tests = {interior::kForAnyLimit, interior::kUpToLimit150};
    return true;
  }
  if ((argc != 3 && argc != 5) || std::strcmp(argv[1], "--scale") != 0) return false;
  char* end = nullptr;
  const double s = std::strtod(argv[2], &end);
  if (end == argv[2] || *end != '\0' || !(s > 0.0 && s <= 1.0)) return false;
  interior::Test t = interior::kForAnyLimit;
  t.cardioidScale = s;
  t.cardioidQuarterScale = s * 0.25;
  t.cardioidRhs = s * s * 0.25;
  t.discRadius2 = (s * 0.25) * (s * 0.25);
  if (argc == 5) {
    if (std::strcmp(argv[3], "--horizon") != 0) return false;
    const long h = std::strtol(argv[4], &end, 10);
    if (end == argv[4] || *end != '\0' || h < 1 || h > 100000) return false;
    t.horizon = static_cast<int>(h);
  }
  tests = {t};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<interior::Test> tests;
  if (!ParseArguments(argc, argv, tests)) {
    std::fprintf(stderr, "usage: interior-proof [--scale S [--horizon H]], 0 < S <= 1, H >= 1\n");
    return 2;
  }
  bool all = true;
  for (const interior::Test& test : tests) {
    interior_proof::ProofOptions options;
    options.test = test;
    const auto start = std::chrono::steady_clock::now();
    const interior_proof::ProofSummary summary = interior_proof::RunProof(options);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    PrintSummary(options, summary, elapsed.count());
    all = all && summary.Holds();
  }
  std::printf("%s\n", all ? "PROVEN" : "FAILED");
  return all ? 0 : 1;
}
