#pragma once
// Writes a rendered picture as an 8-bit RGB PNG.

#include <string>

#include "fractal/memory_target.h"

// Writes `target` to `path` through a temporary file in the same folder that is renamed
// into place only when complete, so that a failure never leaves a partial file behind.
// Pixel (c, r) gets red = byte 2, green = byte 1, blue = byte 0. No gamma or colour
// profile chunk is written, so viewers show the bytes as they are.
bool WritePng(const MemoryTarget& target, const std::string& path, std::string& error);
