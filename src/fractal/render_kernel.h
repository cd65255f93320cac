#pragma once
// The vector kernel of the fast render pass: escape counts of one row of pixels, with one
// variant per instruction set, chosen when the pass runs.

#include <cstdint>

namespace fractal_kernel {

// The kernel reads and writes whole vectors: a row's arrays are padded to a multiple of
// this many values (at least the lanes of a vector of doubles on any target).
inline constexpr int kRowPadding = 64;

// counts[i] = EscapeCount(re[i], im, limit) for i in [0, n). Reads re[] and may write
// counts[] up to n rounded up to a multiple of kRowPadding: the caller pads re[] with
// values of its choice (any will do; ones that leave the set at once cost least).
using CountRowFunction = void (*)(const double* re, int n, double im, int limit,
                                  std::int32_t* counts);

struct RowKernel {
  CountRowFunction countRow;
  const char* instructionSet;  // Highway's name of the target, e.g. "AVX3"
};

// The variant for the best instruction set this machine offers (as Highway sees it: a
// test can narrow the choice with hwy::SetSupportedTargetsForTest).
RowKernel ChooseRowKernel();

}  // namespace fractal_kernel
