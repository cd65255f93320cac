#include "platform/core/pixels.h"

#include <algorithm>
#include <vector>

namespace platform {
namespace {

// The source index of destination index i for a span of `to` pixels drawn from a span of
// `from` pixels. Products of two spans of up to 2^33 need more than 64 bits.
std::int64_t SourceIndex(std::int64_t i, std::int64_t from, std::int64_t to) {
  const __int128 numerator = static_cast<__int128>(2 * i + 1) * from;
  return static_cast<std::int64_t>(numerator / (2 * static_cast<__int128>(to)));
}

}  // namespace

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

void FillPixels(const PixelTarget& target, const Rect& area, std::uint32_t colour) {
  const Rect cut = Intersect(area, target.Bounds());
  if (cut.Empty()) return;
  for (std::int64_t y = cut.top; y < cut.bottom; ++y) {
    std::fill(target.Row(y) + cut.left, target.Row(y) + cut.right, colour);
  }
}

void CopyScaled(const PixelTarget& target, const Rect& onto, const Rect& clip,
                const PixelTarget& source, const Rect& from, const ColourKey* key) {
  const Rect cut = Intersect(Intersect(onto, clip), target.Bounds());
  if (cut.Empty() || onto.Empty() || from.Empty()) return;
  // Source column of every destination column of the cut; -1 where it lies outside.
  std::vector<std::int64_t> columns(static_cast<std::size_t>(cut.Width()));
  for (std::int64_t x = cut.left; x < cut.right; ++x) {
    const std::int64_t sx = from.left + SourceIndex(x - onto.left, from.Width(), onto.Width());
    columns[x - cut.left] = (sx >= 0 && sx < source.width) ? sx : -1;
  }
  // A copy within one surface reads from a snapshot so that no row is read after it was
  // written.
  std::vector<std::uint32_t> snapshot;
  PixelTarget read = source;
  if (source.pixels == target.pixels) {
    snapshot.assign(source.pixels, source.pixels + source.pitch * source.height);
    read.pixels = snapshot.data();
  }
  // The columns that have a source pixel lie in one run (the mapping is monotonic).
  std::int64_t first = 0;
  while (first < cut.Width() && columns[first] < 0) ++first;
  std::int64_t last = cut.Width();
  while (last > first && columns[last - 1] < 0) --last;
  const bool oneToOne = from.Width() == onto.Width();
  const std::uint32_t* previousOut = nullptr;
  std::int64_t previousSy = -1;
  for (std::int64_t y = cut.top; y < cut.bottom; ++y) {
    const std::int64_t sy = from.top + SourceIndex(y - onto.top, from.Height(), onto.Height());
    if (sy < 0 || sy >= source.height) continue;
    const std::uint32_t* in = read.Row(sy);
    std::uint32_t* out = target.Row(y) + cut.left;
    if (key == nullptr && sy == previousSy) {
      // A stretched row repeats the one above it: copying it beats sampling it again.
      std::copy(previousOut + first, previousOut + last, out + first);
    } else if (key != nullptr) {
      for (std::int64_t x = first; x < last; ++x) {
        const std::uint32_t pixel = in[columns[x]];
        if (pixel < key->low || pixel > key->high) out[x] = pixel;
      }
    } else if (oneToOne) {
      std::copy(in + columns[first], in + columns[first] + (last - first), out + first);
    } else {
      for (std::int64_t x = first; x < last; ++x) out[x] = in[columns[x]];
    }
    previousOut = out;
    previousSy = sy;
  }
}

std::uint32_t PixelFromColorref(std::uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

}  // namespace platform
