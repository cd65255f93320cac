#pragma once
// The vector kernel of the fast render pass: escape counts of a few rows of pixels, with one
// variant per instruction set, chosen when the pass runs.

#include <cstddef>
#include <cstdint>

namespace fractal_kernel {

// The kernel reads and writes whole vectors: a row's arrays are padded to a multiple of
// this many values (at least the lanes of a vector of doubles on any target).
inline constexpr int kRowPadding = 64;

// counts[r * stride + i] = EscapeCount(re[i], im[r], limit) for r in [0, rows) and i in
// [0, n), stride >= n. Reads re[] up to n rounded up to a multiple of kRowPadding: the
// caller pads re[] with values of its choice.
using CountRowsFunction = void (*)(const double* re, int n, const double* im, int rows, int limit,
                                   std::int32_t* counts, std::ptrdiff_t stride);

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
