#pragma once
// Pixel arithmetic shared by GDI, DirectDraw and the menu drawing: rectangles that never
// overflow, fills and nearest-neighbour copies that stay inside their targets.

#include <cstddef>
#include <cstdint>

namespace platform {

// right and bottom are exclusive. 64-bit so that rectangles made of any two LONG corners,
// moved by any window position, can be measured and cut without overflow.
struct Rect {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t Width() const { return right - left; }
  std::int64_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Inverted() const { return right < left || bottom < top; }
  bool Contains(std::int64_t x, std::int64_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  Rect Moved(std::int64_t dx, std::int64_t dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
};

Rect Intersect(const Rect& a, const Rect& b);
// Whether `outer` holds every pixel of `inner` (an empty `inner` is held by anything).
bool Contains(const Rect& outer, const Rect& inner);
// The smallest rectangle holding both.
Rect Union(const Rect& a, const Rect& b);

// Rows of 32-bit 0x00RRGGBB words, `pitch` words apart.
struct PixelTarget {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t pitch = 0;

  Rect Bounds() const { return {0, 0, width, height}; }
  std::uint32_t* Row(std::int64_t y) const { return pixels + y * pitch; }
};

// Fills `area` cut to the target.
void FillPixels(const PixelTarget& target, const Rect& area, std::uint32_t colour);

// Source pixels whose value lies in [low, high] are not copied.
struct ColourKey {
  std::uint32_t low = 0, high = 0;
};

// Copies `from` (in `source`) onto `onto` (in `target`), scaling by nearest neighbour, and
// writes only target pixels inside `clip` and the target whose source pixel lies inside
// the source. Destination pixel i of `onto` (counted from its left edge) takes source
// column from.left + floor((2i + 1) * from.Width() / (2 * onto.Width())): the source
// pixel under the destination pixel's centre, in exact integer arithmetic. Rows alike.
// Both rectangles must be non-empty. `source` and `target` may share their pixels.
// Returns whether any target pixel changed value: a row that already holds what the copy
// would write is left as it is, so copying a picture onto itself costs only a compare.
bool CopyScaled(const PixelTarget& target, const Rect& onto, const Rect& clip,
                const PixelTarget& source, const Rect& from, const ColourKey* key);

// GDI colours are 0x00BBGGRR; pixels 0x00RRGGBB.
std::uint32_t PixelFromColorref(std::uint32_t colorref);

}  // namespace platform
