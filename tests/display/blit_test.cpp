#include "display/blit.h"

#include <gtest/gtest.h>

#include "display/device.h"
#include "fake_surface.h"

namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class Blit : public ::testing::Test {
 protected:
  void SetUp() override {
    image.width = 128;
    image.height = 128;
    image.tileColumns = 1;
    image.tileRows = 1;
    image.surface = &imagePixels;
    ClientExtent = Extent{512, 512};
  }
  void TearDown() override {
    image.surface = nullptr;
    backBuffer = nullptr;
    primarySurface = nullptr;
  }
  // The one blit BlitClipped asked for, or fails the test.
  RecordedBlt Only() {
    EXPECT_EQ(dest.blts.size(), 1u);
    return dest.blts.empty() ? RecordedBlt{} : dest.blts.front();
  }
  FakeSurface dest{1200, 1024};
  FakeSurface imagePixels{128, 128};
  ImageSurface image{nullptr};
};

TEST_F(Blit, TheWholePictureIsStretchedOverAnUnclippedDestination) {
  ClipRect = MakeRect(0, 0, 512, 512);
  BlitClipped(&dest, image, 0, 0, MakeRect(0, 0, 512, 512));
  const RecordedBlt b = Only();
  EXPECT_TRUE(b.src == MakeRect(0, 0, 128, 128));
  EXPECT_TRUE(b.dest == MakeRect(0, 0, 512, 512));
  EXPECT_EQ(b.source, &imagePixels);
  EXPECT_EQ(b.flags, DDBLT_WAIT);
}

TEST_F(Blit, EveryEdgeIsClippedAtTheScaleOfTheBlit) {
  ClipRect = MakeRect(0, 0, 100, 200);
  BlitClipped(&dest, image, 0, 0, MakeRect(-64, -32, 192, 224));
  const RecordedBlt b = Only();
  EXPECT_TRUE(b.src == MakeRect(32, 16, 82, 116));
  EXPECT_TRUE(b.dest == MakeRect(0, 0, 100, 200));
}

TEST_F(Blit, SourceEdgesAreTruncatedTowardZero) {
  // A quarter source pixel per destination pixel: 3 pixels off the clip is 0.75.
  ClipRect = MakeRect(0, 0, 512, 512);
  BlitClipped(&dest, image, 0, 0, MakeRect(-3, 0, 509, 512));
  const RecordedBlt b = Only();
  EXPECT_EQ(b.src.left, 0);
  EXPECT_EQ(b.dest.left, 0);
}

TEST_F(Blit, TheClipRectangleIsClampedToTheClientAndStaysSo) {
  ClipRect = MakeRect(-5, -5, 2000, 2000);
  BlitClipped(&dest, image, 0, 0, MakeRect(0, 0, 512, 512));
  EXPECT_TRUE(ClipRect == MakeRect(0, 0, 512, 512));
  EXPECT_TRUE(Only().dest == MakeRect(0, 0, 512, 512));
}

TEST_F(Blit, TilesAddressPartsOfThePicture) {
  image.tileColumns = 2;
  ClipRect = MakeRect(0, 0, 512, 512);
  BlitClipped(&dest, image, 1, 0, MakeRect(0, 0, 64, 128));
  EXPECT_TRUE(Only().src == MakeRect(64, 0, 128, 128));
}

TEST_F(Blit, EmptyOrInvertedDestinationsDrawNothing) {
  ClientExtent = Extent{0, 0};
  ClipRect = MakeRect(0, 0, 0, 0);
  BlitClipped(&dest, image, 0, 0, MakeRect(0, 0, 0, 0));  // a minimised window
  ClientExtent = Extent{512, 512};
  ClipRect = MakeRect(0, 0, 512, 512);
  BlitClipped(&dest, image, 0, 0, MakeRect(600, 0, 700, 100));   // wholly right of the clip
  BlitClipped(&dest, image, 0, 0, MakeRect(100, 100, 50, 200));  // inverted
  BlitClipped(&dest, image, 0, 0, MakeRect(-10, 0, -10, 50));    // zero width left of it
  EXPECT_TRUE(dest.blts.empty());
}

TEST_F(Blit, ClearFillsTheWholeBackBufferAndPresentCopiesOneToOne) {
  FakeSurface screen{1280, 1024};
  backBuffer = &dest;
  primarySurface = &screen;
  EXPECT_EQ(ClearBackBuffer(0), DD_OK);
  ASSERT_EQ(dest.blts.size(), 1u);
  EXPECT_EQ(dest.blts[0].flags, DDBLT_COLORFILL | DDBLT_WAIT);
  EXPECT_TRUE(dest.blts[0].dest == RECT{});  // no rectangle: the whole surface
  PresentBackBuffer(MakeRect(10, 40, 522, 532), 512, 492);
  ASSERT_EQ(screen.blts.size(), 1u);
  EXPECT_TRUE(screen.blts[0].dest == MakeRect(10, 40, 522, 532));
  EXPECT_TRUE(screen.blts[0].src == MakeRect(0, 0, 512, 492));
  EXPECT_EQ(screen.blts[0].source, &dest);
  EXPECT_EQ(screen.blts[0].flags, DDBLT_WAIT);
}

}  // namespace
