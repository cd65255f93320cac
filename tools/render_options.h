#pragma once
// Command line of mandelbrot-render.

#include <string>

struct RenderOptions {
  double re0 = -1, im0 = -1, re1 = 1, im1 = 1;
  int width = 512;
  int height = 512;
  std::string output = "mandelbrot.png";
  bool verbose = false;
  bool help = false;
};

inline constexpr int kMinSide = 2;
inline constexpr int kMaxSide = 16384;

// Parses argv[1..argc-1]. On a bad argument returns false with a one-line message
// naming the problem in `error`.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);

extern const char* const kRenderUsage;
