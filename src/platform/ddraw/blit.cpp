// Blits: colour fills and scaled copies, cut to the destination surface or, on the
// primary surface, to the client area of the clipper's window (or its clip list). Which
// source pixel each destination pixel takes is CopyScaled's rule (core/pixels.h).

#include <optional>

#include "platform/ddraw/objects.h"

namespace platform::dd {
namespace {

Rect RectOf(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

template <class Painter>
HRESULT Surface::Draw(const Rect& dest, Painter draw) {
  if (!primary_) {
    draw(Pixels(), dest, Bounds());
    const Rect drawn = Intersect(dest, Bounds());
    if (!drawn.Empty()) dirty_ = dirty_.Empty() ? drawn : Union(dirty_, drawn);
    return DD_OK;
  }
  // Without a clipper the primary surface has no window to land in: nothing is drawn.
  if (clipper_ == nullptr || !clipper_->alive()) return DD_OK;
  const HWND target = clipper_->window() != nullptr ? clipper_->window() : device_->window();
  Window* w = FindWindow(target);
  if (w == nullptr || !w->visible || w->minimized) return DD_OK;
  const POINT origin = DrawableOrigin(*w);
  const Rect onto = dest.Moved(-origin.x, -origin.y);
  const Rect client = w->ClientArea();
  if (clipper_->window() != nullptr) {
    draw(w->Drawable(), onto, client);
  } else {
    // A clip list alone: its screen rectangles, inside the device's window.
    for (const Rect& r : clipper_->clipList()) {
      draw(w->Drawable(), onto, Intersect(client, r.Moved(-origin.x, -origin.y)));
    }
  }
  PresentWindow(*w);
  return DD_OK;
}

HRESULT Surface::Fill(const Rect& dest, std::uint32_t colour) {
  const Rect bounds = Bounds();
  if (!primary_ && Intersect(dest, bounds).Width() == bounds.Width() &&
      Intersect(dest, bounds).Height() == bounds.Height()) {
    // The whole surface: only what changed since it last held this colour is written.
    FillPixels(Pixels(), colour == cleanColour_ ? dirty_ : bounds, colour);
    cleanColour_ = colour;
    dirty_ = Rect{};
    return DD_OK;
  }
  return Draw(dest, [colour](const PixelTarget& target, const Rect& onto, const Rect& clip) {
    FillPixels(target, Intersect(onto, clip), colour);
  });
}

HRESULT Surface::Copy(const Rect& dest, Surface& source, const Rect& from, bool keyed) {
  std::optional<ColourKey> key;
  if (keyed && source.sourceKey_) {
    key = ColourKey{source.sourceKey_->dwColorSpaceLowValue,
                    source.sourceKey_->dwColorSpaceHighValue};
  }
  const PixelTarget read = source.Pixels();
  return Draw(dest, [&](const PixelTarget& target, const Rect& onto, const Rect& clip) {
    CopyScaled(target, onto, clip, read, from, key ? &*key : nullptr);
  });
}

// Inverted rectangles are refused; empty ones are accepted and draw nothing.
HRESULT Surface::Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
                     DDBLTFX* fx) {
  if (!alive()) return DDERR_SURFACELOST;
  if (HRESULT fault = TakeFault(DdCall::Blt)) return fault;
  if (Busy()) return DDERR_SURFACEBUSY;
  const Rect dest = destRect != nullptr ? RectOf(*destRect) : Bounds();
  if (dest.Inverted()) return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_COLORFILL) != 0) {
    if (fx == nullptr || fx->dwSize != kDdBltFxSize) return DDERR_INVALIDPARAMS;
    return dest.Empty() ? DD_OK : Fill(dest, fx->dwFillColor);
  }
  Surface* source = FindSurface(src);
  if (source == nullptr) return DDERR_INVALIDPARAMS;
  if (!source->alive()) return DDERR_SURFACELOST;
  if (source->primary_) return DDERR_UNSUPPORTED;
  if (source != this && source->Busy()) return DDERR_SURFACEBUSY;
  const Rect from = srcRect != nullptr ? RectOf(*srcRect) : source->Bounds();
  if (from.Inverted()) return DDERR_INVALIDPARAMS;
  if (dest.Empty() || from.Empty()) return DD_OK;
  return Copy(dest, *source, from, (flags & DDBLT_KEYSRC) != 0);
}

}  // namespace platform::dd
