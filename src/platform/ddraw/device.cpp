// The DirectDraw device and clippers, and the shells the layer keeps for every object.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/ddraw/objects.h"

namespace platform {
namespace dd {
namespace {

constexpr int kMaxSurfaceExtent = 16384;

struct Shells {
  std::vector<std::unique_ptr<Device>> devices;
  std::vector<std::unique_ptr<Surface>> surfaces;
  std::vector<std::unique_ptr<Clipper>> clippers;
};

Shells& Kept() {
  static Shells shells;
  return shells;
}

template <class T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

Device* MakeDevice() {
  return Kept().devices.emplace_back(std::make_unique<Device>()).get();
}

Surface* MakeSurface(Device* device, bool primary, int width, int height, DWORD caps) {
  try {
    auto surface = std::make_unique<Surface>(device, primary, width, height, caps);
    return Kept().surfaces.emplace_back(std::move(surface)).get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Clipper* MakeClipper(Device* device) {
  return Kept().clippers.emplace_back(std::make_unique<Clipper>(device)).get();
}

Surface* FindSurface(IDirectDrawSurface* surface) {
  for (auto& s : Kept().surfaces) {
    if (static_cast<IDirectDrawSurface*>(s.get()) == surface) return s.get();
  }
  return nullptr;
}

Clipper* FindClipper(IDirectDrawClipper* clipper) {
  for (auto& c : Kept().clippers) {
    if (static_cast<IDirectDrawClipper*>(c.get()) == clipper) return c.get();
  }
  return nullptr;
}

// ---- Device ----

ULONG Device::AddRef() {
  return alive_ ? ++refs_ : 0;
}

ULONG Device::Release() {
  if (!alive_) return 0;
  if (--refs_ == 0) Free();
  return refs_;
}

void Device::Free() {
  // Each surface and clipper unlinks itself from these lists as it goes.
  while (!surfaces_.empty()) surfaces_.back()->Free();
  while (!clippers_.empty()) clippers_.back()->Free();
  alive_ = false;
}

void Device::Forget(Surface* surface) {
  Erase(surfaces_, surface);
  if (primary_ == surface) primary_ = nullptr;
}

void Device::Forget(Clipper* clipper) {
  Erase(clippers_, clipper);
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
  if (!alive_) return DDERR_INVALIDOBJECT;
  if (HRESULT fault = TakeFault(DdCall::SetCooperativeLevel)) return fault;
  if (!IsWindow(window) || (flags & DDSCL_NORMAL) == 0) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

HRESULT Device::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface, IUnknown* outer) {
  if (!alive_) return DDERR_INVALIDOBJECT;
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (desc == nullptr || desc->dwSize != kDdSurfaceDescSize || outer != nullptr ||
      (desc->dwFlags & DDSD_CAPS) == 0) {
    return DDERR_INVALIDPARAMS;
  }
  if ((desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0) return CreatePrimary(*desc, surface);
  return CreateOffscreen(*desc, surface);
}

HRESULT Device::CreatePrimary(const DDSURFACEDESC& desc, IDirectDrawSurface** surface) {
  if (HRESULT fault = TakeFault(DdCall::CreatePrimarySurface)) return fault;
  // The screen has the screen's size.
  if ((desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != 0) return DDERR_INVALIDPARAMS;
  if (primary_ != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  primary_ = MakeSurface(this, true, 0, 0, desc.ddsCaps.dwCaps);
  if (primary_ == nullptr) return DDERR_OUTOFMEMORY;
  surfaces_.push_back(primary_);
  *surface = primary_;
  return DD_OK;
}

HRESULT Device::CreateOffscreen(const DDSURFACEDESC& desc, IDirectDrawSurface** surface) {
  if (HRESULT fault = TakeFault(DdCall::CreateOffscreenSurface)) return fault;
  const DWORD sized = DDSD_WIDTH | DDSD_HEIGHT;
  if ((desc.dwFlags & sized) != sized) return DDERR_INVALIDPARAMS;
  if (desc.dwWidth < 1 || desc.dwHeight < 1 || desc.dwWidth > kMaxSurfaceExtent ||
      desc.dwHeight > kMaxSurfaceExtent) {
    return DDERR_INVALIDPARAMS;
  }
  DWORD caps = desc.ddsCaps.dwCaps | DDSCAPS_OFFSCREENPLAIN;
  if ((caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) == 0) caps |= DDSCAPS_VIDEOMEMORY;
  Surface* made = MakeSurface(this, false, static_cast<int>(desc.dwWidth),
                              static_cast<int>(desc.dwHeight), caps);
  if (made == nullptr) return DDERR_OUTOFMEMORY;
  surfaces_.push_back(made);
  *surface = made;
  return DD_OK;
}

HRESULT Device::CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) {
  if (!alive_) return DDERR_INVALIDOBJECT;
  if (clipper == nullptr) return DDERR_INVALIDPARAMS;
  *clipper = nullptr;
  if (HRESULT fault = TakeFault(DdCall::CreateClipper)) return fault;
  if (flags != 0 || outer != nullptr) return DDERR_INVALIDPARAMS;
  Clipper* made = MakeClipper(this);
  clippers_.push_back(made);
  *clipper = made;
  return DD_OK;
}

// ---- Clipper ----

ULONG Clipper::AddRef() {
  return alive() ? ++refs_ : 0;
}

ULONG Clipper::Release() {
  if (!alive()) return 0;
  if (--refs_ == 0) Free();
  return refs_;
}

void Clipper::Free() {
  if (!alive()) return;
  device_->Forget(this);
  device_ = nullptr;
  window_ = nullptr;
  clipList_.clear();
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND window) {
  if (!alive()) return DDERR_INVALIDOBJECT;
  if (HRESULT fault = TakeFault(DdCall::ClipperSetHWnd)) return fault;
  if (flags != 0 || (window != nullptr && !IsWindow(window))) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

HRESULT Clipper::SetClipList(RGNDATA* region, DWORD flags) {
  if (!alive()) return DDERR_INVALIDOBJECT;
  if (HRESULT fault = TakeFault(DdCall::ClipperSetClipList)) return fault;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (region == nullptr) {
    clipList_.clear();
    return DD_OK;
  }
  const RGNDATAHEADER& header = region->rdh;
  if (header.dwSize != kRgnDataHeaderSize || header.iType != RDH_RECTANGLES) {
    return DDERR_INVALIDPARAMS;
  }
  // The rectangles follow the header in the caller's block, however many it holds.
  const auto* rects = reinterpret_cast<const char*>(region) + sizeof(RGNDATAHEADER);
  std::vector<Rect> list;
  for (DWORD i = 0; i < header.nCount; ++i) {
    RECT r;
    std::memcpy(&r, rects + i * sizeof(RECT), sizeof(RECT));
    list.push_back(Rect{r.left, r.top, r.right, r.bottom});
  }
  clipList_ = std::move(list);
  return DD_OK;
}

}  // namespace dd

void ResetDirectDraw() {
  dd::Kept() = dd::Shells{};
}

}  // namespace platform

HRESULT DirectDrawCreate(GUID* guid, IDirectDraw** device, IUnknown* outer) {
  if (device == nullptr) return DDERR_INVALIDPARAMS;
  *device = nullptr;
  if (HRESULT fault = platform::TakeFault(platform::DdCall::DirectDrawCreate)) return fault;
  if (guid != nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *device = platform::dd::MakeDevice();
  return DD_OK;
}
