// DirectDraw: surfaces, locking, fills, scaling blits, the primary surface's window and
// the lifetime of released objects.

#include "platform/ddraw.h"

#include <gtest/gtest.h>

#include <climits>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr int kBar = 20;

class DirectDraw : public ::testing::Test {
 protected:
  void SetUp() override { Open({}, {}); }

  void Open(hl::Script script, hl::Options options) {
    Start(std::move(script), options);
    window_ = MakeShownWindow();
    ASSERT_EQ(DirectDrawCreate(nullptr, &device_, nullptr), DD_OK);
    ASSERT_EQ(device_->SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
  }

  IDirectDrawSurface* Offscreen(int width, int height) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  }

  HRESULT CreatePrimary(IDirectDrawSurface** surface) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    return device_->CreateSurface(&desc, surface, nullptr);
  }

  // The primary surface with a clipper following the window, as the program sets it up.
  IDirectDrawSurface* PrimaryOnWindow() {
    IDirectDrawSurface* primary = nullptr;
    EXPECT_EQ(CreatePrimary(&primary), DD_OK);
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
    EXPECT_EQ(clipper->SetHWnd(0, window_), DD_OK);
    EXPECT_EQ(primary->SetClipper(clipper), DD_OK);
    clipper->Release();  // the surface keeps it
    return primary;
  }

  // Rows of pixels as they are stored, padding included.
  static std::vector<std::uint32_t> Words(IDirectDrawSurface* surface) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const auto* first = static_cast<const std::uint32_t*>(desc.lpSurface);
    std::vector<std::uint32_t> words(first, first + desc.lPitch / 4 * desc.dwHeight);
    surface->Unlock(desc.lpSurface);
    return words;
  }

  static void Write(IDirectDrawSurface* surface, const std::vector<std::uint32_t>& words) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::copy(words.begin(), words.end(), static_cast<std::uint32_t*>(desc.lpSurface));
    surface->Unlock(desc.lpSurface);
  }

  static HRESULT Fill(IDirectDrawSurface* surface, RECT* rect, std::uint32_t colour) {
    DDBLTFX fx{};
    fx.dwSize = kDdBltFxSize;
    fx.dwFillColor = colour;
    return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }

  HWND window_ = nullptr;
  IDirectDraw* device_ = nullptr;
};

TEST_F(DirectDraw, RecordsOfTheWrongSizeAreRefused) {
  DDSURFACEDESC desc{};
  desc.dwSize = 112;  // what sizeof gives on some machines
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = desc.dwHeight = 4;
  IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
  EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface, nullptr);
  surface = Offscreen(4, 4);
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface->GetSurfaceDesc(&desc), DDERR_INVALIDPARAMS);
  DDBLTFX fx{};
  fx.dwSize = 96;
  EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  RGNDATA region{{24, RDH_RECTANGLES, 1, 0, {0, 0, 1, 1}}, {}};
  EXPECT_EQ(clipper->SetClipList(&region, 0), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDraw, SurfaceSizesRunFromOneTo16384) {
  for (const auto& [w, h] : {std::pair{0, 4}, {4, 0}, {16385, 1}, {1, 16385}}) {
    DDSURFACEDESC desc{};
    desc.dwSize = kDdSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(w);
    desc.dwHeight = static_cast<DWORD>(h);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS) << w;
  }
  EXPECT_NE(Offscreen(16384, 1), nullptr);
}

TEST_F(DirectDraw, OnePrimarySurfaceAtATime) {
  IDirectDrawSurface* primary = nullptr;
  IDirectDrawSurface* second = nullptr;
  ASSERT_EQ(CreatePrimary(&primary), DD_OK);
  EXPECT_EQ(CreatePrimary(&second), DDERR_PRIMARYSURFACEALREADYEXISTS);
  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(CreatePrimary(&second), DD_OK);
}

TEST_F(DirectDraw, NewSurfacesAreBlack32BitWithThePaddedPitch) {
  Open({}, hl::Options{1280, 1024, 10, 2});
  IDirectDrawSurface* surface = Offscreen(5, 3);
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwWidth, 5u);
  EXPECT_EQ(desc.dwHeight, 3u);
  EXPECT_EQ(desc.lPitch, 5 * 4 + 12);  // the padding, rounded up to whole words
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xFF0000u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0xFF00u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwBBitMask, 0xFFu);
  EXPECT_EQ(Words(surface), std::vector<std::uint32_t>(8 * 3, 0));
}

TEST_F(DirectDraw, FillsLeaveTheRowPaddingAlone) {
  Open({}, hl::Options{1280, 1024, 8, 2});
  IDirectDrawSurface* surface = Offscreen(2, 2);
  Write(surface, std::vector<std::uint32_t>(8, 0xABABABAB));
  ASSERT_EQ(Fill(surface, nullptr, 0x123456), DD_OK);
  const std::uint32_t p = 0x123456, pad = 0xABABABAB;
  EXPECT_EQ(Words(surface), (std::vector<std::uint32_t>{p, p, pad, pad, p, p, pad, pad}));
}

TEST_F(DirectDraw, LockingIsWholeSurfaceAndExclusive) {
  IDirectDrawSurface* surface = Offscreen(4, 4);
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  RECT part{0, 0, 2, 2};
  EXPECT_EQ(surface->Lock(&part, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_NE(desc.lpSurface, nullptr);
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(Fill(surface, nullptr, 1), DDERR_SURFACEBUSY);
  HDC dc = nullptr;
  EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface->Unlock(desc.lpSurface), DD_OK);
  EXPECT_EQ(surface->Unlock(desc.lpSurface), DDERR_NOTLOCKED);
}

TEST_F(DirectDraw, AFillIsCutToTheSurfaceAndBadRectanglesDrawNothing) {
  IDirectDrawSurface* surface = Offscreen(4, 2);
  RECT corner{-5, -5, 2, 1};
  EXPECT_EQ(Fill(surface, &corner, 7), DD_OK);
  EXPECT_EQ(Words(surface), (std::vector<std::uint32_t>{7, 7, 0, 0, 0, 0, 0, 0}));
  RECT inverted{3, 0, 1, 2}, empty{1, 1, 1, 2}, outside{10, 10, 20, 20};
  EXPECT_EQ(Fill(surface, &inverted, 9), DDERR_INVALIDPARAMS);
  EXPECT_EQ(Fill(surface, &empty, 9), DD_OK);
  EXPECT_EQ(Fill(surface, &outside, 9), DD_OK);
  EXPECT_EQ(Words(surface), (std::vector<std::uint32_t>{7, 7, 0, 0, 0, 0, 0, 0}));
  RECT everything{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(Fill(surface, &everything, 5), DD_OK);
  EXPECT_EQ(Words(surface), std::vector<std::uint32_t>(8, 5));
}

TEST_F(DirectDraw, ScalingSamplesTheSourcePixelUnderEachDestinationCentre) {
  IDirectDrawSurface* source = Offscreen(4, 1);
  Write(source, {0xA, 0xB, 0xC, 0xD});
  IDirectDrawSurface* wide = Offscreen(8, 1);
  ASSERT_EQ(wide->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(wide), (std::vector<std::uint32_t>{0xA, 0xA, 0xB, 0xB, 0xC, 0xC, 0xD, 0xD}));
  IDirectDrawSurface* narrow = Offscreen(3, 1);
  ASSERT_EQ(narrow->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(narrow), (std::vector<std::uint32_t>{0xA, 0xC, 0xD}));
  IDirectDrawSurface* tall = Offscreen(1, 3);
  IDirectDrawSurface* column = Offscreen(1, 2);
  Write(column, {1, 2});
  ASSERT_EQ(tall->Blt(nullptr, column, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(tall), (std::vector<std::uint32_t>{1, 2, 2}));
}

TEST_F(DirectDraw, CuttingADestinationKeepsTheScale) {
  IDirectDrawSurface* source = Offscreen(4, 1);
  Write(source, {0xA, 0xB, 0xC, 0xD});
  IDirectDrawSurface* target = Offscreen(4, 1);
  RECT hanging{-2, 0, 6, 1};  // twice as wide, two pixels off the left edge
  ASSERT_EQ(target->Blt(&hanging, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(target), (std::vector<std::uint32_t>{0xB, 0xB, 0xC, 0xC}));
}

TEST_F(DirectDraw, SourcePixelsOutsideTheSourceAreNotCopied) {
  IDirectDrawSurface* source = Offscreen(4, 1);
  Write(source, {0xA, 0xB, 0xC, 0xD});
  IDirectDrawSurface* target = Offscreen(4, 1);
  RECT beyond{2, 0, 6, 1};
  ASSERT_EQ(target->Blt(nullptr, source, &beyond, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(target), (std::vector<std::uint32_t>{0xC, 0xD, 0, 0}));
  RECT inverted{3, 0, 1, 1}, huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(target->Blt(nullptr, source, &inverted, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(target->Blt(&huge, source, &huge, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(target->Blt(&huge, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
}

TEST_F(DirectDraw, ACopyOntoItselfReadsTheOriginalPixels) {
  IDirectDrawSurface* surface = Offscreen(4, 1);
  Write(surface, {1, 2, 3, 4});
  RECT from{0, 0, 3, 1}, onto{1, 0, 4, 1};
  ASSERT_EQ(surface->Blt(&onto, surface, &from, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Words(surface), (std::vector<std::uint32_t>{1, 1, 2, 3}));
}

TEST_F(DirectDraw, TheSourceColourKeySkipsItsPixels) {
  IDirectDrawSurface* source = Offscreen(3, 1);
  Write(source, {5, 0, 6});
  DDCOLORKEY key{0, 0};
  ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  IDirectDrawSurface* target = Offscreen(3, 1);
  Write(target, {9, 9, 9});
  ASSERT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
  EXPECT_EQ(Words(target), (std::vector<std::uint32_t>{5, 9, 6}));
}

TEST_F(DirectDraw, APointerThatIsNoSurfaceIsRefusedUnread) {
  IDirectDrawSurface* target = Offscreen(3, 1);
  int notASurface = 0;
  EXPECT_EQ(target->Blt(nullptr, reinterpret_cast<IDirectDrawSurface*>(&notASurface), nullptr,
                        DDBLT_WAIT, nullptr),
            DDERR_INVALIDPARAMS);
  IDirectDrawSurface* primary = nullptr;
  ASSERT_EQ(CreatePrimary(&primary), DD_OK);
  EXPECT_EQ(primary->SetClipper(reinterpret_cast<IDirectDrawClipper*>(&notASurface)),
            DDERR_INVALIDPARAMS);
}

TEST_F(DirectDraw, ABlitToThePrimaryLandsInTheClientAreaAtItsScreenPosition) {
  IDirectDrawSurface* primary = PrimaryOnWindow();
  IDirectDrawSurface* back = Offscreen(600, 600);
  Fill(back, nullptr, 0x00FF00);
  RECT screen{10, 0, 610, 600};  // from the window's top edge: over the bar too
  ASSERT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  const hl::Image client = hl::ReadClient(window_);
  ASSERT_EQ(client.width, 512);
  ASSERT_EQ(client.height, 512 - kBar);
  EXPECT_EQ(client.At(9, 0), 0u);
  EXPECT_EQ(client.At(10, 0), 0x00FF00u);
  EXPECT_EQ(client.At(511, client.height - 1), 0x00FF00u);
  const hl::Image shown = hl::ReadScreen();
  EXPECT_EQ(shown.At(300, 2), 0xF0F0F0u);  // the bar is the layer's
  EXPECT_EQ(shown.At(520, 100), 0u);       // nothing beyond the window
}

TEST_F(DirectDraw, APrimaryBlitFollowsTheWindowWhenItMoves) {
  hl::Script s;
  s.MoveWindow(100, 50);
  Open(s, {});
  IDirectDrawSurface* primary = PrimaryOnWindow();
  MSG m{};
  PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
  IDirectDrawSurface* back = Offscreen(8, 8);
  Fill(back, nullptr, 0x0000FF);
  RECT screen{100, 50 + kBar, 108, 58 + kBar};
  ASSERT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  const hl::Image client = hl::ReadClient(window_);
  EXPECT_EQ(client.At(0, 0), 0x0000FFu);
  EXPECT_EQ(client.At(7, 7), 0x0000FFu);
  EXPECT_EQ(client.At(8, 8), 0u);
  EXPECT_EQ(hl::ReadScreen().At(100, 50 + kBar), 0x0000FFu);
}

TEST_F(DirectDraw, WithoutAClipperThePrimaryDrawsNothing) {
  IDirectDrawSurface* primary = nullptr;
  ASSERT_EQ(CreatePrimary(&primary), DD_OK);
  IDirectDrawSurface* back = Offscreen(8, 8);
  Fill(back, nullptr, 0xFFFFFF);
  RECT screen{0, kBar, 8, kBar + 8};
  EXPECT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0u);
  EXPECT_EQ(Fill(primary, nullptr, 0xFFFFFF), DD_OK);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0u);
}

TEST_F(DirectDraw, AMinimisedWindowTakesNoPixels) {
  hl::Script s;
  s.Minimize().Idle(1).Restore();
  Open(s, {});
  IDirectDrawSurface* primary = PrimaryOnWindow();
  MSG m{};
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(Fill(primary, nullptr, 0xFFFFFF), DD_OK);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // restored, shown again
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0u);
  EXPECT_EQ(Fill(primary, nullptr, 0xFFFFFF), DD_OK);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0xFFFFFFu);
}

TEST_F(DirectDraw, AClipListAloneCutsToItsRectanglesInTheDevicesWindow) {
  IDirectDrawSurface* primary = nullptr;
  ASSERT_EQ(CreatePrimary(&primary), DD_OK);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  struct {
    RGNDATAHEADER header;
    RECT rects[2];
  } region{{kRgnDataHeaderSize, RDH_RECTANGLES, 2, 0, {0, 0, 512, 512}},
           {{0, kBar, 4, kBar + 1}, {10, kBar + 2, 12, kBar + 3}}};
  ASSERT_EQ(clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  ASSERT_EQ(Fill(primary, nullptr, 0x111111), DD_OK);
  const hl::Image client = hl::ReadClient(window_);
  EXPECT_EQ(client.At(3, 0), 0x111111u);
  EXPECT_EQ(client.At(4, 0), 0u);
  EXPECT_EQ(client.At(11, 2), 0x111111u);
  EXPECT_EQ(client.At(11, 1), 0u);
}

TEST_F(DirectDraw, ReleasingTheDeviceLosesItsSurfacesAndClippers) {
  IDirectDrawSurface* primary = PrimaryOnWindow();
  IDirectDrawSurface* back = Offscreen(64, 64);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  EXPECT_EQ(device_->Release(), 0u);
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  RECT r{0, 0, 4, 4};
  HDC dc = nullptr;
  EXPECT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(primary->Blt(&r, back, &r, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACELOST);
  EXPECT_EQ(back->GetSurfaceDesc(&desc), DDERR_SURFACELOST);
  EXPECT_EQ(back->Restore(), DDERR_SURFACELOST);
  EXPECT_EQ(back->AddRef(), 0u);
  EXPECT_EQ(back->Release(), 0u);
  EXPECT_EQ(clipper->SetHWnd(0, window_), DDERR_INVALIDOBJECT);
  EXPECT_EQ(device_->CreateClipper(0, &clipper, nullptr), DDERR_INVALIDOBJECT);
  EXPECT_EQ(device_->Release(), 0u);
}

TEST_F(DirectDraw, SurfacesCountTheirReferences) {
  IDirectDrawSurface* surface = Offscreen(2, 2);
  EXPECT_EQ(surface->AddRef(), 2u);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(surface->Restore(), DD_OK);
  EXPECT_EQ(surface->Release(), 0u);
  EXPECT_EQ(surface->Restore(), DDERR_SURFACELOST);
  EXPECT_EQ(device_->AddRef(), 2u);  // the device lives on
  IDirectDrawSurface* another = Offscreen(2, 2);
  EXPECT_NE(another, nullptr);
}

TEST_F(DirectDraw, ADeviceContextDrawsIntoTheSurfaceUntilReleased) {
  IDirectDrawSurface* surface = Offscreen(3, 3);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  EXPECT_EQ(Fill(surface, nullptr, 1), DDERR_SURFACEBUSY);
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(0x12, 0x34, 0x56));
  HGDIOBJ brush = CreateSolidBrush(RGB(0xAB, 0xCD, 0xEF));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  EXPECT_TRUE(Rectangle(dc, 0, 0, 3, 3));
  EXPECT_EQ(surface->ReleaseDC(reinterpret_cast<HDC>(&dc)), DDERR_INVALIDPARAMS);
  ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
  EXPECT_FALSE(Rectangle(dc, 0, 0, 3, 3));  // the context is gone
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  const std::uint32_t o = 0x123456, i = 0xABCDEF;
  EXPECT_EQ(Words(surface), (std::vector<std::uint32_t>{o, o, o, o, i, o, o, o, o}));
}

TEST_F(DirectDraw, ReleasingTheDeviceTakesOutstandingDeviceContextsWithIt) {
  IDirectDrawSurface* surface = Offscreen(3, 3);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  device_->Release();
  EXPECT_FALSE(Rectangle(dc, 0, 0, 3, 3));
  EXPECT_EQ(surface->ReleaseDC(dc), DDERR_SURFACELOST);
}

}  // namespace
}  // namespace layer_test
