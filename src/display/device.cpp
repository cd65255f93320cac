#include "display/device.h"

IDirectDraw* directDraw = nullptr;
IDirectDrawSurface* primarySurface = nullptr;
IDirectDrawSurface* backBuffer = nullptr;
IDirectDrawClipper* clipper = nullptr;

namespace {

// Device failures: the code is shown, the device goes and the window with it.
int FailDevice(HWND window, HRESULT result) {
  char text[1024];
  wsprintfA(text, "Direct Draw Init Failed (%08lx)\n", static_cast<unsigned long>(result));
  MessageBoxA(window, text, "ERROR", MB_OK);
  ReleaseDisplay();
  DestroyWindow(window);
  return 0;
}

// Clipper failures: reported; the caller ends the program at once.
int FailClipper(HWND window) {
  char text[1024];
  wsprintfA(text, "Clipper initializations failed ");
  MessageBoxA(window, text, "ERROR", MB_OK);
  return 0;
}

HRESULT CreatePrimary() {
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  return directDraw->CreateSurface(&desc, &primarySurface, nullptr);
}

HRESULT CreateBackBuffer() {
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = kBackBufferWidth;
  desc.dwHeight = kBackBufferHeight;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  return directDraw->CreateSurface(&desc, &backBuffer, nullptr);
}

void SetClipBounds(const RECT& bounds) {
  struct {
    RGNDATAHEADER header;
    RECT rect;
  } region{{kRgnDataHeaderSize, RDH_RECTANGLES, 1, 0, bounds}, bounds};
  clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0);
}

}  // namespace

int StartDisplay(HWND window, const RECT& windowRect) {
  HRESULT result = DirectDrawCreate(nullptr, &directDraw, nullptr);
  if (result != DD_OK) return FailDevice(window, result);
  result = directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
  if (result != DD_OK) return FailDevice(window, result);
  result = CreatePrimary();
  if (result != DD_OK) return FailDevice(window, result);
  // Every frame is composed in the back buffer, so without one nothing could ever be
  // shown: report it like the other device failures instead of running blind.
  result = CreateBackBuffer();
  if (result != DD_OK || backBuffer == nullptr) {
    backBuffer = nullptr;
    return FailDevice(window, result != DD_OK ? result : DDERR_GENERIC);
  }
  if (directDraw->CreateClipper(0, &clipper, nullptr) != DD_OK) return FailClipper(window);
  if (clipper->SetHWnd(0, window) != DD_OK) return FailClipper(window);
  SetClipBounds(windowRect);
  if (primarySurface->SetClipper(clipper) != DD_OK) return FailClipper(window);
  return 1;
}

void ReleaseDisplay() {
  if (directDraw == nullptr) return;
  if (primarySurface != nullptr) {
    primarySurface->Release();
    primarySurface = nullptr;
  }
  directDraw->Release();
  directDraw = nullptr;
}
