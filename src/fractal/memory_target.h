#pragma once
// A render target in plain memory, for tools and tests: rows may be padded, and a lock
// can be made to fail.

#include <cstddef>
#include <cstdint>
#include <vector>

struct MemoryTarget {
  float width = 0;
  float height = 0;
  float pitch = 0;
  std::vector<std::uint8_t> bytes;
  bool failLock = false;
  int lockCount = 0;
  int unlockCount = 0;

  MemoryTarget(int w, int h, int pitchBytes = 0, std::uint8_t fill = 0)
      : width(static_cast<float>(w)),
        height(static_cast<float>(h)),
        pitch(static_cast<float>(pitchBytes ? pitchBytes : w * 4)),
        bytes(
            static_cast<std::size_t>(pitchBytes ? pitchBytes : w * 4) * static_cast<std::size_t>(h),
            fill) {}

  int Lock(std::uint8_t*& first) {
    ++lockCount;
    if (failLock) return 0;
    first = bytes.data();
    return 1;
  }
  int Unlock() {
    ++unlockCount;
    return 1;
  }
  const std::uint8_t* Pixel(int column, int row) const {
    return bytes.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(pitch) +
           static_cast<std::size_t>(column) * 4;
  }
};
