#include "golden.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "fractal/memory_target.h"
#include "fractal/render.h"

Image RenderedPicture(const ViewRect& view, int size) {
  MemoryTarget target(size, size);
  RenderMandelbrotPlain(target, view.re0, view.im0, view.re1, view.im1, kIterationLimit);
  Image out{size, size, {}};
  out.pixels.reserve(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = target.Pixel(x, y);
      out.pixels.push_back(static_cast<std::uint32_t>(p[2]) << 16 |
                           static_cast<std::uint32_t>(p[1]) << 8 | p[0]);
    }
  }
  return out;
}

Image Stretch(const Image& picture, int width, int height) {
  Image out{width, height, {}};
  out.pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int sy = static_cast<int>((2LL * y + 1) * picture.height / (2LL * height));
    for (int x = 0; x < width; ++x) {
      out.pixels.push_back(
          picture.At(static_cast<int>((2LL * x + 1) * picture.width / (2LL * width)), sy));
    }
  }
  return out;
}

Image ExpectedPicture(const ViewRect& view, int size, int width, int height) {
  return Stretch(RenderedPicture(view, size), width, height);
}

Image Region(const Image& image, int x, int y, int width, int height) {
  Image out{std::max(0, std::min(width, image.width - x)),
            std::max(0, std::min(height, image.height - y)),
            {}};
  for (int row = 0; row < out.height; ++row) {
    for (int col = 0; col < out.width; ++col) out.pixels.push_back(image.At(x + col, y + row));
  }
  return out;
}

namespace {

void WriteImage(const Image& image, const std::filesystem::path& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_BGRA;  // 0x00RRGGBB words in memory order: B, G, R, 0
  std::vector<std::uint32_t> opaque(image.pixels);
  for (auto& p : opaque) p |= 0xFF000000u;
  png_image_write_to_file(&png, path.c_str(), 0, opaque.data(), 0, nullptr);
}

Image Difference(const Image& a, const Image& b) {
  const int w = std::max(a.width, b.width), h = std::max(a.height, b.height);
  Image diff{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, 0)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inA = x < a.width && y < a.height, inB = x < b.width && y < b.height;
      const bool same = inA && inB && a.At(x, y) == b.At(x, y);
      diff.pixels[static_cast<std::size_t>(y) * w + x] = same ? 0x202020 : 0xFF0000;
    }
  }
  return diff;
}

std::filesystem::path OutputFolder() {
  const char* folder = std::getenv("MANDEL_TEST_OUTPUT");
  const std::filesystem::path dir = folder ? folder : ".";
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

void SavePicture(const Image& image, const std::string& name) {
  WriteImage(image, OutputFolder() / (name + ".png"));
}

::testing::AssertionResult SamePicture(const Image& actual, const Image& expected,
                                       const std::string& name) {
  std::ostringstream problem;
  if (actual.width != expected.width || actual.height != expected.height) {
    problem << "size " << actual.width << "x" << actual.height << ", expected " << expected.width
            << "x" << expected.height;
  } else {
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
      if (actual.pixels[i] == expected.pixels[i]) continue;
      problem << "pixel (" << i % actual.width << ", " << i / actual.width << ") is " << std::hex
              << actual.pixels[i] << ", expected " << expected.pixels[i];
      break;
    }
  }
  if (problem.str().empty()) return ::testing::AssertionSuccess();
  const std::filesystem::path dir = OutputFolder();
  WriteImage(actual, dir / (name + "-actual.png"));
  WriteImage(expected, dir / (name + "-expected.png"));
  WriteImage(Difference(actual, expected), dir / (name + "-diff.png"));
  return ::testing::AssertionFailure()
         << name << ": " << problem.str() << " (pictures in " << dir.string() << ")";
}
