#include "app/drag.h"

#include "display/blit.h"
#include "display/image_surface.h"
#include "fractal/render.h"

ViewRect View = kInitialView;
DragMode CurrentDragMode = None;
POINT DragStartCursor{0, 0};

namespace {

// The cursor is parked at the same screen point wherever the window lies; it depends
// only on the client area's size.
POINT ParkingPoint() {
  return POINT{ClientExtent.width / 2, ClientExtent.height / 2};
}

void RenderInto(ImageSurface* surface) {
  if (surface == nullptr) return;
  RenderMandelbrot(*surface, View.re0, View.im0, View.re1, View.im1, kIterationLimit);
}

}  // namespace

void BeginDrag() {
  GetCursorPos(&DragStartCursor);
  ShowCursor(FALSE);
  const POINT park = ParkingPoint();
  SetCursorPos(park.x, park.y);
}

void StepDrag(DragMode mode) {
  POINT p{0, 0};
  GetCursorPos(&p);
  const POINT park = ParkingPoint();
  SetCursorPos(park.x, park.y);
  // Positive when the mouse moved left (dx) or up (dy) since the last parking.
  const int dx = park.x - p.x;
  const int dy = park.y - p.y;
  if (mode == Zoom) {
    ZoomView(View, dx);
  } else if (mode == Pan) {
    PanView(View, dx, dy);
  }
  RenderInto(PreviewSurface);
}

void EndDrag(DragMode) {
  SetCursorPos(DragStartCursor.x, DragStartCursor.y);
  ShowCursor(TRUE);
  RenderInto(FullSurface);
}

void AbandonDrag() {
  if (CurrentDragMode == None) return;
  SetCursorPos(DragStartCursor.x, DragStartCursor.y);
  ShowCursor(TRUE);
  CurrentDragMode = None;
}
