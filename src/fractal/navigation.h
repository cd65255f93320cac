#pragma once
// The view rectangle and the arithmetic of the two drags: zoom about the centre by
// horizontal motion, pan by motion in both directions.

// The visible part of the complex plane: real part at the left column, imaginary part at
// the top row (it grows downward), real part at the right column, imaginary part at the
// bottom row.
struct ViewRect {
  double re0, im0, re1, im1;
};

inline constexpr ViewRect kInitialView{-1, -1, 1, 1};
// One pixel of mouse motion moves a bound by this share of the view's extent.
inline constexpr double kMotionFactor = 0.01;
// A zoom step that would leave an extent below this is taken back on that axis.
inline constexpr double kMinimumExtent = 1e-12;

// dx > 0: the mouse moved left, which zooms in. Vertical motion does not zoom. A step is
// taken back on an axis whose extent would fall below the minimum, or whose bounds or
// extent would stop being finite (zooming out without end would otherwise ruin the view
// for good).
void ZoomView(ViewRect& view, int dx);

// dx > 0: moved left, the view moves toward larger real parts; dy > 0: moved up, toward
// larger imaginary parts. A step that would leave an axis non-finite is taken back there.
void PanView(ViewRect& view, int dx, int dy);
