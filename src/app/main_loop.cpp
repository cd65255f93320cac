#include "app/main_loop.h"

#include "app/drag.h"
#include "app/frame.h"
#include "app/main_window.h"
#include "display/blit.h"
#include "display/device.h"
#include "display/image_surface.h"
#include "fractal/render.h"

std::int32_t Running = 1;
std::int32_t FramesStarted = 0;

namespace {

// Takes one message when one waits, keeping it in `last`; false on the quit message.
bool Pass(MSG& last) {
  MSG message{};
  if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    last = message;
    if (message.message == WM_QUIT) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  } else {
    FramesStarted = 1;
    DrawFrame();
  }
  return true;
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!InitApplication(instance)) return 0;
  View = kInitialView;
  CreateImageSurfaces(directDraw);
  if (FullSurface != nullptr) {
    RenderMandelbrot(*FullSurface, View.re0, View.im0, View.re1, View.im1, kIterationLimit);
  }
  DrawFrame();

  MSG message{};
  while (Running != 0 && Pass(message)) {
  }
  AbandonDrag();
  DestroyImageSurfaces();
  return static_cast<int>(message.wParam);
}

void ResetProgramState() {
  Running = 1;
  FramesStarted = 0;
  View = kInitialView;
  CurrentDragMode = None;
  DragStartCursor = POINT{0, 0};
  MainWindow = nullptr;
  ClientExtent = Extent{0, 0};
  ClipRect = RECT{0, 0, 0, 0};
  directDraw = nullptr;
  primarySurface = nullptr;
  backBuffer = nullptr;
  clipper = nullptr;
}
