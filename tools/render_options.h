#pragma once
// Command line of mandelbrot-render.

#include <string>

struct RenderOptions {
  double re0 = -1, im0 = -1, re1 = 1, im1 = 1;
  int width = 512;
  int height = 512;
  std::string output = "mandelbrot.png";
  bool outputGiven = false;  // --output was on the command line
  bool verbose = false;
  bool help = false;
  int bench = 0;       // --bench N: render N times and report the median time; 0: off
  bool plain = false;  // --plain: render with the reference pass
  std::string isa;     // --isa NAME: the fast pass on that instruction set; empty: the best
};

inline constexpr int kMinSide = 2;
inline constexpr int kMaxSide = 16384;
inline constexpr int kMinBench = 1;
inline constexpr int kMaxBench = 100000;

// Parses argv[1..argc-1]. On a bad argument returns false with a one-line message
// naming the problem in `error`.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);

extern const char* const kRenderUsage;
