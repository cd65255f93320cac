#include "fractal/render.h"

#include <gtest/gtest.h>

#include <array>

#include "fractal/gradient.h"
#include "fractal/memory_target.h"

namespace {

using Bytes = std::array<int, 4>;

Bytes At(const MemoryTarget& t, int c, int r) {
  const std::uint8_t* p = t.Pixel(c, r);
  return {p[0], p[1], p[2], p[3]};
}

TEST(Render, InitialViewCorners) {
  MemoryTarget full(512, 512);
  RenderMandelbrot(full, -1, -1, 1, 1, kIterationLimit);
  EXPECT_EQ(At(full, 0, 0), (Bytes{45, 0, 0, 0}));    // -1 - i: count 3
  EXPECT_EQ(At(full, 511, 0), (Bytes{30, 0, 0, 0}));  // just left of 1 - i: count 2
  // Row 255 samples an imaginary part just below 0; column 128 a real part near -0.5.
  EXPECT_EQ(At(full, 128, 255), (Bytes{142, 240, 64, 0}));  // inside the set
  EXPECT_EQ(full.lockCount, 1);
  EXPECT_EQ(full.unlockCount, 1);
}

TEST(Render, ColumnsAreReachedByRepeatedAddition) {
  // With 11 columns from 0.1 to 1.225, column 8 accumulates to 1.0000000000000002,
  // which escapes at once (count 2), while 0.1 + 8 * step would be exactly 1 (count 3).
  MemoryTarget t(11, 2);
  RenderMandelbrot(t, 0.1, 0, 1.225, 1, kIterationLimit);
  EXPECT_EQ(At(t, 8, 0), (Bytes{30, 0, 0, 0}));
}

TEST(Render, RowsAreReachedByRepeatedAddition) {
  // Seven rows from -1000 to 1000: row 3 accumulates to -1.1368683772161603e-13 instead
  // of 0, so it samples -2 + tiny i (count 11) rather than -2 itself (in the set).
  MemoryTarget t(2, 7);
  RenderMandelbrot(t, -2, -1000, -2, 1000, kIterationLimit);
  std::uint8_t b0 = 0, b1 = 0, b2 = 0;
  GradientLookup(11, kPaletteLength, MandelbrotKeys, kPaletteSegments, b0, b1, b2);
  EXPECT_EQ(At(t, 0, 3), (Bytes{b0, b1, b2, 0}));
  EXPECT_NE(At(t, 0, 3), (Bytes{142, 240, 64, 0}));
}

TEST(Render, TopLeftSamplesTheCornerAtEverySize) {
  for (int size : {2, 3, 128, 512}) {
    MemoryTarget t(size, size);
    RenderMandelbrot(t, 0.26, 0, 5, 5, kIterationLimit);
    std::uint8_t b0 = 0, b1 = 0, b2 = 0;
    GradientLookup(30, kPaletteLength, MandelbrotKeys, kPaletteSegments, b0, b1, b2);
    EXPECT_EQ(At(t, 0, 0), (Bytes{b0, b1, b2, 0})) << size;
  }
}

TEST(Render, ByteThreeAndRowPaddingAreLeftAlone) {
  // 5 x 4 pixels in rows of 28 bytes: 8 bytes of padding after each row.
  MemoryTarget padded(5, 4, 28, 0xAB);
  RenderMandelbrot(padded, -1, -1, 1, 1, kIterationLimit);
  MemoryTarget tight(5, 4);
  RenderMandelbrot(tight, -1, -1, 1, 1, kIterationLimit);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 5; ++c) {
      Bytes expected = At(tight, c, r);
      expected[3] = 0xAB;
      EXPECT_EQ(At(padded, c, r), expected) << c << "," << r;
    }
    for (int pad = 20; pad < 28; ++pad) EXPECT_EQ(padded.bytes[r * 28 + pad], 0xAB);
  }
}

TEST(Render, AFailedLockWritesNothing) {
  MemoryTarget t(8, 8, 0, 0x5A);
  t.failLock = true;
  RenderMandelbrot(t, -1, -1, 1, 1, kIterationLimit);
  for (std::uint8_t b : t.bytes) ASSERT_EQ(b, 0x5A);
  EXPECT_EQ(t.unlockCount, 0);
}

TEST(Render, EmptyOrInconsistentTargetsAreLockedAndUnlockedButNotWritten) {
  MemoryTarget t(4, 4, 0, 0x11);
  t.width = 0;
  RenderMandelbrot(t, -1, -1, 1, 1, kIterationLimit);
  t.width = 4;
  t.pitch = 8;  // shorter than a row of 4 pixels
  RenderMandelbrot(t, -1, -1, 1, 1, kIterationLimit);
  for (std::uint8_t b : t.bytes) ASSERT_EQ(b, 0x11);
  EXPECT_EQ(t.lockCount, 2);
  EXPECT_EQ(t.unlockCount, 2);
}

}  // namespace
