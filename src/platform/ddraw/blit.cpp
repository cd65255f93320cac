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
HRESULT Surface::Draw(const Rect& dest, const Rect& covered, Painter draw) {
  if (!primary_) {
    // A clear that the drawing paints over whole need never be written.
    if (Contains(covered, pendingFill_)) {
      pendingFill_ = Rect{};
    } else {
      WritePendingFill();
    }
    draw(Pixels(), dest, Bounds());
    const Rect drawn = Intersect(dest, Bounds());
    if (!drawn.Empty()) dirty_ = dirty_.Empty() ? drawn : Union(dirty_, drawn);
    return DD_OK;
  }
  Window* w = ScreenWindow();
  if (w != nullptr && w->visible && !w->minimized) DrawInWindow(*w, dest, draw);
  return DD_OK;
}

// Without a clipper the primary surface has no window to land in.
Window* Surface::ScreenWindow() const {
  if (!primary_ || clipper_ == nullptr || !clipper_->alive() || device_ == nullptr) return nullptr;
  return FindWindow(clipper_->window() != nullptr ? clipper_->window() : device_->window());
}

template <class Painter>
void Surface::DrawInWindow(Window& w, const Rect& dest, Painter draw) {
  const POINT origin = DrawableOrigin(w);
  const Rect onto = dest.Moved(-origin.x, -origin.y);
  const Rect client = w.ClientArea();
  bool changed = false;
  if (clipper_->window() != nullptr) {
    changed = draw(w.Drawable(), onto, client);
  } else {
    // A clip list alone: its screen rectangles, inside the device's window.
    for (const Rect& r : clipper_->clipList()) {
      changed |= draw(w.Drawable(), onto, Intersect(client, r.Moved(-origin.x, -origin.y)));
    }
  }
  // An idle program presents the same frame at every refresh: the desktop is handed a
  // picture only when it differs from the one the window shows.
  if (changed || !w.shown) PresentWindow(w);
}

HRESULT Surface::Fill(const Rect& dest, std::uint32_t colour) {
  const Rect bounds = Bounds();
  if (!primary_ && Intersect(dest, bounds).Width() == bounds.Width() &&
      Intersect(dest, bounds).Height() == bounds.Height()) {
    // The whole surface: only what changed since it last held this colour needs writing,
    // and that only once something looks at it or draws over part of it.
    const Rect stale = colour == cleanColour_ ? dirty_ : bounds;
    if (!stale.Empty()) pendingFill_ = pendingFill_.Empty() ? stale : Union(pendingFill_, stale);
    cleanColour_ = colour;
    dirty_ = Rect{};
    return DD_OK;
  }
  const Rect filled = Intersect(dest, bounds);
  return Draw(dest, filled,
              [colour](const PixelTarget& target, const Rect& onto, const Rect& clip) {
                FillPixels(target, Intersect(onto, clip), colour);
                return true;
              });
}

HRESULT Surface::Copy(const Rect& dest, Surface& source, const Rect& from, bool keyed) {
  std::optional<ColourKey> key;
  if (keyed && source.sourceKey_) {
    key = ColourKey{source.sourceKey_->dwColorSpaceLowValue,
                    source.sourceKey_->dwColorSpaceHighValue};
  }
  source.WritePendingFill();
  const PixelTarget read = source.Pixels();
  // Every pixel of the cut gets a source pixel when the source rectangle lies inside the
  // source and no colour key holds any back.
  const bool opaque = !key && Contains(source.Bounds(), from);
  const Rect copied = opaque ? Intersect(dest, Bounds()) : Rect{};
  return Draw(dest, copied, [&](const PixelTarget& target, const Rect& onto, const Rect& clip) {
    return CopyScaled(target, onto, clip, read, from, key ? &*key : nullptr);
  });
}

HRESULT Surface::Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
                     DDBLTFX* fx) {
  const HRESULT result = BltNow(destRect, src, srcRect, flags, fx);
  if (primary_) {
    // A blit onto the screen is the program's present: the desktop paces it to the
    // display, whether or not anything could be shown (a minimised window's is empty).
    const Window* w = ScreenWindow();
    ActiveHost().WaitForRefresh(w != nullptr ? w->hostId : 0);
  }
  return result;
}

// Inverted rectangles are refused; empty ones are accepted and draw nothing.
HRESULT Surface::BltNow(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
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
