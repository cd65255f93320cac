#pragma once
// Whole tiles of pixels settled at once: a proof, in ball arithmetic, that every sample
// point of a box gets one and the same count; and one, in interval arithmetic, that the
// interior test takes every point of a box.

#include "fractal/interior.h"

namespace tile_proof {

// The sample points of a tile lie in [reLo, reHi] x [imLo, imHi].
struct Box {
  double reLo, reHi, imLo, imHi;
};

// The count EscapeCount(re, im, limit) gives every (re, im) of the box, or 0 when the
// proof does not go through: the box straddles a change of count or lies too close to
// one, is not finite, or is still undecided after `mostSteps` steps (a box whose pixels
// escape late is rarely proven, and its proof would cost about as much as its pixels).
//
// One ball, a centre w and a radius R, holds the rounded orbit point of every c of the
// box at each step: the centre follows the box's centre c0, and with u = 2^-53 the
// radius grows as R' = R (2 |w| + R) + |c - c0| + 2 E, where E bounds the rounding of one
// step, of a pixel's orbit and of the centre's alike: 3u |z|^2 + 1.5u |z'| plus 7
// subnormal half-units, with |z| <= max(2, |c|). Every quantity of the bound is rounded
// upwards. While the whole ball lies within |z| < 2 (with room for the rounding of the
// pixels' own modulus), no pixel of the box escapes at that step; once it lies wholly
// beyond, every pixel escapes there.
int ProvenCount(const Box& box, int limit, int mostSteps);

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
