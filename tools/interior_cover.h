#pragma once
// The cell-by-cell proof behind interior::InKnownComponent: which cells of c the double
// test may accept, and the orbit enclosure that proves such a cell. The argument itself
// is written out in tools/interior_proof.cpp; this part is a library so that the tests
// can run it in-process, on the real constants and on broken ones.

#include "fractal/interior.h"

namespace interior_proof {

// A closed range of doubles; either end may be infinite. Every double value an
// expression takes over a cell is either in its Interval or NaN: a NaN makes every
// later comparison false, so it can never make the test accept.
struct Interval {
  double lo;
  double hi;
};

// False only when the double test rejects every point (x, y) with x in xs, y in ys.
// On single points (lo == hi) it is exactly InKnownComponent with this test.
bool MayAccept(const interior::Test& test, Interval xs, Interval ys);

// c = (re, im) + d with |d| <= rho: the disk through a square's corners.
struct Cell {
  double re;
  double im;
  double rho;
};

// For each c = centre + d of a cell, the set of z = (x, y) + (ax, ay) d + e with |e| <= r:
// a disk that follows c to first order, so that the cell's spread costs only its square.
struct Form {
  double x;
  double y;
  double ax;
  double ay;
  double r;
};

// The form that holds the plain loop's double step of every z of `z`, for each c of the
// cell, with the same c (the same d) on both sides.
Form Step(const Form& z, const Cell& c);

// Whether no point of the form, for any c of the cell, can pass the escape test: every
// one stays far enough inside |z| = 2 that the rounded |z|^2 cannot exceed 4.
bool NeverEscapes(const Form& z, const Cell& c);

struct CellOutcome {
  bool proven = false;
  int steps = 0;  // orbit steps enclosed, up to and including the invariant disk's
};

// Whether, for every double c in the square of centre (re, im) and half side `half`, the
// plain loop's double orbit never passes the escape test. Gives up after maxSteps. With
// a horizon above 0, steps 2 .. horizon not passing it is enough: proven for every limit
// up to the horizon.
CellOutcome ProveCell(double re, double im, double half, int maxSteps, int horizon = 0);

struct ProofOptions {
  // The test proven, for the limits up to its horizon (every limit when it is 0).
  interior::Test test = interior::kForAnyLimit;
  // The box covered by cells; the four strips beyond it, out to infinity, must be
  // rejected whole by the test. Its sides must be whole multiples of coarseSide.
  double re0 = -2.0;
  double im0 = -2.0;
  double re1 = 2.0;
  double im1 = 2.0;
  double coarseSide = 1.0 / 64;
  int maxDepth = 14;  // halvings of a coarse cell before the proof gives up on it
  int maxSteps = 4000;
};

struct ProofSummary {
  bool gridExact = false;        // every cell's edges are doubles shared with its neighbours
  bool outsideRejected = false;  // the test accepts nothing beyond the box
  bool cellsProvenAll = false;   // every cell the test may accept is proven
  bool Holds() const { return gridExact && outsideRejected && cellsProvenAll; }
  long long cellsProven = 0;
  long long cellsRejected = 0;  // cells the test accepts no point of
  long long steps = 0;          // enclosure steps over all proven cells
  int deepest = 0;              // halvings of the smallest cell proven or tried
  int mostSteps = 0;            // the longest orbit enclosure of a proven cell
  // The cell at the deepest level that could not be proven, when one could not.
  double failedRe = 0;
  double failedIm = 0;
  double failedHalf = 0;
};

// Covers the box with cells, rejects or proves each, and subdivides those that fail.
// Stops at the first cell that fails at the deepest level.
ProofSummary RunProof(const ProofOptions& options);

}  // namespace interior_proof
