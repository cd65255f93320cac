// Render time of the navigator's two picture sizes on its first view.
#include <benchmark/benchmark.h>

#include "fractal/memory_target.h"
#include "fractal/render.h"

namespace {

// Pixel-iterations (squarings) of a render, for the rate counter.
double Squarings(const MemoryTarget& t, RenderView v) {
  const int w = static_cast<int>(t.width), h = static_cast<int>(t.height);
  const double dRe = (v.re1 - v.re0) / (w - 1), dIm = (v.im1 - v.im0) / (h - 1);
  double total = 0, y = v.im0;
  for (int r = 0; r < h; ++r, y = y + dIm) {
    double x = v.re0;
    for (int c = 0; c < w; ++c, x = x + dRe) total += EscapeCount(x, y, kIterationLimit) - 1;
  }
  return total;
}

template <PixelPass Pass>
void BM_Render(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MemoryTarget target(size, size);
  const RenderView view{-1, -1, 1, 1};
  for (auto _ : state) {
    RenderWith(Pass, target, view.re0, view.im0, view.re1, view.im1, kIterationLimit);
    benchmark::DoNotOptimize(target.bytes.data());
  }
  state.counters["iterations/s"] = benchmark::Counter(
      Squarings(target, view) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Render<RenderPixelsPlain>)->Name("plain/initial_view")->Arg(128)->Arg(512)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render<RenderPixels>)->Name("fast/initial_view")->Arg(128)->Arg(512)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
