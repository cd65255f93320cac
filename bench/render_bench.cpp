// Render time of the plain and the fast pass side by side: the navigator's two picture
// sizes on its first view (the fast pass on every core), and a block inside the set on
// one core, where every pixel runs to the limit and the cost per step is plainest. The
// paced ones render after a frame's pause, as the navigator does, and time the render.
// The ratio ones give the speed-ups themselves, measured round by round side by side.
//
// Every fast benchmark runs on the instruction set the context names (the best one, or
// --render_isa=AVX2 and the like); those whose name ends in one run on that one.
//
// Counters: "iterations/s" counts pixel-iterations (orbit steps the plain loop performs:
// z2 .. z(count) for an escaping pixel, z2 .. z(limit) for one that stays), "ns/iteration"
// is its inverse, and "cycles/iteration" converts that with the nominal clock from
// /proc/cpuinfo (printed as cpu_mhz; a core running faster than that makes the figure
// lower than the true cycle count). perf counters are not available in every VM.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "fractal/memory_target.h"
#include "fractal/render.h"

namespace {

// Orbit steps of a whole render, as the plain loop performs them.
double PixelIterations(int w, int h, RenderView v) {
  const double dRe = (v.re1 - v.re0) / (w - 1), dIm = (v.im1 - v.im0) / (h - 1);
  double total = 0, y = v.im0;
  for (int r = 0; r < h; ++r, y = y + dIm) {
    double x = v.re0;
    for (int c = 0; c < w; ++c, x = x + dRe) {
      total += std::min(EscapeCount(x, y, kIterationLimit), kIterationLimit) - 1;
    }
  }
  return total;
}

double CachedPixelIterations(int w, int h, RenderView v) {
  static std::map<std::tuple<int, int, double, double, double, double>, double> cache;
  const auto key = std::make_tuple(w, h, v.re0, v.im0, v.re1, v.im1);
  auto found = cache.find(key);
  if (found == cache.end()) found = cache.emplace(key, PixelIterations(w, h, v)).first;
  return found->second;
}

// The nominal clock in Hz, 0 when unknown.
double NominalHz() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("cpu MHz", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return std::stod(line.substr(colon + 1)) * 1e6;
    }
  }
  return 0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

constexpr RenderView kInitialView{-1, -1, 1, 1};
// Wholly inside the main cardioid: every pixel runs to the limit.
constexpr RenderView kInsideBlock{-0.3, -0.2, 0.1, 0.2};
// On the boundary, where almost every pixel must be iterated and counts vary most.
constexpr RenderView kBoundaryView{-0.7454, 0.1130, -0.7449, 0.1135};

// Inside the period-3 component on the real axis (the cardioid of the small copy of the
// set at -1.75), which the interior test does not know: tiles proven to stay settle most
// of it, and exact repetition almost every other pixel, most of them long before the
// limit (stepwise_1_thread: neither).
constexpr RenderView kRepeatBlock{-1.7559, -0.001, -1.7539, 0.001};

std::string defaultIsa;  // --render_isa; empty: the best

// How long the navigator waits between two renders while it shows a drag: one display
// refresh, less the frame's work. Paced benchmarks pause this long before each render,
// time the render alone, and so see the workers asleep, as the program does.
constexpr auto kFramePause = std::chrono::milliseconds(4);

// Holds the fast pass to `isa` (empty: leaves it as --render_isa chose) until destroyed.
class HeldIsa {
 public:
  explicit HeldIsa(const std::string& isa)
      : isa_(isa), held_(isa.empty() || SetRenderInstructionSet(isa.c_str())) {}
  ~HeldIsa() {
    if (!isa_.empty()) SetRenderInstructionSet(defaultIsa.c_str());
  }
  bool Held() const { return held_; }

 private:
  std::string isa_;
  bool held_;
};

// Whether the benchmark holds its instruction set; one the machine lacks skips it.
bool Holds(benchmark::State& state, const HeldIsa& held) {
  if (held.Held()) return true;
  state.SkipWithError("instruction set not available");
  return false;
}

void RenderOnce(PixelPass pass, MemoryTarget& target, RenderView view) {
  RenderWith(pass, target, view.re0, view.im0, view.re1, view.im1, kIterationLimit);
  benchmark::DoNotOptimize(target.bytes.data());
  benchmark::ClobberMemory();
}

void Run(benchmark::State& state, PixelPass pass, RenderView view, int threads,
         const std::string& isa, bool paced) {
  const int size = static_cast<int>(state.range(0));
  const HeldIsa held(isa);
  if (!Holds(state, held)) return;
  MemoryTarget target(size, size);
  SetRenderThreads(threads);
  double seconds = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto render = [&] { RenderOnce(pass, target, view); };
  for (auto _ : state) {
    if (!paced) {
      render();
      continue;
    }
    std::this_thread::sleep_for(kFramePause);
    const auto begin = std::chrono::steady_clock::now();
    render();
    const double once =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    state.SetIterationTime(once);
    seconds += once;
  }
  if (!paced) {
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  SetRenderThreads(0);
  const double steps =
      CachedPixelIterations(size, size, view) * static_cast<double>(state.iterations());
  state.counters["iterations/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  state.counters["ns/iteration"] = seconds * 1e9 / steps;
  static const double hz = NominalHz();
  if (hz > 0) state.counters["cycles/iteration"] = seconds * hz / steps;
}

// Plain and fast side by side, one size after the other. Real time: the fast pass
// spends its time on other threads too. `isa` holds the fast pass to one instruction
// set for the benchmark; empty: the one --render_isa chose.
void Register(const std::string& name, PixelPass pass, RenderView view, int threads, int size,
              const std::string& isa = "") {
  benchmark::RegisterBenchmark(
      (isa.empty() ? name : name + "/" + isa).c_str(),
      [=](benchmark::State& state) { Run(state, pass, view, threads, isa, false); })
      ->Arg(size)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

// A render after a frame's pause, timed alone.
void RegisterPaced(const std::string& name, RenderView view, int threads, int size) {
  benchmark::RegisterBenchmark(
      name.c_str(),
      [=](benchmark::State& state) { Run(state, &RenderPixels, view, threads, "", true); })
      ->Arg(size)
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(200);
}

// Ratios measured side by side: each round renders with the first setting, then with
// the second, and keeps the ratio of the two times; the median of the rounds' ratios is
// the figure. A shared machine's speed drifts over seconds, and a round takes a few
// milliseconds: a drift slows both sides of a round alike.
struct Setting {
  PixelPass pass;
  int threads;
  int renders;  // a round's renders, back to back
};

// The median time of the setting's renders, back to back. Of several, the first is not
// counted: it finds the caches and the workers as the other setting left them.
double MedianRender(const Setting& setting, MemoryTarget& target, RenderView view) {
  SetRenderThreads(setting.threads);
  std::vector<double> seconds;
  const int uncounted = setting.renders > 1 ? 1 : 0;
  for (int i = 0; i < uncounted + setting.renders; ++i) {
    const auto begin = std::chrono::steady_clock::now();
    RenderOnce(setting.pass, target, view);
    const auto end = std::chrono::steady_clock::now();
    if (i >= uncounted) seconds.push_back(std::chrono::duration<double>(end - begin).count());
  }
  return Median(seconds);
}

// The processors this process may run on.
std::vector<int> AllowedProcessors() {
  std::vector<int> processors;
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return processors;
  for (int i = 0; i < CPU_SETSIZE; ++i) {
    if (CPU_ISSET(i, &set)) processors.push_back(i);
  }
  return processors;
}

// Holds the calling thread to one processor while it lives.
class HeldToProcessor {
 public:
  explicit HeldToProcessor(int processor) {
    held_ = pthread_getaffinity_np(pthread_self(), sizeof before_, &before_) == 0;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    held_ = held_ && pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0;
  }
  ~HeldToProcessor() {
    if (held_) pthread_setaffinity_np(pthread_self(), sizeof before_, &before_);
  }
  HeldToProcessor(const HeldToProcessor&) = delete;
  HeldToProcessor& operator=(const HeldToProcessor&) = delete;

 private:
  cpu_set_t before_;
  bool held_ = false;
};

// With eachProcessor (for a first setting of one thread), every round also renders the
// first setting held to each processor in turn. A shared machine's processors often run
// at different speeds (other work on the same physical core): together they can at best
// do what each does alone, added up.
// "ideal_ms" is that time, 1 / (1 / t0 + 1 / t1 + ...); "allowed" is the first setting's
// time over it, the most the second setting could measure on that machine in that
// round; and "of_ideal" is the ideal time over the second setting's.
void RunSideBySide(benchmark::State& state, Setting first, Setting second, RenderView view,
                   const std::string& isa, bool eachProcessor) {
  const int size = static_cast<int>(state.range(0));
  const HeldIsa held(isa);
  if (!Holds(state, held)) return;
  MemoryTarget target(size, size);
  const std::vector<int> processors = eachProcessor ? AllowedProcessors() : std::vector<int>{};
  std::vector<double> ratios, firsts, seconds, ideals, allowed, ofIdeal;
  std::vector<std::vector<double>> alone(processors.size());
  for (auto _ : state) {
    const double a = MedianRender(first, target, view);
    const double b = MedianRender(second, target, view);
    firsts.push_back(a);
    seconds.push_back(b);
    ratios.push_back(a / b);
    if (processors.empty()) continue;
    double rate = 0;
    for (std::size_t i = 0; i < processors.size(); ++i) {
      const HeldToProcessor pinned(processors[i]);
      alone[i].push_back(MedianRender(first, target, view));
      rate += 1 / alone[i].back();
    }
    ideals.push_back(1 / rate);
    allowed.push_back(a * rate);
    ofIdeal.push_back(1 / (rate * b));
  }
  SetRenderThreads(0);
  state.counters["ratio"] = Median(ratios);
  state.counters["first_ms"] = Median(firsts) * 1e3;
  state.counters["second_ms"] = Median(seconds) * 1e3;
  if (ideals.empty()) return;
  for (std::size_t i = 0; i < processors.size(); ++i) {
    state.counters["cpu" + std::to_string(processors[i]) + "_ms"] = Median(alone[i]) * 1e3;
  }
  state.counters["ideal_ms"] = Median(ideals) * 1e3;
  state.counters["allowed"] = Median(allowed);
  state.counters["of_ideal"] = Median(ofIdeal);
}

// "name/view": the first setting's time over the second's.
void RegisterSideBySide(const std::string& name, Setting first, Setting second, RenderView view,
                        int size, const std::string& isa, bool eachProcessor = false) {
  benchmark::RegisterBenchmark(
      (isa.empty() ? name : name + "/" + isa).c_str(),
      [=](benchmark::State& state) {
        RunSideBySide(state, first, second, view, isa, eachProcessor);
      })
      ->Arg(size)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

void RegisterRatios(const std::string& isa) {
  // The plain pass once a round (it takes tens of milliseconds), the fast one several
  // times.
  const Setting plain{&RenderPixelsPlain, 1, 1};
  const Setting fast{&RenderPixels, 0, 8};
  const Setting fastAlone{&RenderPixels, 1, 8};
  RegisterSideBySide("ratio/plain_over_fast/initial_view", plain, fast, kInitialView, 512, isa);
  RegisterSideBySide("ratio/plain_over_fast/initial_view", plain, fast, kInitialView, 128, isa);
  RegisterSideBySide("ratio/plain_over_fast/boundary_view", plain, fast, kBoundaryView, 512, isa);
  RegisterSideBySide("ratio/1_thread_over_all/initial_view", fastAlone, fast, kInitialView, 512,
                     isa, true);
}

void RegisterAll() {
  for (int size : {512, 128}) {
    Register("plain/initial_view", &RenderPixelsPlain, kInitialView, 1, size);
    Register("fast/initial_view", &RenderPixels, kInitialView, 0, size);
    Register("fast_1_thread/initial_view", &RenderPixels, kInitialView, 1, size);
  }
  // As the navigator renders: the preview once a refresh while a button is held, the
  // picture after a pause when it is released.
  for (int size : {512, 128}) {
    RegisterPaced("fast_paced/initial_view", kInitialView, 0, size);
    RegisterPaced("fast_paced_1_thread/initial_view", kInitialView, 1, size);
  }
  Register("plain/boundary_view", &RenderPixelsPlain, kBoundaryView, 1, 512);
  Register("fast/boundary_view", &RenderPixels, kBoundaryView, 0, 512);
  Register("fast_1_thread/boundary_view", &RenderPixels, kBoundaryView, 1, 512);
  Register("plain/inside_block", &RenderPixelsPlain, kInsideBlock, 1, 256);
  Register("plain/repeat_block", &RenderPixelsPlain, kRepeatBlock, 1, 256);
  Register("fast_1_thread/repeat_block", &RenderPixels, kRepeatBlock, 1, 256);
  Register("stepwise_1_thread/repeat_block", &RenderPixelsStepwise, kRepeatBlock, 1, 256);
  // The vectors alone, on every instruction set: no shortcut, every pixel to the limit.
  for (const std::string& isa : RenderInstructionSets()) {
    Register("stepwise_1_thread/inside_block", &RenderPixelsStepwise, kInsideBlock, 1, 256, isa);
  }
  for (const std::string& isa : RenderInstructionSets()) {
    Register("fast/initial_view", &RenderPixels, kInitialView, 0, 512, isa);
    Register("fast/boundary_view", &RenderPixels, kBoundaryView, 0, 512, isa);
  }
  RegisterRatios("");
  for (const std::string& isa : RenderInstructionSets()) RegisterRatios(isa);
}

// --render_isa=NAME: the instruction set of the benchmarks that name none.
bool TakeIsaFlag(int& argc, char** argv) {
  const std::string flag = "--render_isa=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind(flag, 0) == 0) {
      defaultIsa = arg.substr(flag.size());
      if (!SetRenderInstructionSet(defaultIsa.c_str())) {
        std::fprintf(stderr,
                     "render_bench: no instruction set '%s' here (have:", defaultIsa.c_str());
        for (const std::string& isa : RenderInstructionSets())
          std::fprintf(stderr, " %s", isa.c_str());
        std::fprintf(stderr, ")\n");
        return false;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!TakeIsaFlag(argc, argv)) return 1;
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("render_instruction_set", RenderInstructionSet());
  benchmark::AddCustomContext("render_threads", std::to_string(RenderThreads()));
  const double hz = NominalHz();
  if (hz > 0) benchmark::AddCustomContext("cpu_mhz", std::to_string(hz / 1e6));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
