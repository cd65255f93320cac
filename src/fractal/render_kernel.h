#pragma once
// The vector kernel of the fast render pass: escape counts of a few rows of pixels, with one
// variant per instruction set, chosen when the pass runs.

#include <cstddef>
#include <cstdint>

namespace fractal_kernel {

// The kernel reads and writes whole vectors: a row's arrays are padded to a multiple of
// this many values (at least the lanes of a vector of doubles on any target).
inline constexpr int kRowPadding = 64;

// Out for ever: a finite c with cr * cr + ci * ci <= kOutForEver (so |c| < 1.9901) whose
// rounded orbit has once had a modulus above 4 has it above 4, infinite or NaN at every
// later step. The computed modulus fl(fl(x^2) + fl(y^2)) > 4 means |z| > 2 (1 - 2^-51).
// With u = 2^-53, one rounded step gives z' within 3u |z|^2 + 2u |z'| + 2^-1073 of
// z^2 + c while every operation is finite, so |z'| >= (|z|^2 (1 - 3u) - |c|) / (1 + 2u)
// - 2^-1072, which is above 2.0098 for |z| > 2 (1 - 2^-51); from |z| = r >= 2.0098 on, it
// is above r + 0.03 (r (r - 1) - 1.9901 >= 0.039), and a modulus computed from
// |z'| > 2.0098 exceeds 4 by far more than its rounding. Once a coordinate overflows, the
// orbit stays infinite or NaN: z^2 of an infinite or NaN point has an infinite or NaN
// coordinate again (inf - inf and inf * 0 are NaN), and its modulus, a sum of squares, is
// +inf or NaN. An ordered compare (NaN is not <= 4) therefore tells the lanes still in
// at any step, without remembering the others.
inline constexpr double kOutForEver = 3.9604;

// Columns whose counts the caller knows already come in spans of this many.
inline constexpr int kKnownSpan = 8;

// counts[r * stride + i] = EscapeCount(re[i], im[r], limit) for r in [0, rows) and i in
// [0, n), stride >= n. Reads re[] up to n rounded up to a multiple of kRowPadding: the
// caller pads re[] with values of its choice. Where known[t] is above 0 (known may be
// null), it is the count of every pixel of the columns [kKnownSpan t, kKnownSpan (t + 1))
// in all the rows, and those pixels are not iterated. Where it is below 0, every pixel
// of those columns has a count of at least -known[t]: the escape tests before that step
// are not made.
using CountRowsFunction = void (*)(const double* re, int n, const double* im, int rows, int limit,
                                   std::int32_t* counts, std::ptrdiff_t stride,
                                   const std::int32_t* known);

// How many pixels the shortcuts settled: accepted by the interior test, or found to
// repeat exactly.
struct ShortcutStats {
  std::int64_t interior = 0;
  std::int64_t repeated = 0;
  std::int64_t latestRepeat = 0;  // the largest n at which a repetition was found
};

struct RowKernel {
  CountRowsFunction countRows;
  // The same counts with neither shortcut: what the vectors alone are worth.
  CountRowsFunction countRowsStepwise;
  // countRows, adding to `stats` what its shortcuts settled (not thread-safe).
  void (*countRowsCounted)(const double* re, int n, const double* im, int rows, int limit,
                           std::int32_t* counts, std::ptrdiff_t stride, ShortcutStats* stats);
  // Bytes 0..2 of pixels[4 i ..] = colours[counts[i]] for i in [0, n) (counts at or
  // past colourCount take the last colour); byte 3 of each pixel is never written.
  void (*paintRow)(const std::int32_t* counts, int n, const std::uint32_t* colours, int colourCount,
                   std::uint8_t* pixels);
  const char* instructionSet;  // Highway's name of the target, e.g. "AVX3"
};

// The variant for the best instruction set this machine offers (as Highway sees it: a
// test can narrow the choice with hwy::SetSupportedTargetsForTest).
RowKernel ChooseRowKernel();

}  // namespace fractal_kernel
