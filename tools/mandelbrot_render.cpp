// mandelbrot-render: the navigator's picture of any view, written as a PNG.

#include <chrono>
#include <cstdio>
#include <string>

#include "fractal/memory_target.h"
#include "fractal/render.h"
#include "png_writer.h"
#include "render_options.h"

int main(int argc, char** argv) {
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "mandelbrot-render: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kRenderUsage, stdout);
    return 0;
  }
  MemoryTarget target(options.width, options.height);
  const auto start = std::chrono::steady_clock::now();
  RenderMandelbrot(target, options.re0, options.im0, options.re1, options.im1, kIterationLimit);
  const auto rendered = std::chrono::steady_clock::now();
  if (!WritePng(target, options.output, error)) {
    std::fprintf(stderr, "mandelbrot-render: %s\n", error.c_str());
    return 2;
  }
  if (options.verbose) {
    const double ms = std::chrono::duration<double, std::milli>(rendered - start).count();
    std::printf("view %.17g %.17g %.17g %.17g, size %dx%d, rendered in %.3f ms, written to %s\n",
                options.re0, options.im0, options.re1, options.im1, options.width,
                options.height, ms, options.output.c_str());
  }
  return 0;
}
