#pragma once
// The GDI subset the image surfaces use: memory device contexts, bitmaps, a pen, a brush
// and rectangle drawing. Device contexts come from CreateCompatibleDC (memory) or from
// IDirectDrawSurface::GetDC (the surface's pixels). Every copy and fill is cut to the
// bounds of the bitmaps or surfaces involved. Colours are COLORREF 0x00BBGGRR; pixels are
// 32-bit 0x00RRGGBB words.

#include "platform/windowing/windowing.h"

using HDC = struct HDC__*;
using HGDIOBJ = struct HGDIOBJ__*;
using HBITMAP = HGDIOBJ;
using HPEN = HGDIOBJ;
using HGDIBRUSH = HGDIOBJ;
using COLORREF = DWORD;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr int PS_SOLID = 0;

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}

// A memory device context; `reference` nullptr means compatible with the screen. It starts
// with a 1 x 1 bitmap selected.
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);
// Selects a bitmap, pen or brush into the context and returns the one it replaces
// (nullptr on failure).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fills a BITMAP record (24 bytes on the original platform) for a bitmap; returns the
// number of bytes written, 0 for another object or a too small buffer.
int GetObjectA(HGDIOBJ object, int size, void* buffer);
// A bitmap of width x height; 32 bits per pixel is the depth the layer supports. `bits`
// (rows of width * bitsPerPixel / 8 bytes, rounded up to 2 bytes) may be nullptr: the
// bitmap then starts black. nullptr for sizes below 1 or above 16384.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
BOOL DeleteObject(HGDIOBJ object);
HPEN CreatePen(int style, int width, COLORREF colour);
HGDIBRUSH CreateSolidBrush(COLORREF colour);
// Copies width x height pixels from (srcX, srcY) of src to (x, y) of dest (SRCCOPY only).
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
// Outlines the rectangle (right and bottom exclusive) with the selected pen and fills its
// inside with the selected brush.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
