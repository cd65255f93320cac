#pragma once
// Colour gradient: piecewise-linear interpolation between the keys of a table.

#include <cstdint>

// 21 keys of three bytes each (byte 0, 1, 2 of a pixel: blue, green, red).
inline constexpr int kMandelbrotKeyCount = 21;
extern const std::uint8_t MandelbrotKeys[kMandelbrotKeyCount * 3];

// The Mandelbrot palette: MandelbrotKeys over the total length 350 in 20 segments.
inline constexpr int kPaletteLength = 350;
inline constexpr int kPaletteSegments = 20;

// Writes the colour of `index` to out0..out2 when the index lies in one of the
// table's segments; otherwise the outputs keep the values they had.
// `keys` holds segmentCount + 1 keys.
void GradientLookup(int index, int totalLength, const std::uint8_t* keys, int segmentCount,
                    std::uint8_t& out0, std::uint8_t& out1, std::uint8_t& out2);
