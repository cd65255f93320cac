#include "png_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct PngFailure {
  char message[256] = "libpng failed";
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Encodes into an open file; false with `error` set when libpng or the file fails.
bool Encode(const MemoryTarget& target, std::FILE* file, std::string& error) {
  PngFailure failure;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnPngError, OnPngWarning);
  if (!png) {
    error = "cannot start the PNG encoder";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  const int width = static_cast<int>(target.width);
  const int height = static_cast<int>(target.height);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    error = failure.message;
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      const std::uint8_t* pixel = target.Pixel(c, r);
      row[3 * c + 0] = pixel[2];
      row[3 * c + 1] = pixel[1];
      row[3 * c + 2] = pixel[0];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const MemoryTarget& target, const std::string& path, std::string& error) {
  std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  temp = name.data();
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  bool ok = Encode(target, file, error);
  if (ok && std::fflush(file) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    ok = false;
  }
  // mkstemp creates the file readable by its owner only; give it the usual mode.
  if (ok) {
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    ok = false;
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}
