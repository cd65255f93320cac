#include "fractal/navigation.h"

#include <cmath>

namespace {

// Puts an axis back as it was when a step left a bound or the extent non-finite:
// subtracting the step again cannot bring back a bound that overflowed.
void KeepFinite(double& lo, double& hi, double loBefore, double hiBefore) {
  if (std::isfinite(lo) && std::isfinite(hi) && std::isfinite(hi - lo)) return;
  lo = loBefore;
  hi = hiBefore;
}

}  // namespace

void ZoomView(ViewRect& view, int dx) {
  const ViewRect before = view;
  const double d = ((view.re1 - view.re0) * kMotionFactor) * static_cast<double>(dx);
  view.re0 = view.re0 + d;
  view.im0 = view.im0 + d;
  view.re1 = view.re1 - d;
  view.im1 = view.im1 - d;
  if (view.re1 - view.re0 < kMinimumExtent) {
    view.re0 = view.re0 - d;
    view.re1 = view.re1 + d;
  }
  if (view.im1 - view.im0 < kMinimumExtent) {
    view.im0 = view.im0 - d;
    view.im1 = view.im1 + d;
  }
  KeepFinite(view.re0, view.re1, before.re0, before.re1);
  KeepFinite(view.im0, view.im1, before.im0, before.im1);
}

void PanView(ViewRect& view, int dx, int dy) {
  const ViewRect before = view;
  const double dRe = ((view.re1 - view.re0) * kMotionFactor) * static_cast<double>(dx);
  const double dIm = ((view.im1 - view.im0) * kMotionFactor) * static_cast<double>(dy);
  view.re0 = view.re0 + dRe;
  view.im0 = view.im0 + dIm;
  view.re1 = view.re1 + dRe;
  view.im1 = view.im1 + dIm;
  KeepFinite(view.re0, view.re1, before.re0, before.re1);
  KeepFinite(view.im0, view.im1, before.im0, before.im1);
}
