#pragma once
// The escape-time picture of a view rectangle, written into a lockable 32-bit pixel target.
//
// A render target offers what an image surface offers:
//   float width, height, pitch;          // pixels, pixels, bytes from one row to the next
//   int Lock(std::uint8_t*& firstPixel); // 1 and the top row's first byte, or 0
//   int Unlock();
// Every pixel gets the gradient colour of its escape count in bytes 0..2 (blue, green,
// red); byte 3 is never written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fractal/escape.h"

// The pixels of a locked target.
struct PixelGrid {
  std::uint8_t* first = nullptr;  // first byte of the top row
  int width = 0;
  int height = 0;
  std::ptrdiff_t pitch = 0;  // bytes from one row to the next, at least width * 4
};

// The rectangle of the complex plane a render samples: re0 at the left column, im0 at
// the top row, re1 at the right column, im1 at the bottom row.
struct RenderView {
  double re0, im0, re1, im1;
};

// The straightforward pass, one point after the other: the reference every faster
// pass must match byte for byte.
void RenderPixelsPlain(const PixelGrid& grid, RenderView view, int limit);

// The pass the program uses. Gives the same bytes as RenderPixelsPlain: the same sample
// points and the same double operations, on vectors of neighbouring pixels with the best
// instruction set of the machine, its rows shared among a pool of threads that is started
// by the first render and lives until the program ends. Safe to call from several
// threads; their renders take turns in the pool.
void RenderPixels(const PixelGrid& grid, RenderView view, int limit);

// RenderPixels without its shortcuts (the interior test, exact repetition and tiles
// proven whole): every orbit is iterated until it leaves or reaches the limit. What the vectors alone are
// worth, for benchmarks, and a second fast pass for the tests to compare.
void RenderPixelsStepwise(const PixelGrid& grid, RenderView view, int limit);

// How many threads RenderPixels shares a picture's rows among, the calling thread
// included: 1 keeps it on the caller, 0 (the default) means one per core.
void SetRenderThreads(int threads);
// The number of threads the next RenderPixels will use.
int RenderThreads();
// The instruction set RenderPixels would use now, by Highway's name ("AVX3", "AVX2",
// "SSE4", "NEON", ...).
const char* RenderInstructionSet();
// Makes RenderPixels use the named instruction set (Highway's name, any case), if this
// machine and build have it: how one machine measures every kind. nullptr or "" goes
// back to the best one. Returns false, changing nothing, for a name it does not have.
bool SetRenderInstructionSet(const char* name);
// Highway's names of the instruction sets this machine and build can render with,
// best first.
std::vector<std::string> RenderInstructionSets();

// A float size or pitch of a target, truncated toward zero; 0 when it does not fit.
int TruncateExtent(float value);

using PixelPass = void (*)(const PixelGrid&, RenderView, int);

// Locks the target, renders every pixel and unlocks it. A failed lock writes nothing;
// so does a grid whose pitch is too small to hold its rows.
template <class Target>
void RenderWith(PixelPass pass, Target& surface, double re0, double im0, double re1, double im1,
                int limit) {
  std::uint8_t* first = nullptr;
  if (!surface.Lock(first) || first == nullptr) return;
  PixelGrid grid{first, TruncateExtent(surface.width), TruncateExtent(surface.height),
                 TruncateExtent(surface.pitch)};
  if (grid.width > 0 && grid.height > 0 && grid.pitch >= std::ptrdiff_t{grid.width} * 4) {
    pass(grid, RenderView{re0, im0, re1, im1}, limit);
  }
  surface.Unlock();
}

template <class Target>
void RenderMandelbrot(Target& surface, double re0, double im0, double re1, double im1, int limit) {
  RenderWith(&RenderPixels, surface, re0, im0, re1, im1, limit);
}

template <class Target>
void RenderMandelbrotPlain(Target& surface, double re0, double im0, double re1, double im1,
                           int limit) {
  RenderWith(&RenderPixelsPlain, surface, re0, im0, re1, im1, limit);
}
