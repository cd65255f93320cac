// DirectDraw surfaces: software pixels for off-screen surfaces, and the primary surface,
// which owns no pixels (its blits land in its clipper's window: blit.cpp).

#include <algorithm>
#include <optional>

#include "platform/ddraw/objects.h"

namespace platform::dd {
namespace {

// Padding in whole words, so that every row starts aligned.
std::ptrdiff_t PitchWords(int width) {
  const Host* host = InstalledHost();
  const int padding = host != nullptr ? std::max(0, host->SurfaceRowPadding()) : 0;
  return width + (padding + 3) / 4;
}

}  // namespace

Surface::Surface(Device* device, bool primary, int width, int height, DWORD caps)
    : device_(device),
      primary_(primary),
      width_(width),
      height_(height),
      pitch_(PitchWords(width)),
      caps_(caps),
      pixels_(static_cast<std::size_t>(pitch_) * height, 0) {}

ULONG Surface::AddRef() {
  return alive() ? ++refs_ : 0;
}

ULONG Surface::Release() {
  if (!alive()) return 0;
  if (--refs_ == 0) Free();
  return refs_;
}

void Surface::Free() {
  if (!alive()) return;
  if (dc_ != nullptr) DeleteTargetDC(dc_);
  dc_ = nullptr;
  if (clipper_ != nullptr) clipper_->Release();
  clipper_ = nullptr;
  Device* device = device_;
  device_ = nullptr;
  device->Forget(this);
  std::vector<std::uint32_t>().swap(pixels_);
  pendingFill_ = Rect{};
  locked_ = false;
}

void Surface::WritePendingFill() {
  if (pendingFill_.Empty()) return;
  FillPixels(Pixels(), pendingFill_, cleanColour_);
  pendingFill_ = Rect{};
}

PixelTarget Surface::Pixels() {
  return {pixels_.data(), width_, height_, pitch_};
}

Rect Surface::Bounds() const {
  if (!primary_) return {0, 0, width_, height_};
  int width = 0, height = 0;
  ActiveHost().ScreenSize(width, height);
  return {0, 0, width, height};
}

void Surface::FillDesc(DDSURFACEDESC& desc) const {
  const DWORD size = desc.dwSize;
  desc = DDSURFACEDESC{};
  desc.dwSize = size;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  const Rect bounds = Bounds();
  desc.dwWidth = static_cast<DWORD>(bounds.Width());
  desc.dwHeight = static_cast<DWORD>(bounds.Height());
  desc.lPitch = static_cast<LONG>(primary_ ? bounds.Width() * 4 : pitch_ * 4);
  desc.ddsCaps.dwCaps = caps_;
  DDPIXELFORMAT& format = desc.ddpfPixelFormat;
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = 0x40;  // DDPF_RGB
  format.dwRGBBitCount = 32;
  format.dwRBitMask = 0xFF0000;
  format.dwGBitMask = 0x00FF00;
  format.dwBBitMask = 0x0000FF;
}

HRESULT Surface::Lock(RECT* rect, DDSURFACEDESC* desc, DWORD, void*) {
  if (!alive()) return DDERR_SURFACELOST;
  if (HRESULT fault = TakeFault(DdCall::Lock)) return fault;
  if (rect != nullptr || desc == nullptr || desc->dwSize != kDdSurfaceDescSize) {
    return DDERR_INVALIDPARAMS;
  }
  // The screen is the desktop's; its pixels are not the program's to write.
  if (primary_) return DDERR_UNSUPPORTED;
  if (Busy()) return DDERR_SURFACEBUSY;
  FillDesc(*desc);
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = pixels_.data();
  locked_ = true;
  Touched();
  return DD_OK;
}

HRESULT Surface::Unlock(void* pixels) {
  if (!alive()) return DDERR_SURFACELOST;
  if (!locked_) return DDERR_NOTLOCKED;
  if (pixels != nullptr && pixels != pixels_.data()) return DDERR_INVALIDPARAMS;
  locked_ = false;
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC* desc) {
  if (!alive()) return DDERR_SURFACELOST;
  if (desc == nullptr || desc->dwSize != kDdSurfaceDescSize) return DDERR_INVALIDPARAMS;
  FillDesc(*desc);
  return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, DDCOLORKEY* key) {
  if (!alive()) return DDERR_SURFACELOST;
  if (flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
  sourceKey_.reset();
  if (key != nullptr) sourceKey_ = *key;
  return DD_OK;
}

// Software surfaces never lose their pixels.
HRESULT Surface::Restore() {
  return alive() ? DD_OK : DDERR_SURFACELOST;
}

HRESULT Surface::GetDC(HDC* dc) {
  if (!alive()) return DDERR_SURFACELOST;
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (primary_) return DDERR_UNSUPPORTED;
  if (Busy()) return DDERR_SURFACEBUSY;
  dc_ = CreateTargetDC(Pixels());
  *dc = dc_;
  Touched();
  return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
  if (!alive()) return DDERR_SURFACELOST;
  if (dc == nullptr || dc != dc_) return DDERR_INVALIDPARAMS;
  DeleteTargetDC(dc_);
  dc_ = nullptr;
  return DD_OK;
}

HRESULT Surface::SetClipper(IDirectDrawClipper* clipper) {
  if (!alive()) return DDERR_SURFACELOST;
  if (HRESULT fault = TakeFault(DdCall::SurfaceSetClipper)) return fault;
  Clipper* attached = nullptr;
  if (clipper != nullptr) {
    attached = FindClipper(clipper);
    if (attached == nullptr || !attached->alive()) return DDERR_INVALIDPARAMS;
    attached->AddRef();
  }
  if (clipper_ != nullptr) clipper_->Release();
  clipper_ = attached;
  return DD_OK;
}

}  // namespace platform::dd
