#pragma once
// An off-screen picture of fixed size with 32-bit pixels (0x00RRGGBB): the render target
// of the escape-time renderer and the source of the scaled blit. It never releases its
// platform surface: the surface goes with the DirectDraw device.

#include <cstdint>

#include "platform/ddraw/ddraw.h"

enum MemoryKind : std::int32_t { SystemMemory = 0, VideoMemory = 1 };

class ImageSurface {
 public:
  explicit ImageSurface(IDirectDraw* device);
  ~ImageSurface();
  ImageSurface(const ImageSurface&) = delete;
  ImageSurface& operator=(const ImageSurface&) = delete;

  // Forgets the surface and the device (nothing is released); width, height and the
  // memory kind go back to 0.
  void Clear();
  // Creates the platform surface in the memory `memoryKind` names; the platform's result
  // (DD_OK on success), or DDERR_INVALIDPARAMS for an unknown memory kind.
  HRESULT Create(int width, int height);
  // Creates the surface (a size of 0 takes the bitmap's) and copies the bitmap into it at
  // (x, y).
  void InitFromBitmap(HBITMAP bitmap, int x, int y, int width, int height);
  // Creates a black surface of width x height with a tile grid and a source colour key.
  void InitBlank(int width, int height, int tileColumns, int tileRows, std::uint8_t keyBlue,
                 std::uint8_t keyGreen, std::uint8_t keyRed, std::int32_t memoryKind);
  // 1 and the first pixel's address, or 0 (out untouched).
  int Lock(std::uint8_t*& out);
  // 1 if a lock was ended, 0 if the surface was not locked.
  int Unlock();
  IDirectDrawSurface* GetSurface() const { return surface; }

  float width = 0;
  float height = 0;
  float pitch = 0;
  float tileColumns = 0;
  float tileRows = 0;
  std::uint8_t keyBlue = 0;
  std::uint8_t keyGreen = 0;
  std::uint8_t keyRed = 0;
  IDirectDrawSurface* surface = nullptr;
  IDirectDraw* device = nullptr;
  std::int32_t memoryKind = SystemMemory;
  std::uint8_t* lockedPixels = nullptr;

 private:
  void SetColourKey(std::uint8_t blue, std::uint8_t green, std::uint8_t red);
  void PaintBlack(int width, int height);
};

inline constexpr int kPreviewSize = 128;
inline constexpr int kFullSize = 512;

// Re-rendered every frame while a button is held, 128 x 128.
extern ImageSurface* PreviewSurface;
// The initial render and the render at the end of each drag, 512 x 512.
extern ImageSurface* FullSurface;

void CreateImageSurfaces(IDirectDraw* device);
void DestroyImageSurfaces();
