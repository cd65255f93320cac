#pragma once
// DirectDraw's objects. Every device, surface and clipper is a shell the layer keeps until
// it is reset; freeing one (its last Release, or its device's) drops its pixels and links
// and leaves the shell answering every call with an error, so that an interface pointer
// kept too long never reaches freed memory.

#include <optional>
#include <vector>

#include "platform/core/layer.h"
#include "platform/ddraw/ddraw.h"

namespace platform::dd {

class Device;
class Clipper;

class Surface final : public IDirectDrawSurface {
 public:
  Surface(Device* device, bool primary, int width, int height, DWORD caps);

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
              DDBLTFX* fx) override;
  HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, void* event) override;
  HRESULT Unlock(void* pixels) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override;
  HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override;
  HRESULT Restore() override;
  HRESULT GetDC(HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT SetClipper(IDirectDrawClipper* clipper) override;

  bool alive() const { return device_ != nullptr; }
  bool primary() const { return primary_; }
  Device* device() const { return device_; }
  // Drops the pixels and every link; the shell stays.
  void Free();

 private:
  bool Busy() const { return locked_ || dc_ != nullptr; }
  HRESULT BltNow(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags, DDBLTFX* fx);
  // The window the primary surface's blits land in, or nullptr.
  Window* ScreenWindow() const;
  PixelTarget Pixels();
  Rect Bounds() const;
  HRESULT Fill(const Rect& dest, std::uint32_t colour);
  HRESULT Copy(const Rect& dest, Surface& source, const Rect& from, bool keyed);
  // Runs `draw` on the pixels and clip the destination rectangle lands in: this surface's
  // own, or for the primary surface the client area of the clipper's window. `draw`
  // returns whether it changed any pixel.
  // `covered` is the part of this surface that `draw` certainly writes whole.
  template <class Painter>
  HRESULT Draw(const Rect& dest, const Rect& covered, Painter draw);
  // The primary surface's share of Draw: into the window's client area (a visible window
  // whose clipper is attached), then shown.
  template <class Painter>
  void DrawInWindow(Window& w, const Rect& dest, Painter draw);
  void FillDesc(DDSURFACEDESC& desc) const;
  // Gives the processor or GDI the pixels, which they may read and write anywhere.
  void Touched() {
    WritePendingFill();
    dirty_ = Bounds();
  }
  void WritePendingFill();

  Device* device_;
  ULONG refs_ = 1;
  bool primary_;
  int width_, height_;
  std::ptrdiff_t pitch_;  // in words
  DWORD caps_;
  std::vector<std::uint32_t> pixels_;
  bool locked_ = false;
  HDC dc_ = nullptr;
  std::optional<DDCOLORKEY> sourceKey_;
  Clipper* clipper_ = nullptr;
  // The surface holds cleanColour_ everywhere outside dirty_ and pendingFill_, and inside
  // pendingFill_ as soon as that is written. A program that clears a large surface every
  // frame and draws into a small part of it then pays for clearing that part only, and
  // not even that when the drawing covers it.
  std::uint32_t cleanColour_ = 0;
  Rect dirty_;
  Rect pendingFill_;
};

class Clipper final : public IDirectDrawClipper {
 public:
  explicit Clipper(Device* device) : device_(device) {}

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT SetHWnd(DWORD flags, HWND window) override;
  HRESULT SetClipList(RGNDATA* region, DWORD flags) override;

  bool alive() const { return device_ != nullptr; }
  HWND window() const { return window_; }
  const std::vector<Rect>& clipList() const { return clipList_; }
  void Free();

 private:
  Device* device_;
  ULONG refs_ = 1;
  HWND window_ = nullptr;
  std::vector<Rect> clipList_;
};

class Device final : public IDirectDraw {
 public:
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                        IUnknown* outer) override;
  HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) override;

  bool alive() const { return alive_; }
  HWND window() const { return window_; }
  // A surface of this device lets go of it.
  void Forget(Surface* surface);
  void Forget(Clipper* clipper);

 private:
  void Free();
  HRESULT CreatePrimary(const DDSURFACEDESC& desc, IDirectDrawSurface** surface);
  HRESULT CreateOffscreen(const DDSURFACEDESC& desc, IDirectDrawSurface** surface);

  bool alive_ = true;
  ULONG refs_ = 1;
  HWND window_ = nullptr;
  Surface* primary_ = nullptr;
  std::vector<Surface*> surfaces_;
  std::vector<Clipper*> clippers_;
};

// The layer's shells. Make* keep the new object; Find* answer only for the layer's own
// objects, whatever pointer they are given.
Device* MakeDevice();
Surface* MakeSurface(Device* device, bool primary, int width, int height, DWORD caps);
Clipper* MakeClipper(Device* device);
Surface* FindSurface(IDirectDrawSurface* surface);
Clipper* FindClipper(IDirectDrawClipper* clipper);

}  // namespace platform::dd
