#include "display/blit.h"

#include <cmath>
#include <limits>

#include "display/device.h"

Extent ClientExtent{0, 0};
RECT ClipRect{0, 0, 0, 0};

namespace {

// A double truncated toward zero to 32 bits; values that do not fit (only possible for
// rectangles no frame produces) are pinned to the nearest end instead of overflowing.
std::int32_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

// b - a without overflow, as a double.
double Span(std::int32_t a, std::int32_t b) {
  return static_cast<double>(static_cast<std::int64_t>(b) - static_cast<std::int64_t>(a));
}

void ClampClipRect() {
  if (ClipRect.left < 0) ClipRect.left = 0;
  if (ClipRect.top < 0) ClipRect.top = 0;
  if (ClipRect.right > ClientExtent.width) ClipRect.right = ClientExtent.width;
  if (ClipRect.bottom > ClientExtent.height) ClipRect.bottom = ClientExtent.height;
}

// Moves the destination's edges onto the clip rectangle and the source's edges with them,
// at the scale of the blit: left, top, right, bottom, each from the rectangles as they
// stand after the edges before it.
void ClipEdges(RECT& src, RECT& dest) {
  if (dest.left < ClipRect.left) {
    src.left = Truncate(src.left + Span(src.left, src.right) / Span(dest.left, dest.right) *
                                       Span(dest.left, ClipRect.left));
    dest.left = ClipRect.left;
  }
  if (dest.top < ClipRect.top) {
    src.top = Truncate(src.top + Span(src.top, src.bottom) / Span(dest.top, dest.bottom) *
                                     Span(dest.top, ClipRect.top));
    dest.top = ClipRect.top;
  }
  if (dest.right > ClipRect.right) {
    src.right = Truncate(src.right - Span(src.left, src.right) / Span(dest.left, dest.right) *
                                         Span(ClipRect.right, dest.right));
    dest.right = ClipRect.right;
  }
  if (dest.bottom > ClipRect.bottom) {
    src.bottom = Truncate(src.bottom - Span(src.top, src.bottom) / Span(dest.top, dest.bottom) *
                                           Span(ClipRect.bottom, dest.bottom));
    dest.bottom = ClipRect.bottom;
  }
}

}  // namespace

RECT MakeRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return RECT{left, top, right, bottom};
}

HRESULT ClearBackBuffer(std::uint16_t colour) {
  if (backBuffer == nullptr) return DDERR_INVALIDOBJECT;
  DDBLTFX fx{};
  fx.dwSize = kDdBltFxSize;
  fx.dwFillColor = colour;
  return backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void BlitClipped(IDirectDrawSurface* destSurface, const ImageSurface& source, int tileColumn,
                 int tileRow, RECT destRect) {
  const std::int32_t cellW = Truncate(static_cast<double>(source.width) / source.tileColumns);
  const std::int32_t cellH = Truncate(static_cast<double>(source.height) / source.tileRows);
  RECT src{cellW * tileColumn, cellH * tileRow, 0, 0};
  src.right = src.left + cellW;
  src.bottom = src.top + cellH;
  RECT dest = destRect;
  ClampClipRect();
  ClipEdges(src, dest);
  // Rectangles that clipping emptied or turned over draw nothing.
  if (destSurface == nullptr || dest.right <= dest.left || dest.bottom <= dest.top) return;
  destSurface->Blt(&dest, source.GetSurface(), &src, DDBLT_WAIT, nullptr);
}

void PresentBackBuffer(const RECT& screenRect, int width, int height) {
  if (primarySurface == nullptr || backBuffer == nullptr) return;
  RECT dest = screenRect;
  RECT src = MakeRect(0, 0, width, height);
  primarySurface->Blt(&dest, backBuffer, &src, DDBLT_WAIT, nullptr);
}
