#pragma once
// Whole tiles of pixels settled at once: a proof, in first-order (affine) arithmetic with
// a bounded remainder, that every sample point of a box gets one and the same count; and
// one, in interval arithmetic, that the interior test takes every point of a box.

#include "fractal/interior.h"

namespace tile_proof {

// The sample points of a tile lie in [reLo, reHi] x [imLo, imHi].
struct Box {
  double reLo, reHi, imLo, imHi;
};

// The state of a proof after the latest step, of every fourth, at which every pixel of its
// box was in and its remainder still small against the spread of its pixels
// (r <= |A| s / 64), or after the first step (z = c). From there a part of the box, such
// as a quarter, goes on with its own centre and spread instead of starting anew: its
// pixels' orbits are those of the box, and the model of them at that step is one of the
// part's, which needs no steps to get there. step is 0 when the proof had nothing to
// prove.
struct Checkpoint {
  Box box;                    // of the proof
  double x, y, ax, ay, rest;  // w, A and r after the step
  int step;
};
inline constexpr double kSmallRemainder = 0x1p-6;
inline constexpr int kCheckpointEvery = 4;

// The count EscapeCount(re, im, limit) gives every (re, im) of the box, or 0 when the
// proof does not go through: the box straddles a change of count or lies too close to
// one, is not finite, or is still undecided after `mostSteps` steps.
//
// Every pixel c = c0 + delta of the box (c0 its centre as computed, |delta| <= s) has at
// each step k its rounded orbit point z(k) = w + A delta + e: w is the centre's own
// rounded orbit point, A a derivative carried along in doubles, and |e| <= r. With
// u = 2^-53 and E a bound of the rounding of one step of any orbit here (3u |z|^2 +
// 1.5u |z'| plus 7 subnormal half-units, with |z| <= max(2, |c|)):
//   z1 = c0 + delta, so w = c0, A = 1, r = 0;
//   w' = w^2 + c0 + (its rounding), A' = 2 w A + 1 + (its rounding, at most
//   16u |w| |A| + 4u), and then e' = 2 w e + (A delta + e)^2 + (the pixel's rounding) -
//   (the centre's) - (A's rounding) delta, so that
//   r' = 2 |w| r + (|A| s + r)^2 + 2 E + (16u |w| |A| + 4u) s,
// every quantity rounded upwards. A is the derivative of the orbit with respect to c, to
// first order: carried exactly, it keeps the bound tight through many steps, where a
// ball whose radius grew by the modulus of each term would soon lose its pixels. Every
// pixel's z lies within R = |A| s + r of w. While that disc lies within |z| < 2 (with
// room for the rounding of the pixels' own modulus), no pixel of the box escapes at that
// step, and the bound E still holds for the next; once it lies wholly beyond, every
// pixel escapes there. A quantity that overflows fails both tests: nothing is proven.
// *stoppedAt (when given) is the step a proof stopped at undecided, or 0 when it proved a
// count or had nothing to prove: every pixel of the box stays in through the steps
// before it. *checkpoint (when given) is where parts of the box can take the proof up
// (see Checkpoint).
int ProvenCount(const Box& box, int limit, int mostSteps, int* stoppedAt = nullptr,
                Checkpoint* checkpoint = nullptr);

// ProvenCount for `part`, a box within the box of `from`, a checkpoint ProvenCount gave:
// the steps from the checkpoint's on, with the part's centre and spread. The part's
// centre point is w + A d (d its offset from the box's centre) as computed, and its
// remainder r plus the rounding of that sum: every pixel of the part has
// z = (w + A d) + A delta + e there. 0 when the part does not lie within the box, or
// ProvenCount would have nothing to prove for it.
int ProvenCountFrom(const Box& part, const Checkpoint& from, int limit, int mostSteps,
                    int* stoppedAt = nullptr);

// counts[i] = ProvenCount(boxes[i], limit, mostSteps, &stoppedAt[i], &checkpoints[i])
// for i in [0, n) (stoppedAt and checkpoints may be null): the same operations, a vector
// of boxes at a time, with the best instruction set of the machine.
void ProvenCounts(const Box* boxes, int n, int limit, int mostSteps, int* counts,
                  int* stoppedAt = nullptr, Checkpoint* checkpoints = nullptr);

// counts[i] = ProvenCountFrom(parts[i], from[i], limit, mostSteps, &stoppedAt[i]) for i in
// [0, n) (stoppedAt may be null), a vector of parts at a time.
void ProvenCountsFrom(const Box* parts, const Checkpoint* from, int n, int limit, int mostSteps,
                      int* counts, int* stoppedAt = nullptr);

// The last step a proof looks at.
inline int LastStep(int limit, int mostSteps) {
  return mostSteps < limit - 1 ? mostSteps + 1 : limit;
}

// The constants of the start and of a step, which ProvenCount and its vector
// version compute operation by operation alike (see tile_proof.cpp).
inline constexpr double kRoundingFactor = 1 + 0x1p-48;  // covers a few roundings
inline constexpr double kUpAbsolute = 0x1p-1060;        // and their underflow
inline constexpr double kMostAbsolute = 0x1p-535;       // the modulus' absolute error
inline constexpr double kFiveUnits = 5 * 0x1p-53;
inline constexpr double kThreeUnits = 3 * 0x1p-53;
inline constexpr double kFourUnits = 4 * 0x1p-53;
inline constexpr double kSixteenUnits = 16 * 0x1p-53;
inline constexpr double kRoundingAbsolute = 0x1p-1065;
inline constexpr double kInFactor = 1 + 0x1p-47;
inline constexpr double kInBound = 2 - 0x1p-48;
inline constexpr double kOutFactor = 1 - 0x1p-50;
inline constexpr double kOutBound = 2 + 0x1p-46;

// Whether interior::InCardioid or interior::InDisc of `test`, as computed, accepts every
// double point of the box, so that every pixel of it gets limit + 1 without a test of its
// own. The box must lie within |re| <= 2, |im| <= 1; where the bounds below pass, every
// quantity of the tests is then below 9 and each computed one within 200 units of 2^-53
// of its exact value. Bounds of
// the exact quantities over the box, in interval arithmetic, must then pass each test by
// a margin of 2^-40: thousands of times what the rounding of the point tests, and of the
// interval bounds themselves, can take away.
bool InMainParts(const Box& box, const interior::Test& test);

}  // namespace tile_proof
