#include "render_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char* const kRenderUsage =
    "Usage: mandelbrot-render [--view RE0 IM0 RE1 IM1] [--size W[xH]] [--output FILE.png]\n"
    "                         [--bench N] [--plain] [--isa NAME] [--verbose] [--help]\n"
    "\n"
    "Renders the Mandelbrot set exactly as the navigator shows it (iteration limit 150)\n"
    "and writes it as an 8-bit RGB PNG.\n"
    "\n"
    "  --view RE0 IM0 RE1 IM1  real part at the left column, imaginary part at the top row,\n"
    "                          real part at the right column, imaginary part at the bottom\n"
    "                          row (default: -1 -1 1 1, the navigator's first view)\n"
    "  --size W[xH]            picture size in pixels, 2 to 16384 each; square when H is\n"
    "                          left out (default: 512)\n"
    "  --output FILE.png       where to write the picture (default: mandelbrot.png; with\n"
    "                          --bench, nothing is written unless --output is given)\n"
    "  --bench N               render N times (1 to 100000) and print the median time of\n"
    "                          a render and the pixel-iterations per second\n"
    "  --plain                 render with the plain reference renderer instead of the\n"
    "                          vectorised, multi-threaded one (same picture, slower)\n"
    "  --isa NAME              run the fast renderer on this instruction set, e.g. AVX2 or\n"
    "                          SSE4 (default: the best this machine has; same picture)\n"
    "  --verbose               print the view, the size and the time taken\n"
    "  --help                  show this text\n";

namespace {

bool ParseNumber(const char* text, double& value) {
  if (*text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(parsed)) return false;
  // Overflow gives an infinity (rejected above); underflow to a tiny or zero value
  // is still the nearest double and is accepted.
  value = parsed;
  return true;
}

// A whole number of one to nine digits and nothing else.
bool ParseDigits(const char* begin, const char* end, int& number) {
  if (begin == end || end - begin > 9) return false;
  int value = 0;
  for (const char* p = begin; p != end; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
  }
  number = value;
  return true;
}

bool ParseSize(const char* text, int& width, int& height, std::string& error) {
  const char* end = text + std::strlen(text);
  const char* x = std::strchr(text, 'x');
  bool ok = x ? ParseDigits(text, x, width) && ParseDigits(x + 1, end, height)
              : ParseDigits(text, end, width);
  if (!ok) {
    error = std::string("--size: '") + text + "' is not W or WxH with whole numbers";
    return false;
  }
  if (!x) height = width;
  if (width < kMinSide || width > kMaxSide || height < kMinSide || height > kMaxSide) {
    error = std::string("--size: '") + text + "' is out of range (each side 2 to 16384)";
    return false;
  }
  return true;
}

bool ParseBench(const char* text, int& count, std::string& error) {
  const char* end = text + std::strlen(text);
  int value = 0;
  if (!ParseDigits(text, end, value)) {
    error = std::string("--bench: '") + text + "' is not a whole number";
    return false;
  }
  if (value < kMinBench || value > kMaxBench) {
    error = std::string("--bench: '") + text + "' is out of range (1 to 100000)";
    return false;
  }
  count = value;
  return true;
}

}  // namespace

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const int left = argc - 1 - i;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--verbose" || arg == "-v") {
      options.verbose = true;
    } else if (arg == "--view") {
      if (left < 4) {
        error = "--view needs four numbers: RE0 IM0 RE1 IM1";
        return false;
      }
      double* fields[4] = {&options.re0, &options.im0, &options.re1, &options.im1};
      static const char* const names[4] = {"RE0", "IM0", "RE1", "IM1"};
      for (int k = 0; k < 4; ++k) {
        const char* text = argv[++i];
        if (!ParseNumber(text, *fields[k])) {
          error = std::string("--view: ") + names[k] + " '" + text + "' is not a finite number";
          return false;
        }
      }
    } else if (arg == "--size") {
      if (left < 1) {
        error = "--size needs a value: W or WxH";
        return false;
      }
      if (!ParseSize(argv[++i], options.width, options.height, error)) return false;
    } else if (arg == "--output" || arg == "-o") {
      if (left < 1 || argv[i + 1][0] == '\0') {
        error = "--output needs a file name";
        return false;
      }
      options.output = argv[++i];
      options.outputGiven = true;
    } else if (arg == "--bench") {
      if (left < 1) {
        error = "--bench needs a count: N";
        return false;
      }
      if (!ParseBench(argv[++i], options.bench, error)) return false;
    } else if (arg == "--plain") {
      options.plain = true;
    } else if (arg == "--isa") {
      if (left < 1 || argv[i + 1][0] == '\0') {
        error = "--isa needs an instruction set: NAME";
        return false;
      }
      options.isa = argv[++i];
    } else {
      error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
  }
  return true;
}
