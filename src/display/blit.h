#pragma once
// Composing a frame: clear the back buffer, stretch one tile of an image surface into it
// within the clip rectangle, and copy the client-sized part onto the screen.

#include <cstdint>

#include "display/image_surface.h"
#include "platform/ddraw/ddraw.h"

// The client area's size, measured anew at the start of every frame.
struct Extent {
  std::int32_t width;
  std::int32_t height;
};
extern Extent ClientExtent;
// Bounds of the blit into the back buffer: (0, 0, client width, client height).
extern RECT ClipRect;

RECT MakeRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

// Fills the whole back buffer with `colour`; the platform's result.
HRESULT ClearBackBuffer(std::uint16_t colour);

// Stretches tile (tileColumn, tileRow) of `source` onto `destRect` of `destSurface`,
// clipped to ClipRect (which is first clamped to ClientExtent and kept so).
void BlitClipped(IDirectDrawSurface* destSurface, const ImageSurface& source, int tileColumn,
                 int tileRow, RECT destRect);

// Copies (0, 0, width, height) of the back buffer one to one onto the screen at
// `screenRect`, the client area in screen coordinates.
void PresentBackBuffer(const RECT& screenRect, int width, int height);
