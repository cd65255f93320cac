#include "fractal/navigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void ExpectView(const ViewRect& v, double re0, double im0, double re1, double im1) {
  EXPECT_NEAR(v.re0, re0, 1e-15);
  EXPECT_NEAR(v.im0, im0, 1e-15);
  EXPECT_NEAR(v.re1, re1, 1e-15);
  EXPECT_NEAR(v.im1, im1, 1e-15);
}

bool Same(const ViewRect& a, const ViewRect& b) {
  return a.re0 == b.re0 && a.im0 == b.im0 && a.re1 == b.re1 && a.im1 == b.im1;
}

TEST(Zoom, StepsFromTheInitialView) {
  struct {
    int dx;
    double lo, hi;
  } cases[] = {{0, -1, 1}, {1, -0.98, 0.98}, {10, -0.8, 0.8}, {49, -0.02, 0.02}, {-100, -3, 3}};
  for (const auto& c : cases) {
    ViewRect v = kInitialView;
    ZoomView(v, c.dx);
    ExpectView(v, c.lo, c.lo, c.hi, c.hi);
  }
}

TEST(Zoom, AStepBelowTheMinimumExtentIsTakenBackOnBothAxes) {
  for (int dx : {50, 60, 1000}) {
    ViewRect v = kInitialView;
    ZoomView(v, dx);
    EXPECT_TRUE(Same(v, kInitialView)) << dx;
  }
  const ViewRect tiny{0, 0, 1.01e-12, 1.01e-12};
  ViewRect v = tiny;
  ZoomView(v, 1);
  EXPECT_TRUE(Same(v, tiny));
}

TEST(Zoom, ZoomingInPixelByPixelStopsAtTheMinimumExtent) {
  ViewRect v = kInitialView;
  int frames = 0;
  for (;;) {
    const ViewRect before = v;
    ZoomView(v, 1);
    if (Same(v, before)) break;
    ASSERT_LT(++frames, 5000);
  }
  EXPECT_EQ(frames, 1402);
  EXPECT_NEAR(v.re1 - v.re0, 1.02e-12, 0.01e-12);
}

TEST(Zoom, ZoomingOutNeverLeavesTheViewNonFinite) {
  ViewRect v = kInitialView;
  for (int frame = 0; frame < 2000; ++frame) ZoomView(v, -500);
  for (double bound : {v.re0, v.im0, v.re1, v.im1}) EXPECT_TRUE(std::isfinite(bound));
  EXPECT_TRUE(std::isfinite(v.re1 - v.re0));
  EXPECT_LT(v.re0, v.re1);
  // And the view still zooms back in from there.
  const ViewRect far = v;
  ZoomView(v, 10);
  EXPECT_LT(v.re1 - v.re0, far.re1 - far.re0);
}

TEST(Zoom, VerticalMotionAloneChangesNothing) {
  // The zoom takes dx only: the same step with any dy is the zero step.
  ViewRect v = kInitialView;
  ZoomView(v, 0);
  EXPECT_TRUE(Same(v, kInitialView));
}

TEST(Pan, StepsFromTheInitialView) {
  ViewRect v = kInitialView;
  PanView(v, 10, -5);
  ExpectView(v, -0.8, -1.1, 1.2, 0.9);
  v = kInitialView;
  PanView(v, -10, 0);
  ExpectView(v, -1.2, -1, 0.8, 1);
  v = kInitialView;
  PanView(v, 0, -50);
  ExpectView(v, -1, -2, 1, 0);
}

TEST(Pan, AStepThatWouldOverflowIsTakenBackOnThatAxisOnly) {
  const double big = std::numeric_limits<double>::max() / 4;
  ViewRect v{-big, -1, big, 1};
  PanView(v, 100000, 3);
  EXPECT_EQ(v.re0, -big);
  EXPECT_EQ(v.re1, big);
  EXPECT_NEAR(v.im0, -0.94, 1e-15);
  EXPECT_NEAR(v.im1, 1.06, 1e-15);
}

}  // namespace
