#pragma once
// The DirectDraw device in windowed mode: the device, the primary surface (the screen),
// the back buffer every frame is composed in, and the clipper that keeps presents inside
// the main window. Set up at start-up, released when the window is destroyed.

#include "platform/ddraw/ddraw.h"

inline constexpr int kBackBufferWidth = 1200;
inline constexpr int kBackBufferHeight = 1024;

extern IDirectDraw* directDraw;
extern IDirectDrawSurface* primarySurface;
extern IDirectDrawSurface* backBuffer;
extern IDirectDrawClipper* clipper;

// Brings DirectDraw up against `window`; `windowRect` bounds the clip list. 1 when the
// device, primary surface, back buffer and clipper are ready; 0 after a failure that was
// reported to the user in an "ERROR" message box (a device failure also destroys the
// window).
int StartDisplay(HWND window, const RECT& windowRect);

// Releases the primary surface and the device, which takes every other surface and the
// clipper with it. Does nothing when there is no device.
void ReleaseDisplay();
