// mandelbrot-render: the navigator's picture of any view, written as a PNG; with --bench,
// a measure of how fast the renderer makes it.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fractal/memory_target.h"
#include "fractal/render.h"
#include "png_writer.h"
#include "render_options.h"

namespace {

// Orbit steps the render performs, as the plain loop counts them: z2 .. z(count) for a
// pixel that escapes, z2 .. z(limit) for one that stays.
double PixelIterations(const RenderOptions& o, int limit) {
  const double dRe = (o.re1 - o.re0) / static_cast<double>(o.width - 1);
  const double dIm = (o.im1 - o.im0) / static_cast<double>(o.height - 1);
  double total = 0;
  double y = o.im0;
  for (int r = 0; r < o.height; ++r, y = y + dIm) {
    double x = o.re0;
    for (int c = 0; c < o.width; ++c, x = x + dRe) {
      total += std::max(std::min(EscapeCount(x, y, limit), limit) - 1, 0);
    }
  }
  return total;
}

// Renders `count` times and prints the median time of one render.
void Bench(const RenderOptions& o, MemoryTarget& target) {
  const PixelPass pass = o.plain ? &RenderPixelsPlain : &RenderPixels;
  std::vector<double> seconds;
  seconds.reserve(static_cast<std::size_t>(o.bench));
  for (int i = 0; i < o.bench; ++i) {
    const auto start = std::chrono::steady_clock::now();
    RenderWith(pass, target, o.re0, o.im0, o.re1, o.im1, kIterationLimit);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const std::size_t mid = seconds.size() / 2;
  const double median = seconds.size() % 2 ? seconds[mid] : (seconds[mid - 1] + seconds[mid]) / 2;
  const double steps = PixelIterations(o, kIterationLimit);
  std::string renderer = "plain renderer, 1 thread";
  if (!o.plain) {
    const int threads = RenderThreads();
    renderer = std::string("fast renderer, ") + RenderInstructionSet() + ", " +
               std::to_string(threads) + (threads == 1 ? " thread" : " threads");
  }
  std::printf(
      "%s: %d renders of %dx%d, median %.3f ms (fastest %.3f ms), %.0f pixel-iterations "
      "per render, %.4g pixel-iterations/s\n",
      renderer.c_str(), o.bench, o.width, o.height, median * 1e3, seconds.front() * 1e3, steps,
      median > 0 ? steps / median : 0.0);
}

}  // namespace

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
  if (!options.isa.empty() && !SetRenderInstructionSet(options.isa.c_str())) {
    std::string have;
    for (const std::string& name : RenderInstructionSets()) have += " " + name;
    std::fprintf(stderr, "mandelbrot-render: --isa: no instruction set '%s' here (have:%s)\n",
                 options.isa.c_str(), have.c_str());
    return 2;
  }
  MemoryTarget target(options.width, options.height);
  const auto start = std::chrono::steady_clock::now();
  if (options.bench > 0) {
    Bench(options, target);
  } else {
    RenderWith(options.plain ? &RenderPixelsPlain : &RenderPixels, target, options.re0, options.im0,
               options.re1, options.im1, kIterationLimit);
  }
  const auto rendered = std::chrono::steady_clock::now();
  // A benchmark writes its picture only when asked to.
  const bool write = options.bench == 0 || options.outputGiven;
  if (write && !WritePng(target, options.output, error)) {
    std::fprintf(stderr, "mandelbrot-render: %s\n", error.c_str());
    return 2;
  }
  if (options.verbose) {
    const double ms = std::chrono::duration<double, std::milli>(rendered - start).count();
    std::printf("view %.17g %.17g %.17g %.17g, size %dx%d, rendered in %.3f ms", options.re0,
                options.im0, options.re1, options.im1, options.width, options.height, ms);
    if (write) std::printf(", written to %s", options.output.c_str());
    std::printf("\n");
  }
  return 0;
}
