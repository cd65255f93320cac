#include "display/image_surface.h"

#include <new>

#include "display/device.h"

ImageSurface* PreviewSurface = nullptr;
ImageSurface* FullSurface = nullptr;

ImageSurface::ImageSurface(IDirectDraw* device) : device(device) {}

ImageSurface::~ImageSurface() {
  Clear();
}

void ImageSurface::Clear() {
  device = nullptr;
  surface = nullptr;
  width = 0;
  height = 0;
  memoryKind = SystemMemory;
}

HRESULT ImageSurface::Create(int w, int h) {
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  if (memoryKind == SystemMemory) {
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  } else if (memoryKind == VideoMemory) {
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
  } else {
    return DDERR_INVALIDPARAMS;  // no surface was made: never report success
  }
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = static_cast<DWORD>(w);
  desc.dwHeight = static_cast<DWORD>(h);
  width = static_cast<float>(w);
  height = static_cast<float>(h);
  if (device == nullptr) return DDERR_INVALIDOBJECT;
  const HRESULT result = device->CreateSurface(&desc, &surface, nullptr);
  if (result == DD_OK && surface != nullptr) {
    DDSURFACEDESC created{};
    created.dwSize = kDdSurfaceDescSize;
    surface->GetSurfaceDesc(&created);
    pitch = static_cast<float>(created.lPitch);
  }
  return result;
}

void ImageSurface::InitFromBitmap(HBITMAP bitmap, int x, int y, int w, int h) {
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, bitmap);
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  if (w == 0) w = info.bmWidth;
  if (h == 0) h = info.bmHeight;
  Create(w, h);
  if (surface == nullptr || bitmap == nullptr) {
    DeleteDC(memory);
    return;
  }
  surface->Restore();
  HDC target = nullptr;
  if (surface->GetDC(&target) == DD_OK) {
    BitBlt(target, x, y, w, h, memory, 0, 0, SRCCOPY);
    surface->ReleaseDC(target);
  }
  DeleteDC(memory);
}

void ImageSurface::InitBlank(int w, int h, int columns, int rows, std::uint8_t blue,
                             std::uint8_t green, std::uint8_t red, std::int32_t kind) {
  memoryKind = kind;
  HBITMAP blank = CreateBitmap(w, h, 1, 32, nullptr);
  InitFromBitmap(blank, 0, 0, w, h);
  tileColumns = static_cast<float>(columns);
  tileRows = static_cast<float>(rows);
  SetColourKey(blue, green, red);
  DeleteObject(blank);
  PaintBlack(w, h);
}

// The key follows the back buffer's depth: packed 5-6-5 at 16 bits, 0x00RRGGBB otherwise.
void ImageSurface::SetColourKey(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  if (backBuffer != nullptr) backBuffer->GetSurfaceDesc(&desc);
  DWORD key = 0;
  if (desc.ddpfPixelFormat.dwRGBBitCount == 16) {
    blue = blue >> 3;
    green = green >> 2;
    red = red >> 3;
    key = static_cast<DWORD>(red) << 11 | static_cast<DWORD>(green) << 5 | blue;
  } else {
    key = static_cast<DWORD>(red) << 16 | static_cast<DWORD>(green) << 8 | blue;
  }
  DDCOLORKEY colourKey{key, key};
  if (surface != nullptr) surface->SetColorKey(DDCKEY_SRCBLT, &colourKey);
  keyBlue = blue;
  keyGreen = green;
  keyRed = red;
}

void ImageSurface::PaintBlack(int w, int h) {
  HDC dc = nullptr;
  if (surface == nullptr || surface->GetDC(&dc) != DD_OK) return;
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HGDIBRUSH brush = CreateSolidBrush(0);
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  Rectangle(dc, 0, 0, w, h);
  surface->ReleaseDC(dc);
  DeleteObject(pen);
  DeleteObject(brush);
}

int ImageSurface::Lock(std::uint8_t*& out) {
  if (surface == nullptr) return 0;
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return 0;
  lockedPixels = static_cast<std::uint8_t*>(desc.lpSurface);
  out = lockedPixels;
  return 1;
}

int ImageSurface::Unlock() {
  if (lockedPixels == nullptr) return 0;
  surface->Unlock(lockedPixels);
  lockedPixels = nullptr;
  return 1;
}

void CreateImageSurfaces(IDirectDraw* device) {
  PreviewSurface = new (std::nothrow) ImageSurface(device);
  FullSurface = new (std::nothrow) ImageSurface(device);
  if (PreviewSurface != nullptr) {
    PreviewSurface->InitBlank(kPreviewSize, kPreviewSize, 1, 1, 255, 0, 255, VideoMemory);
  }
  if (FullSurface != nullptr) {
    FullSurface->InitBlank(kFullSize, kFullSize, 1, 1, 255, 0, 255, VideoMemory);
  }
}

void DestroyImageSurfaces() {
  delete PreviewSurface;
  delete FullSurface;
  PreviewSurface = nullptr;
  FullSurface = nullptr;
}
