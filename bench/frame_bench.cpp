// One frame of a drag on the headless host, as the program draws it: measure the client
// area, step the drag (re-park the cursor, render the 128 x 128 preview), clear the back
// buffer, stretch the preview over the client area and present it.
#include <benchmark/benchmark.h>

#include "app/drag.h"
#include "app/frame.h"
#include "app/main_loop.h"
#include "app/main_window.h"
#include "display/device.h"
#include "display/image_surface.h"
#include "platform/hosts/headless/headless.h"

namespace hl = platform::headless;

namespace {

// The program as it is after start-up with the left button pressed over the picture:
// a zoom drag is running and every frame shows the preview.
void StartDragging() {
  hl::Script script;
  script.MoveTo(200, 200).Press(1);
  hl::Install(script);
  ResetProgramState();
  InitApplication(GetModuleHandleA(nullptr));
  CreateImageSurfaces(directDraw);
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void BM_DragFrame(benchmark::State& state) {
  StartDragging();
  if (CurrentDragMode != Zoom) {
    state.SkipWithError("the drag did not start");
    return;
  }
  for (auto _ : state) DrawFrame();
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  DestroyImageSurfaces();
}

BENCHMARK(BM_DragFrame)->Name("frame/drag_preview_512x492")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
