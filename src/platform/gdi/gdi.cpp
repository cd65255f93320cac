// GDI over memory bitmaps and surface pixels: device contexts, bitmaps, one pen and one
// brush at a time, BitBlt and Rectangle, every handle checked before use.

#include "platform/gdi/gdi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include "platform/core/layer.h"

namespace platform {
namespace {

constexpr int kMaxBitmapExtent = 16384;

struct GdiObject {
  enum class Kind { Bitmap, Pen, Brush } kind;
  int width = 0, height = 0;
  std::vector<std::uint32_t> bits;
  std::uint32_t colour = 0;  // pixel value of a pen or brush
  int selections = 0;        // device contexts it is selected into
  bool stock = false;        // never deleted
};

struct DeviceContext {
  bool surface = false;  // draws into pixels the caller owns
  PixelTarget pixels;    // a surface's
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
};

struct Gdi {
  std::map<HGDIOBJ, GdiObject> objects;
  std::map<HDC, DeviceContext> contexts;
  HGDIOBJ stockBitmap = nullptr, stockPen = nullptr, stockBrush = nullptr;
};

Gdi& State() {
  static Gdi gdi;
  return gdi;
}

GdiObject* FindObject(HGDIOBJ handle) {
  auto it = State().objects.find(handle);
  return it == State().objects.end() ? nullptr : &it->second;
}

DeviceContext* FindContext(HDC handle) {
  auto it = State().contexts.find(handle);
  return it == State().contexts.end() ? nullptr : &it->second;
}

HGDIOBJ AddObject(GdiObject object) {
  const HGDIOBJ handle = NewHandle<HGDIOBJ>();
  State().objects.emplace(handle, std::move(object));
  return handle;
}

// A new context starts with the stock 1 x 1 bitmap, black pen and white brush.
HDC AddContext(DeviceContext context) {
  Gdi& gdi = State();
  if (gdi.stockBitmap == nullptr) {
    gdi.stockBitmap = AddObject({GdiObject::Kind::Bitmap, 1, 1, {0}, 0, 0, true});
    gdi.stockPen = AddObject({GdiObject::Kind::Pen, 0, 0, {}, 0x000000, 0, true});
    gdi.stockBrush = AddObject({GdiObject::Kind::Brush, 0, 0, {}, 0xFFFFFF, 0, true});
  }
  context.bitmap = context.surface ? nullptr : gdi.stockBitmap;
  context.pen = gdi.stockPen;
  context.brush = gdi.stockBrush;
  for (HGDIOBJ o : {context.bitmap, context.pen, context.brush}) {
    if (o != nullptr) ++FindObject(o)->selections;
  }
  const HDC handle = NewHandle<HDC>();
  gdi.contexts.emplace(handle, context);
  return handle;
}

void RemoveContext(HDC handle) {
  const DeviceContext& context = State().contexts.at(handle);
  for (HGDIOBJ o : {context.bitmap, context.pen, context.brush}) {
    if (GdiObject* object = FindObject(o)) --object->selections;
  }
  State().contexts.erase(handle);
}

PixelTarget TargetOf(const DeviceContext& context) {
  if (context.surface) return context.pixels;
  GdiObject* bitmap = FindObject(context.bitmap);
  return {bitmap->bits.data(), bitmap->width, bitmap->height, bitmap->width};
}

HGDIOBJ& SlotFor(DeviceContext& context, GdiObject::Kind kind) {
  switch (kind) {
    case GdiObject::Kind::Bitmap:
      return context.bitmap;
    case GdiObject::Kind::Pen:
      return context.pen;
    default:
      return context.brush;
  }
}

std::uint32_t ColourOf(HGDIOBJ handle) {
  const GdiObject* object = FindObject(handle);
  return object != nullptr ? object->colour : 0;
}

}  // namespace

HDC CreateTargetDC(const PixelTarget& target) {
  DeviceContext context;
  context.surface = true;
  context.pixels = target;
  return AddContext(context);
}

void DeleteTargetDC(HDC dc) {
  const DeviceContext* context = FindContext(dc);
  if (context != nullptr && context->surface) RemoveContext(dc);
}

void ResetGdi() {
  State() = Gdi{};
}

}  // namespace platform

using platform::FindContext;
using platform::FindObject;
using platform::GdiObject;

HDC CreateCompatibleDC(HDC reference) {
  if (reference != nullptr && FindContext(reference) == nullptr) return nullptr;
  return platform::AddContext({});
}

BOOL DeleteDC(HDC dc) {
  const platform::DeviceContext* context = FindContext(dc);
  // A surface's context goes back through IDirectDrawSurface::ReleaseDC.
  if (context == nullptr || context->surface) return FALSE;
  platform::RemoveContext(dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  platform::DeviceContext* context = FindContext(dc);
  GdiObject* selected = FindObject(object);
  if (context == nullptr || selected == nullptr) return nullptr;
  const bool bitmap = selected->kind == GdiObject::Kind::Bitmap;
  // A surface's pixels cannot be swapped for a bitmap; a bitmap draws in one place at once.
  if (bitmap && (context->surface || (selected->selections > 0 && !selected->stock))) {
    return nullptr;
  }
  HGDIOBJ& slot = platform::SlotFor(*context, selected->kind);
  const HGDIOBJ previous = slot;
  if (previous == object) return previous;
  if (GdiObject* old = FindObject(previous)) --old->selections;
  ++selected->selections;
  slot = object;
  return previous;
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
  const GdiObject* o = FindObject(object);
  if (o == nullptr || o->kind != GdiObject::Kind::Bitmap) return 0;
  // Callers of the original platform pass its 24-byte record: all but bmBits.
  constexpr int kRecordWithoutBits = static_cast<int>(offsetof(BITMAP, bmBits));
  if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (size < kRecordWithoutBits) return 0;
  const BITMAP record{0, o->width, o->height, o->width * 4, 1, 32, nullptr};
  const int written = std::min(size, static_cast<int>(sizeof(BITMAP)));
  std::memcpy(buffer, &record, static_cast<std::size_t>(written));
  return written;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 1 || height < 1 || width > platform::kMaxBitmapExtent ||
      height > platform::kMaxBitmapExtent || planes != 1 || bitsPerPixel != 32) {
    return nullptr;
  }
  GdiObject bitmap{GdiObject::Kind::Bitmap, width, height, {}, 0, 0, false};
  try {
    bitmap.bits.assign(static_cast<std::size_t>(width) * height, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (bits != nullptr) std::memcpy(bitmap.bits.data(), bits, bitmap.bits.size() * 4);
  return platform::AddObject(std::move(bitmap));
}

BOOL DeleteObject(HGDIOBJ object) {
  const GdiObject* o = FindObject(object);
  if (o == nullptr) return FALSE;
  if (o->stock) return TRUE;
  if (o->selections > 0) return FALSE;  // still drawing somewhere
  platform::State().objects.erase(object);
  return TRUE;
}

HPEN CreatePen(int style, int, COLORREF colour) {
  if (style != PS_SOLID) return nullptr;
  return platform::AddObject(
      {GdiObject::Kind::Pen, 0, 0, {}, platform::PixelFromColorref(colour), 0, false});
}

HGDIBRUSH CreateSolidBrush(COLORREF colour) {
  return platform::AddObject(
      {GdiObject::Kind::Brush, 0, 0, {}, platform::PixelFromColorref(colour), 0, false});
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  const platform::DeviceContext* to = FindContext(dest);
  const platform::DeviceContext* from = FindContext(src);
  if (to == nullptr || from == nullptr || rop != SRCCOPY) return FALSE;
  if (width <= 0 || height <= 0) return TRUE;
  const platform::Rect onto{x, y, static_cast<std::int64_t>(x) + width,
                            static_cast<std::int64_t>(y) + height};
  const platform::Rect read{srcX, srcY, static_cast<std::int64_t>(srcX) + width,
                            static_cast<std::int64_t>(srcY) + height};
  const platform::PixelTarget target = platform::TargetOf(*to);
  platform::CopyScaled(target, onto, target.Bounds(), platform::TargetOf(*from), read, nullptr);
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  const platform::DeviceContext* context = FindContext(dc);
  if (context == nullptr) return FALSE;
  const platform::PixelTarget target = platform::TargetOf(*context);
  const platform::Rect r{std::min(left, right), std::min(top, bottom), std::max(left, right),
                         std::max(top, bottom)};
  if (r.Empty()) return TRUE;
  const std::uint32_t pen = platform::ColourOf(context->pen);
  platform::FillPixels(target, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1},
                       platform::ColourOf(context->brush));
  platform::FillPixels(target, {r.left, r.top, r.right, r.top + 1}, pen);
  platform::FillPixels(target, {r.left, r.bottom - 1, r.right, r.bottom}, pen);
  platform::FillPixels(target, {r.left, r.top, r.left + 1, r.bottom}, pen);
  platform::FillPixels(target, {r.right - 1, r.top, r.right, r.bottom}, pen);
  return TRUE;
}
