#include "platform/core/pixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// The source index of destination index i for a span of `to` pixels drawn from a span of
// `from` pixels. Products of two spans of up to 2^33 need more than 64 bits.
std::int64_t SourceIndex(std::int64_t i, std::int64_t from, std::int64_t to) {
  const __int128 numerator = static_cast<__int128>(2 * i + 1) * from;
  return static_cast<std::int64_t>(numerator / (2 * static_cast<__int128>(to)));
}

// Writes `count` words to `out`; whether any of them changed.
bool CopyRow(const std::uint32_t* in, std::int64_t count, std::uint32_t* out) {
  if (std::equal(in, in + count, out)) return false;
  std::copy(in, in + count, out);
  return true;
}

}  // namespace

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.Empty() || (inner.left >= outer.left && inner.top >= outer.top &&
                           inner.right <= outer.right && inner.bottom <= outer.bottom);
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

void FillPixels(const PixelTarget& target, const Rect& area, std::uint32_t colour) {
  const Rect cut = Intersect(area, target.Bounds());
  if (cut.Empty()) return;
  // A colour of four equal bytes (black, the program's clear) is a byte fill, which the C
  // library does many words at a time; the word loop stores one word after the other.
  const bool bytewise = colour == (colour & 0xFF) * 0x01010101u;
  for (std::int64_t y = cut.top; y < cut.bottom; ++y) {
    std::uint32_t* row = target.Row(y) + cut.left;
    if (bytewise) {
      std::memset(row, static_cast<int>(colour & 0xFF), static_cast<std::size_t>(cut.Width()) * 4);
    } else {
      std::fill(row, row + cut.Width(), colour);
    }
  }
}

bool CopyScaled(const PixelTarget& target, const Rect& onto, const Rect& clip,
                const PixelTarget& source, const Rect& from, const ColourKey* key) {
  const Rect cut = Intersect(Intersect(onto, clip), target.Bounds());
  if (cut.Empty() || onto.Empty() || from.Empty()) return false;
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
  bool changed = false;
  for (std::int64_t y = cut.top; y < cut.bottom; ++y) {
    const std::int64_t sy = from.top + SourceIndex(y - onto.top, from.Height(), onto.Height());
    if (sy < 0 || sy >= source.height) continue;
    const std::uint32_t* in = read.Row(sy);
    std::uint32_t* out = target.Row(y) + cut.left;
    if (key == nullptr && sy == previousSy) {
      // A stretched row repeats the one above it: copying it beats sampling it again.
      changed |= CopyRow(previousOut + first, last - first, out + first);
    } else if (key != nullptr) {
      for (std::int64_t x = first; x < last; ++x) {
        const std::uint32_t pixel = in[columns[x]];
        if (pixel < key->low || pixel > key->high) {
          changed |= out[x] != pixel;
          out[x] = pixel;
        }
      }
    } else if (oneToOne) {
      changed |= CopyRow(in + columns[first], last - first, out + first);
    } else {
      for (std::int64_t x = first; x < last; ++x) {
        const std::uint32_t pixel = in[columns[x]];
        changed |= out[x] != pixel;
        out[x] = pixel;
      }
    }
    previousOut = out;
    previousSy = sy;
  }
  return changed;
}

std::uint32_t PixelFromColorref(std::uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

}  // namespace platform
