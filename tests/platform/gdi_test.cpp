// GDI: bitmaps, memory contexts and drawing, read back through a DirectDraw surface as
// the image surfaces use them.

#include "platform/gdi.h"

#include <gtest/gtest.h>

#include "layer_test_support.h"
#include "platform/ddraw.h"

namespace layer_test {
namespace {

class Gdi : public ::testing::Test {
 protected:
  void SetUp() override {
    Start();
    ASSERT_EQ(DirectDrawCreate(nullptr, &device_, nullptr), DD_OK);
  }

  // A surface of width x height filled with `colour`, whose context `dc` is open.
  IDirectDrawSurface* SurfaceWithDC(int width, int height, std::uint32_t colour, HDC& dc) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = kDdBltFxSize;
    fx.dwFillColor = colour;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    return surface;
  }

  // Releases the context and reads the pixels.
  static std::vector<std::uint32_t> Finish(IDirectDrawSurface* surface, HDC dc) {
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::vector<std::uint32_t> words;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          static_cast<const char*>(desc.lpSurface) + y * desc.lPitch);
      words.insert(words.end(), row, row + desc.dwWidth);
    }
    surface->Unlock(desc.lpSurface);
    return words;
  }

  IDirectDraw* device_ = nullptr;
};

TEST_F(Gdi, TheImageSurfaceSetUpCopiesABitmapThenOutlinesAndFills) {
  const std::uint32_t bits[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  HDC memory = CreateCompatibleDC(nullptr);
  ASSERT_NE(memory, nullptr);
  HBITMAP bitmap = CreateBitmap(3, 3, 1, 32, bits);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_NE(SelectObject(memory, bitmap), nullptr);  // the starting 1 x 1 bitmap
  BITMAP record{};
  EXPECT_EQ(GetObjectA(bitmap, 24, &record), 24);
  EXPECT_EQ(record.bmWidth, 3);
  EXPECT_EQ(record.bmHeight, 3);
  EXPECT_EQ(record.bmBitsPixel, 32);
  EXPECT_EQ(GetObjectA(bitmap, sizeof record, &record), static_cast<int>(sizeof record));
  HDC dc = nullptr;
  IDirectDrawSurface* surface = SurfaceWithDC(3, 3, 0, dc);
  EXPECT_TRUE(BitBlt(dc, 0, 0, 3, 3, memory, 0, 0, SRCCOPY));
  EXPECT_EQ(Finish(surface, dc), std::vector<std::uint32_t>(bits, bits + 9));
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(Gdi, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  HDC dc = nullptr;
  IDirectDrawSurface* surface = SurfaceWithDC(5, 4, 0x777777, dc);
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ brush = CreateSolidBrush(RGB(0, 0, 255));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  EXPECT_TRUE(Rectangle(dc, 4, 3, 0, 0));  // corners in any order
  const std::uint32_t o = 0xFF0000, i = 0x0000FF, g = 0x777777;
  EXPECT_EQ(Finish(surface, dc), (std::vector<std::uint32_t>{o, o, o, o, g,  //
                                                             o, i, i, o, g,  //
                                                             o, o, o, o, g,  //
                                                             g, g, g, g, g}));
}

TEST_F(Gdi, CopiesAreCutToBothBitmaps) {
  const std::uint32_t bits[] = {1, 2, 3, 4};
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, bits);
  SelectObject(memory, bitmap);
  HDC dc = nullptr;
  IDirectDrawSurface* surface = SurfaceWithDC(3, 2, 0, dc);
  EXPECT_TRUE(BitBlt(dc, -1, 0, 100, 100, memory, 0, 0, SRCCOPY));  // off the left
  EXPECT_TRUE(BitBlt(dc, 2, 0, 5, 5, memory, 1, -1, SRCCOPY));      // off the source's top
  EXPECT_TRUE(BitBlt(dc, 0, 0, -3, 2, memory, 0, 0, SRCCOPY));      // nothing
  EXPECT_EQ(Finish(surface, dc), (std::vector<std::uint32_t>{2, 0, 0, 4, 0, 2}));
}

TEST_F(Gdi, HandlesAreCheckedBeforeUse) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, 0);
  int stranger = 0;
  auto* bogus = reinterpret_cast<HGDIOBJ>(&stranger);
  EXPECT_EQ(SelectObject(memory, bogus), nullptr);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(&stranger), pen), nullptr);
  EXPECT_FALSE(DeleteObject(bogus));
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(&stranger)));
  EXPECT_EQ(GetObjectA(pen, sizeof(BITMAP), &stranger), 0);  // not a bitmap
  BITMAP record{};
  EXPECT_EQ(GetObjectA(bitmap, 10, &record), 0);  // too small
  SelectObject(memory, bitmap);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // already drawing elsewhere
  EXPECT_FALSE(DeleteObject(bitmap));               // still selected
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_FALSE(BitBlt(other, 0, 0, 1, 1, memory, 0, 0, SRCCOPY));    // deleted context
  EXPECT_FALSE(BitBlt(other, 0, 0, 1, 1, other, 0, 0, 0x00EE0086));  // only SRCCOPY
}

TEST_F(Gdi, BitmapsAre32BitAndOfTheSizesSurfacesHave) {
  EXPECT_EQ(CreateBitmap(0, 4, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 16385, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 1, 24, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 2, 32, nullptr), nullptr);
  EXPECT_NE(CreateBitmap(16384, 1, 1, 32, nullptr), nullptr);
}

}  // namespace
}  // namespace layer_test
