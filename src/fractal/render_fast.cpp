#include "fractal/render.h"

// Until the vectorised pass lands the program renders with the reference pass.
void RenderPixels(const PixelGrid& grid, RenderView view, int limit) {
  RenderPixelsPlain(grid, view, limit);
}
