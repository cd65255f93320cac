#pragma once
// DirectDraw services: a device with a primary surface (the screen), off-screen surfaces
// in the display's 32-bit format (0x00RRGGBB), clippers, locking, colour fills and
// scaling blits.
//
// Results: DD_OK (0) is success; every failure is a non-zero DDERR_ code. The device owns
// every surface and clipper made through it: releasing the device frees them, after which
// their interfaces answer every call with DDERR_SURFACELOST (or the clipper's equivalent)
// and touch no freed memory.
//
// Blits never read or write outside either surface, whatever rectangles they are given:
// rectangles are cut to both surfaces, keeping the scale, and an empty or inverted one
// draws nothing. A scaling blit samples the nearest source pixel. A blit onto the primary
// surface takes screen coordinates and lands in the window of the primary surface's
// clipper, cut to its visible client area, which is then shown.

#include "platform/gdi/gdi.h"
#include "platform/windowing/windowing.h"

struct GUID;
struct IUnknown;

inline constexpr HRESULT DD_OK = 0;
inline constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082);
inline constexpr HRESULT DDERR_NOCLIPPERATTACHED = static_cast<HRESULT>(0x887600CD);
inline constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AE);
inline constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2);
inline constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887601E8);
inline constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT DDERR_NODIRECTDRAWHW = static_cast<HRESULT>(0x88760253);
inline constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = static_cast<HRESULT>(0x88760234);

// Cooperative levels.
inline constexpr DWORD DDSCL_NORMAL = 0x00000008;

// DDSURFACEDESC dwFlags.
inline constexpr DWORD DDSD_CAPS = 0x00000001;
inline constexpr DWORD DDSD_HEIGHT = 0x00000002;
inline constexpr DWORD DDSD_WIDTH = 0x00000004;
inline constexpr DWORD DDSD_PITCH = 0x00000008;
inline constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
inline constexpr DWORD DDSD_LPSURFACE = 0x00000800;

// Surface capabilities.
inline constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
inline constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
inline constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
inline constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;

// Lock flags.
inline constexpr DWORD DDLOCK_WAIT = 0x00000001;

// Blt flags.
inline constexpr DWORD DDBLT_COLORFILL = 0x00000400;
inline constexpr DWORD DDBLT_KEYSRC = 0x00008000;
inline constexpr DWORD DDBLT_WAIT = 0x01000000;

// Colour keys.
inline constexpr DWORD DDCKEY_SRCBLT = 0x00000008;

// Region data.
inline constexpr DWORD RDH_RECTANGLES = 1;

// The size the callers put in dwSize of each record.
inline constexpr DWORD kDdSurfaceDescSize = 108;
inline constexpr DWORD kDdBltFxSize = 100;
inline constexpr DWORD kRgnDataHeaderSize = 32;

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS {
  DWORD dwCaps;
};

// dwSize must be 108 (kDdSurfaceDescSize), whatever sizeof says on this machine.
struct DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwRefreshRate;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  void* lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

// dwSize must be 100 (kDdBltFxSize). Only dwFillColor is used.
struct DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  DWORD dwFillColor;
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};

// dwSize must be 32 (kRgnDataHeaderSize).
struct RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
};

// A header followed by nCount rectangles.
struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[sizeof(RECT)];
};

struct IDirectDrawSurface;
struct IDirectDrawClipper;

struct IDirectDraw {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // DDSCL_NORMAL: windowed, beside other programs; the display mode stays.
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  // DDSCAPS_PRIMARYSURFACE: the screen (one per device). DDSCAPS_OFFSCREENPLAIN with
  // DDSD_WIDTH and DDSD_HEIGHT: an off-screen surface of 1 to 16384 pixels each way in
  // the display's format, black, optionally placed by DDSCAPS_SYSTEMMEMORY or
  // DDSCAPS_VIDEOMEMORY. Rows may be padded: read lPitch.
  virtual HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                                IUnknown* outer) = 0;
  virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) = 0;

 protected:
  ~IDirectDraw() = default;
};

struct IDirectDrawSurface {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // DDBLT_COLORFILL: fills destRect (nullptr: the whole surface) with fx->dwFillColor.
  // Otherwise copies srcRect of src (nullptr: the whole source) onto destRect (nullptr:
  // the whole surface), scaling when the sizes differ. DDBLT_WAIT waits while busy.
  virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface* src, RECT* srcRect, DWORD flags,
                      DDBLTFX* fx) = 0;
  // The whole surface only (rect nullptr): desc->lpSurface is the first byte of the top
  // row, desc->lPitch the row pitch; DDERR_SURFACEBUSY while already locked.
  virtual HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, void* event) = 0;
  virtual HRESULT Unlock(void* pixels) = 0;
  // dwWidth, dwHeight, lPitch, ddsCaps, and ddpfPixelFormat (dwRGBBitCount 32, masks
  // 0xFF0000, 0xFF00, 0xFF).
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) = 0;
  virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  virtual HRESULT Restore() = 0;
  // A device context drawing into the surface's pixels until ReleaseDC.
  virtual HRESULT GetDC(HDC* dc) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;

 protected:
  ~IDirectDrawSurface() = default;
};

struct IDirectDrawClipper {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // From now on the clipper follows the window's visible client area.
  virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
  // A clip list of screen rectangles, used while no window is set.
  virtual HRESULT SetClipList(RGNDATA* region, DWORD flags) = 0;

 protected:
  ~IDirectDrawClipper() = default;
};

using LPDIRECTDRAW = IDirectDraw*;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;
using LPDIRECTDRAWCLIPPER = IDirectDrawClipper*;

// The device of the active display (guid nullptr), or a failure code with *device nullptr.
HRESULT DirectDrawCreate(GUID* guid, IDirectDraw** device, IUnknown* outer);
