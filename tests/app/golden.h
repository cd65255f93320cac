#pragma once
// Golden pictures for the whole program: what the window must show, computed from the
// renderer itself, and an exact comparison that writes the actual, expected and
// difference pictures to the test's output folder when they differ.

#include <gtest/gtest.h>

#include <string>

#include "fractal/navigation.h"
#include "platform/hosts/headless/headless.h"

using platform::headless::Image;

// Where one drag step takes a view, by the arithmetic a user's motion must produce:
// dx > 0 is motion to the left, dy > 0 motion upward.
inline ViewRect Zoomed(ViewRect v, int dx) {
  const double d = ((v.re1 - v.re0) * 0.01) * dx;
  return {v.re0 + d, v.im0 + d, v.re1 - d, v.im1 - d};
}
inline ViewRect Panned(ViewRect v, int dx, int dy) {
  const double dRe = ((v.re1 - v.re0) * 0.01) * dx, dIm = ((v.im1 - v.im0) * 0.01) * dy;
  return {v.re0 + dRe, v.im0 + dIm, v.re1 + dRe, v.im1 + dIm};
}

// The view rendered at size x size by the reference renderer.
Image RenderedPicture(const ViewRect& view, int size);
// Stretched to width x height with nearest-pixel sampling: destination pixel i shows
// source pixel floor((2i + 1) * source extent / (2 * destination extent)).
Image Stretch(const Image& picture, int width, int height);
// Both: what a window of that client size shows.
Image ExpectedPicture(const ViewRect& view, int size, int width, int height);

// The width x height part of an image at (x, y) (as much as it has).
Image Region(const Image& image, int x, int y, int width, int height);
inline Image Crop(const Image& image, int width, int height) {
  return Region(image, 0, 0, width, height);
}

// Writes <name>.png to $MANDEL_TEST_OUTPUT (or the current folder).
void SavePicture(const Image& image, const std::string& name);

// Compares exactly; on a difference writes <name>-actual.png, -expected.png and -diff.png
// to $MANDEL_TEST_OUTPUT (or the current folder) and returns a failure naming the first
// differing pixel.
::testing::AssertionResult SamePicture(const Image& actual, const Image& expected,
                                       const std::string& name);
