#include <cmath>
#include <cstring>

#include "fractal/gradient.h"
#include "fractal/render.h"

int TruncateExtent(float value) {
  // Beyond this the value is no size any surface can have; NaN fails the test too.
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0;
  return static_cast<int>(value);
}

void RenderPixelsPlain(const PixelGrid& grid, RenderView view, int limit) {
  const int w = grid.width;
  const int h = grid.height;
  if (w <= 0 || h <= 0) return;
  const double dRe = (view.re1 - view.re0) / static_cast<double>(w - 1);
  const double dIm = (view.im1 - view.im0) / static_cast<double>(h - 1);
  std::uint8_t keys[sizeof MandelbrotKeys];
  std::memcpy(keys, MandelbrotKeys, sizeof keys);

  std::uint8_t* row = grid.first;
  double y = view.im0;
  for (int r = 0; r < h; ++r) {
    std::uint8_t* pixel = row;
    double x = view.re0;
    for (int c = 0; c < w; ++c) {
      const int index = WrapModulo(EscapeCount(x, y, limit), kColourCycle);
      std::uint8_t b0 = 0, b1 = 0, b2 = 0;
      GradientLookup(index, kPaletteLength, keys, kPaletteSegments, b0, b1, b2);
      pixel[0] = b0;
      pixel[1] = b1;
      pixel[2] = b2;
      x = x + dRe;
      pixel += 4;
    }
    row += grid.pitch;
    y = y + dIm;
  }
}
