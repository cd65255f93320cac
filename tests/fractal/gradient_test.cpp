#include "fractal/gradient.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Rgb = std::array<int, 3>;  // output bytes 0, 1, 2

Rgb Palette(int index, Rgb before = {7, 8, 9}) {
  std::uint8_t b0 = before[0], b1 = before[1], b2 = before[2];
  GradientLookup(index, kPaletteLength, MandelbrotKeys, kPaletteSegments, b0, b1, b2);
  return {b0, b1, b2};
}

TEST(Gradient, PaletteEntriesIncludingTheRoundingQuirks) {
  EXPECT_EQ(Palette(0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Palette(1), (Rgb{15, 0, 0}));
  EXPECT_EQ(Palette(2), (Rgb{30, 0, 0}));
  EXPECT_EQ(Palette(16), (Rgb{240, 0, 0}));
  EXPECT_EQ(Palette(17), (Rgb{255, 0, 0}));
  EXPECT_EQ(Palette(18), (Rgb{240, 15, 0}));
  // Truncation after rounding t and 1 - t: whole results sometimes come out one lower.
  EXPECT_EQ(Palette(23), (Rgb{164, 90, 0}));
  EXPECT_EQ(Palette(34), (Rgb{0, 255, 0}));
  EXPECT_EQ(Palette(74), (Rgb{164, 254, 90}));
  EXPECT_EQ(Palette(150), (Rgb{150, 232, 64}));
  EXPECT_EQ(Palette(151), (Rgb{142, 240, 64}));
  EXPECT_EQ(Palette(250), (Rgb{255, 237, 180}));
  EXPECT_EQ(Palette(339), (Rgb{15, 255, 240}));
}

TEST(Gradient, EverySegmentStartsExactlyOnItsKey) {
  for (int k = 0; k < kPaletteSegments; ++k) {
    const Rgb key{MandelbrotKeys[3 * k], MandelbrotKeys[3 * k + 1], MandelbrotKeys[3 * k + 2]};
    EXPECT_EQ(Palette(17 * k), key) << "segment " << k;
  }
}

TEST(Gradient, IndexesOutsideThePaletteLeaveTheOutputsAlone) {
  for (int index : {-1, -1000, 357, 1000}) EXPECT_EQ(Palette(index), (Rgb{7, 8, 9})) << index;
}

TEST(Gradient, IndexesPastTheLastWholeSegmentReadNothingBeyondTheTable) {
  // 340..356 would fall in a 21st segment whose end key does not exist. A table that
  // ends exactly after its 21 keys, with a poisoned byte right behind, must give the
  // unchanged outputs and never pick up the poison.
  std::array<std::uint8_t, sizeof MandelbrotKeys + 3> keys{};
  std::copy(std::begin(MandelbrotKeys), std::end(MandelbrotKeys), keys.begin());
  keys[sizeof MandelbrotKeys] = keys[sizeof MandelbrotKeys + 1] = 99;
  for (int index = 340; index <= 356; ++index) {
    std::uint8_t b0 = 1, b1 = 2, b2 = 3;
    GradientLookup(index, kPaletteLength, keys.data(), kPaletteSegments, b0, b1, b2);
    EXPECT_EQ((Rgb{b0, b1, b2}), (Rgb{1, 2, 3})) << index;
  }
}

TEST(Gradient, DegenerateLengthsWriteNothing) {
  for (int total : {0, -5, 10}) {  // 10 / 20 segments leaves segments of length 0
    for (int index : {0, 1, 5}) {
      std::uint8_t b0 = 1, b1 = 2, b2 = 3;
      GradientLookup(index, total, MandelbrotKeys, kPaletteSegments, b0, b1, b2);
      EXPECT_EQ((Rgb{b0, b1, b2}), (Rgb{1, 2, 3})) << total << " " << index;
    }
  }
}

}  // namespace
