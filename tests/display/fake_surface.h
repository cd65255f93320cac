#pragma once
// A DirectDraw surface and device that record what is asked of them, for checking the
// display code's arguments without a platform behind it.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ddraw/ddraw.h"

struct RecordedBlt {
  RECT dest;
  IDirectDrawSurface* source;
  RECT src;
  DWORD flags;
};

class FakeSurface : public IDirectDrawSurface {
 public:
  explicit FakeSurface(int width = 128, int height = 128, DWORD bits = 32, LONG pitch = 0)
      : width(width),
        height(height),
        bits(bits),
        pitch(pitch ? pitch : width * 4),
        pixels(static_cast<std::size_t>(this->pitch) * height, 0xCD) {}
  virtual ~FakeSurface() = default;

  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 0; }
  HRESULT Blt(RECT* dest, IDirectDrawSurface* src, RECT* srcRect, DWORD flags, DDBLTFX*) override {
    ++calls;
    blts.push_back({dest ? *dest : RECT{}, src, srcRect ? *srcRect : RECT{}, flags});
    return DD_OK;
  }
  HRESULT Lock(RECT*, DDSURFACEDESC* desc, DWORD, void*) override {
    ++calls;
    if (failLock) return DDERR_SURFACELOST;
    desc->lpSurface = pixels.data();
    desc->lPitch = pitch;
    return DD_OK;
  }
  HRESULT Unlock(void* at) override {
    ++calls;
    unlockedAt = at;
    return DD_OK;
  }
  HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override {
    ++calls;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = pitch;
    desc->ddpfPixelFormat.dwRGBBitCount = bits;
    return DD_OK;
  }
  HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override {
    ++calls;
    keyFlags = flags;
    colourKey = *key;
    return DD_OK;
  }
  HRESULT Restore() override { return DD_OK; }
  HRESULT GetDC(HDC*) override { return DDERR_UNSUPPORTED; }
  HRESULT ReleaseDC(HDC) override { return DD_OK; }
  HRESULT SetClipper(IDirectDrawClipper*) override { return DD_OK; }

  int width, height;
  DWORD bits;
  LONG pitch;
  std::vector<std::uint8_t> pixels;
  bool failLock = false;
  int calls = 0;
  void* unlockedAt = nullptr;
  DWORD keyFlags = 0;
  DDCOLORKEY colourKey{};
  std::vector<RecordedBlt> blts;
};

class FakeDevice : public IDirectDraw {
 public:
  virtual ~FakeDevice() = default;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 0; }
  HRESULT SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown*) override {
    requests.push_back(*desc);
    if (fail != DD_OK) return fail;
    surfaces.push_back(std::make_unique<FakeSurface>(static_cast<int>(desc->dwWidth),
                                                     static_cast<int>(desc->dwHeight), 32,
                                                     static_cast<LONG>(desc->dwWidth * 4 + 16)));
    *out = surfaces.back().get();
    return DD_OK;
  }
  HRESULT CreateClipper(DWORD, IDirectDrawClipper**, IUnknown*) override {
    return DDERR_UNSUPPORTED;
  }

  HRESULT fail = DD_OK;
  std::vector<DDSURFACEDESC> requests;
  std::vector<std::unique_ptr<FakeSurface>> surfaces;
};
