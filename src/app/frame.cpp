#include "app/frame.h"

#include "app/drag.h"
#include "app/main_window.h"
#include "display/blit.h"
#include "display/device.h"
#include "display/image_surface.h"

namespace {

bool Held(int button) {
  return (GetKeyState(button) & 0x80) != 0;
}

// The client area in screen coordinates.
RECT MeasureClientArea() {
  RECT client{0, 0, 0, 0};
  GetClientRect(MainWindow, &client);
  POINT topLeft{client.left, client.top};
  POINT bottomRight{client.right, client.bottom};
  ClientToScreen(MainWindow, &topLeft);
  ClientToScreen(MainWindow, &bottomRight);
  return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

// The preview while a button is held; otherwise a released drag ends and the full
// picture is shown.
ImageSurface* ChoosePicture() {
  if (Held(VK_LBUTTON) || Held(VK_RBUTTON)) return PreviewSurface;
  if (CurrentDragMode != None) EndDrag(CurrentDragMode);
  CurrentDragMode = None;
  return FullSurface;
}

}  // namespace

void DrawFrame() {
  const RECT screen = MeasureClientArea();
  const int width = screen.right - screen.left;
  const int height = screen.bottom - screen.top;
  ClientExtent = Extent{width, height};
  ClearBackBuffer(0);
  ClipRect = MakeRect(0, 0, width, height);
  if (CurrentDragMode != None) StepDrag(CurrentDragMode);
  ImageSurface* picture = ChoosePicture();
  if (picture != nullptr) BlitClipped(backBuffer, *picture, 0, 0, MakeRect(0, 0, width, height));
  PresentBackBuffer(screen, width, height);
}
