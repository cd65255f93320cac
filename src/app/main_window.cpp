#include "app/main_window.h"

#include "app/drag.h"
#include "app/frame.h"
#include "app/main_loop.h"
#include "display/device.h"

HWND MainWindow = nullptr;

namespace {

void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
}

void StartDrag(DragMode mode) {
  if (CurrentDragMode != None) return;  // a second button neither restarts nor switches
  CurrentDragMode = mode;
  BeginDrag();
}

}  // namespace

int InitApplication(HINSTANCE instance) {
  RegisterMainClass(instance);
  // Sized for a 512 x 512 client area without the menu bar, which the window does carry:
  // the client area comes out 512 wide and shorter by the bar.
  RECT windowRect{0, 0, 512, 512};
  AdjustWindowRect(&windowRect, kWindowStyle, FALSE);
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(kMenuResource));
  MainWindow = CreateWindowExA(
      0, kClassName, kWindowTitle, kWindowStyle, 0, 0, windowRect.right - windowRect.left,
      windowRect.bottom - windowRect.top, nullptr, menu, instance, nullptr);
  if (MainWindow == nullptr) return 0;
  ShowWindow(MainWindow, SW_SHOWNORMAL);
  UpdateWindow(MainWindow);
  SetFocus(MainWindow);
  return StartDisplay(MainWindow, windowRect);
}

LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      StartDrag(Zoom);
      break;
    case WM_RBUTTONDOWN:
      StartDrag(Pan);
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE || wParam == VK_F12) PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_PAINT:
      if (FramesStarted == 1) DrawFrame();
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kQuitCommand) Running = 0;
      break;
    case WM_DESTROY:
      AbandonDrag();
      ReleaseDisplay();
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
