// DirectDraw and GDI: surfaces, locking, fills, scaling blits, the primary surface's window,
// the lifetime of released objects, drawing through device contexts and injected failures.

#include "platform/ddraw/ddraw.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "layer_test_support.h"
#include "platform/ddraw/faults.h"
#include "platform/gdi/gdi.h"

namespace layer_test {
namespace {

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
    return layer_test::Offscreen(device_, width, height);
  }

  HRESULT CreatePrimary(IDirectDrawSurface** surface) {
    DDSURFACEDESC desc = Desc();
    return device_->CreateSurface(&desc, surface, nullptr);
  }

  // The primary surface, with a clipper following the window if `clipped`, as the program
  // sets it up.
  IDirectDrawSurface* Primary(bool clipped = true) {
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(CreatePrimary(&primary), DD_OK);
    if (!clipped) return primary;
    EXPECT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
    EXPECT_EQ(clipper->SetHWnd(0, window_), DD_OK);
    EXPECT_EQ(primary->SetClipper(clipper), DD_OK);
    clipper->Release();  // the surface keeps it
    return primary;
  }

  HWND window_ = nullptr;
  IDirectDraw* device_ = nullptr;
};

TEST_F(DirectDraw, BadArgumentsAreRefusedUnread) {
  DDSURFACEDESC desc = Desc(4, 4, 112);  // 112: what sizeof gives on some machines
  IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
  EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface, nullptr);
  for (const auto& [w, h] : {std::pair{0, 4}, {4, 0}, {16385, 1}, {1, 16385}}) {
    desc = Desc(w, h);
    EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS) << w;
  }
  surface = Offscreen(16384, 1);
  EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
  int notAnObject = 0;
  EXPECT_EQ(surface->Blt(nullptr, reinterpret_cast<IDirectDrawSurface*>(&notAnObject), nullptr,
                         DDBLT_WAIT, nullptr),
            DDERR_INVALIDPARAMS);
  IDirectDrawSurface* primary = Primary(false);
  EXPECT_EQ(primary->SetClipper(reinterpret_cast<IDirectDrawClipper*>(&notAnObject)),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(CreatePrimary(&surface), DDERR_PRIMARYSURFACEALREADYEXISTS);  // one at a time
  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(CreatePrimary(&surface), DD_OK);
}

TEST_F(DirectDraw, SurfacesStartBlackWithAPaddedPitchThatFillsLeaveAlone) {
  Open({}, hl::Options{1280, 1024, 10, 2});
  IDirectDrawSurface* surface = Offscreen(2, 3);
  DDSURFACEDESC desc = Desc();
  ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.lPitch, 2 * 4 + 12);  // the padding, rounded up to whole words
  EXPECT_EQ(Read(surface), Words(5 * 3, 0));
  Write(surface, Words(15, 0xABABABAB));
  ASSERT_EQ(Fill(surface, nullptr, 0x123456), DD_OK);
  const std::uint32_t p = 0x123456, x = 0xABABABAB;
  EXPECT_EQ(Read(surface), (Words{p, p, x, x, x, p, p, x, x, x, p, p, x, x, x}));
}

// The calls in order, each with what it answers.
TEST_F(DirectDraw, LockingIsWholeSurfaceAndExclusive) {
  IDirectDrawSurface* surface = Offscreen(4, 4);
  DDSURFACEDESC desc = Desc();
  RECT part{0, 0, 2, 2};
  HDC dc = nullptr;
  EXPECT_EQ(
      (std::vector<HRESULT>{
          surface->Lock(&part, &desc, DDLOCK_WAIT, nullptr), surface->Unlock(nullptr),
          surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr),
          surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), Fill(surface, nullptr, 1),
          surface->GetDC(&dc), Offscreen(4, 4)->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr),
          surface->Unlock(desc.lpSurface), surface->Unlock(desc.lpSurface)}),
      (std::vector<HRESULT>{DDERR_INVALIDPARAMS, DDERR_NOTLOCKED, DD_OK, DDERR_SURFACEBUSY,
                            DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DD_OK,
                            DDERR_NOTLOCKED}));
}

TEST_F(DirectDraw, AFillIsCutToTheSurfaceAndBadRectanglesDrawNothing) {
  IDirectDrawSurface* surface = Offscreen(4, 2);
  RECT corner{-5, -5, 2, 1};
  EXPECT_EQ(Fill(surface, &corner, 7), DD_OK);
  RECT inverted{3, 0, 1, 2}, empty{1, 1, 1, 2}, outside{10, 10, 20, 20};
  EXPECT_EQ(Fill(surface, &inverted, 9), DDERR_INVALIDPARAMS);
  EXPECT_EQ(Fill(surface, &empty, 9), DD_OK);
  EXPECT_EQ(Fill(surface, &outside, 9), DD_OK);
  EXPECT_EQ(Read(surface), (Words{7, 7, 0, 0, 0, 0, 0, 0}));
  RECT everything{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(Fill(surface, &everything, 5), DD_OK);
  EXPECT_EQ(Read(surface), Words(8, 5));
}

// A whole-surface fill writes only what was drawn since the last fill of its colour: what
// every kind of drawing touched must still be cleared, and a new colour rewrites it all.
// The surface is read through a copy, since locking it counts as drawing.
TEST_F(DirectDraw, AClearAfterAnyDrawingLeavesEveryPixelAtItsColour) {
  IDirectDrawSurface* surface = Offscreen(4, 3);
  IDirectDrawSurface* copy = Offscreen(4, 3);
  IDirectDrawSurface* source = Offscreen(2, 2);
  Write(source, {1, 2, 3, 4});
  auto shown = [&] {
    EXPECT_EQ(copy->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    return Read(copy);
  };
  RECT a{0, 0, 1, 1}, b{3, 2, 9, 9}, onto{1, 1, 3, 3};  // b hangs off the surface
  const std::function<void()> draws[] = {
      [&] { Fill(surface, &a, 9), Fill(surface, &b, 9); },  // two places
      [&] { surface->Blt(&onto, source, nullptr, DDBLT_WAIT, nullptr); },
      [&] {
        Write(surface, {0, 0, 0, 0, 0, 0, 8});
      },
      [&] {
        HDC dc = nullptr;
        ASSERT_EQ(surface->GetDC(&dc), DD_OK);
        SelectObject(dc, CreatePen(PS_SOLID, 1, 0));
        Rectangle(dc, 2, 0, 4, 2);
        surface->ReleaseDC(dc);
      },
  };
  int i = 0;
  for (const auto& draw : draws) {
    ASSERT_EQ(Fill(surface, nullptr, 0x5), DD_OK);
    draw();
    ASSERT_NE(shown(), Words(12, 5)) << i;
    ASSERT_EQ(Fill(surface, nullptr, 0x5), DD_OK);
    EXPECT_EQ(shown(), Words(12, 5)) << i++;
  }
  ASSERT_EQ(Fill(surface, nullptr, 0x6), DD_OK);
  EXPECT_EQ(shown(), Words(12, 6));
}

// A whole-surface clear is written only once something reads the surface or draws over
// part of it; a blit that paints over all of it replaces it. Each case starts from stale
// pixels (7), clears to 5, draws, and reads every pixel.
TEST_F(DirectDraw, AClearIsSeenWhereverNothingWasDrawnOverIt) {
  IDirectDrawSurface* surface = Offscreen(3, 2);
  IDirectDrawSurface* source = Offscreen(2, 2);
  Write(source, {1, 2, 3, 4});
  IDirectDrawSurface* keyed = Offscreen(3, 2);
  Write(keyed, {1, 0, 3, 0, 5, 6});
  DDCOLORKEY black{0, 0};
  ASSERT_EQ(keyed->SetColorKey(DDCKEY_SRCBLT, &black), DD_OK);
  IDirectDrawSurface* reader = Offscreen(3, 2);
  RECT left{0, 0, 2, 2}, hanging{-1, 0, 2, 2}, firstColumn{0, 0, 1, 2}, lastColumn{2, 0, 3, 2};
  auto blit = [](IDirectDrawSurface* onto, RECT* to, IDirectDrawSurface* from, RECT* part,
                 DWORD flags = DDBLT_WAIT) {
    ASSERT_EQ(onto->Blt(to, from, part, flags, nullptr), DD_OK);
  };
  struct Case {
    const char* name;
    std::function<void()> draw;
    Words expected;
  };
  const Case cases[] = {
      {"nothing drawn", [] {}, Words(6, 5)},
      {"all of it covered", [&] { blit(surface, nullptr, source, nullptr); }, {1, 2, 2, 3, 4, 4}},
      {"part of it covered", [&] { blit(surface, &left, source, nullptr); }, {1, 2, 5, 3, 4, 5}},
      {"covered where the key lets it",
       [&] { blit(surface, nullptr, keyed, nullptr, DDBLT_WAIT | DDBLT_KEYSRC); },
       {1, 5, 3, 5, 5, 6}},
      {"a source reaching outside its surface",
       [&] { blit(surface, nullptr, source, &hanging); },
       {5, 1, 2, 5, 3, 4}},
      {"a copy within the surface", [&] { blit(surface, &lastColumn, surface, &firstColumn); },
       Words(6, 5)},
      {"a fill of part", [&] { Fill(surface, &left, 9); }, {9, 9, 5, 9, 9, 5}},
      {"all covered, cleared again, then part covered",
       [&] {
         blit(surface, nullptr, source, nullptr);
         Fill(surface, nullptr, 5);
         blit(surface, &left, source, nullptr);
       },
       {1, 2, 5, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    Write(surface, Words(6, 7));
    ASSERT_EQ(Fill(surface, nullptr, 5), DD_OK);
    c.draw();
    blit(reader, nullptr, surface, nullptr);  // a reader sees the clear too
    EXPECT_EQ(Read(reader), c.expected) << c.name;
    EXPECT_EQ(Read(surface), c.expected) << c.name;
  }
}

TEST_F(DirectDraw, ScalingSamplesTheSourcePixelUnderEachDestinationCentre) {
  IDirectDrawSurface* source = Offscreen(4, 1);
  Write(source, {0xA, 0xB, 0xC, 0xD});
  IDirectDrawSurface* wide = Offscreen(8, 1);
  ASSERT_EQ(wide->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(wide), (Words{0xA, 0xA, 0xB, 0xB, 0xC, 0xC, 0xD, 0xD}));
  IDirectDrawSurface* narrow = Offscreen(3, 1);
  ASSERT_EQ(narrow->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(narrow), (Words{0xA, 0xC, 0xD}));
  IDirectDrawSurface* target = Offscreen(4, 1);
  RECT hanging{-2, 0, 6, 1};  // twice as wide, two pixels off the left edge: cut, same scale
  ASSERT_EQ(target->Blt(&hanging, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(target), (Words{0xB, 0xB, 0xC, 0xC}));
  RECT beyond{2, 0, 6, 1};  // source pixels outside the source are not copied
  ASSERT_EQ(target->Blt(nullptr, source, &beyond, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(target), (Words{0xC, 0xD, 0xC, 0xC}));
  RECT inverted{3, 0, 1, 1}, huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(target->Blt(nullptr, source, &inverted, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(target->Blt(&huge, source, &huge, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(target->Blt(&huge, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
}

// Rows 0, 0, 1, 1, 1 of a two-row source over five rows; source columns -1 and 3 lie
// outside it, so the first and last target columns keep what they held.
TEST_F(DirectDraw, AVerticalStretchRepeatsWholeRowsWithinTheCopiedColumns) {
  IDirectDrawSurface* source = Offscreen(3, 2);
  Write(source, {1, 2, 3, 4, 5, 6});
  IDirectDrawSurface* target = Offscreen(5, 5);
  Words before(25);
  for (std::uint32_t i = 0; i < 25; ++i) before[i] = 100 + i;
  Write(target, before);
  RECT from{-1, 0, 4, 2};
  ASSERT_EQ(target->Blt(nullptr, source, &from, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(target), (Words{100, 1, 2, 3, 104,  //
                                 105, 1, 2, 3, 109,  //
                                 110, 4, 5, 6, 114,  //
                                 115, 4, 5, 6, 119,  //
                                 120, 4, 5, 6, 124}));
  IDirectDrawSurface* both = Offscreen(4, 3);  // both ways at once
  RECT corner{0, 0, 2, 2};
  ASSERT_EQ(both->Blt(nullptr, source, &corner, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(both), (Words{1, 1, 2, 2, 4, 4, 5, 5, 4, 4, 5, 5}));
}

TEST_F(DirectDraw, ACopyOntoItselfReadsTheOriginalPixels) {
  IDirectDrawSurface* surface = Offscreen(4, 1);
  Write(surface, {1, 2, 3, 4});
  RECT from{0, 0, 3, 1}, onto{1, 0, 4, 1};
  ASSERT_EQ(surface->Blt(&onto, surface, &from, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(surface), (Words{1, 1, 2, 3}));
}

// The window has moved to (100, 50); the blit starts at its top edge, over the menu bar.
TEST_F(DirectDraw, ABlitToThePrimaryLandsInTheClientAreaWhereverTheWindowIs) {
  hl::Script s;
  s.MoveWindow(100, 50);
  Open(s, {});
  IDirectDrawSurface* primary = Primary();
  MSG m{};
  PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
  IDirectDrawSurface* back = Offscreen(600, 600);
  Fill(back, nullptr, 0x00FF00);
  RECT screen{110, 50, 710, 650};
  ASSERT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  const hl::Image client = hl::ReadClient(window_);
  ASSERT_EQ(client.width, 512);
  ASSERT_EQ(client.height, 512 - kBar);
  EXPECT_EQ(client.At(9, 0), 0u);
  EXPECT_EQ(client.At(10, 0), 0x00FF00u);
  EXPECT_EQ(client.At(511, client.height - 1), 0x00FF00u);
  const hl::Image shown = hl::ReadScreen();
  EXPECT_EQ(shown.At(110, 50 + kBar), 0x00FF00u);
  EXPECT_EQ(shown.At(400, 52), 0xF0F0F0u);  // the bar is the layer's
  EXPECT_EQ(shown.At(620, 100), 0u);        // nothing beyond the window
  EXPECT_EQ(shown.At(300, 570), 0u);
}

// Without a clipper the primary surface draws nothing, nor while the window is minimised;
// a clip list alone cuts to its screen rectangles inside the device's window.
TEST_F(DirectDraw, ThePrimaryDrawsOnlyWhereItsClipperLetsIt) {
  hl::Script s;
  s.Minimize().Idle(1).Restore();
  Open(s, {});
  IDirectDrawSurface* primary = Primary(false);
  EXPECT_EQ(Fill(primary, nullptr, 0x111111), DD_OK);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0u);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  struct {
    RGNDATAHEADER header;
    RECT rects[2];
  } region{{kRgnDataHeaderSize, RDH_RECTANGLES, 2, 0, {0, 0, 512, 512}},
           {{0, kBar, 4, kBar + 1}, {10, kBar + 2, 12, kBar + 3}}};
  ASSERT_EQ(clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  MSG m{};
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // minimised
  EXPECT_EQ(Fill(primary, nullptr, 0x111111), DD_OK);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // restored, shown again
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0u);
  ASSERT_EQ(Fill(primary, nullptr, 0x111111), DD_OK);
  const hl::Image c = hl::ReadClient(window_);
  EXPECT_EQ((Words{c.At(0, 0), c.At(3, 0), c.At(4, 0), c.At(11, 2), c.At(11, 1)}),
            (Words{0x111111, 0x111111, 0, 0x111111, 0}));
}

// Every blit onto the screen is a present the desktop paces, even one with nothing to show
// (an empty client area, a minimised window); the host is handed a picture only when the
// window's differs from what it was last handed.
TEST_F(DirectDraw, EveryPresentIsPacedButOnlyAChangedPictureIsHandedOver) {
  hl::Script s;
  s.Minimize().Idle(1).Restore();
  Open(s, {});
  IDirectDrawSurface* primary = Primary();
  IDirectDrawSurface* back = Offscreen(512, 512);
  Fill(back, nullptr, 0x00FF00);
  RECT screen{0, kBar, 512, 512}, empty{0, kBar, 0, kBar}, corner{0, 0, 1, 1};
  auto present = [&](RECT* onto) {
    const int presents = hl::Presents(), waits = hl::RefreshWaits();
    EXPECT_EQ(primary->Blt(onto, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(hl::RefreshWaits(), waits + 1);
    return hl::Presents() - presents;
  };
  EXPECT_EQ(present(&screen), 1);
  EXPECT_EQ(present(&screen), 0);
  Fill(back, &corner, 0xFF0000);
  EXPECT_EQ(present(&screen), 1);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0xFF0000u);
  EXPECT_EQ(present(&empty), 0);
  MSG m{};
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // minimised
  EXPECT_EQ(present(&screen), 0);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // restored, shown again
  EXPECT_EQ(present(&screen), 0);
  EXPECT_EQ(hl::ReadClient(window_).At(0, 0), 0xFF0000u);
}

// Releasing the last reference frees a surface; releasing the device loses every surface,
// clipper and device context it made, which must then be refused, never used.
TEST_F(DirectDraw, ReleasedObjectsAnswerLostAndAreNeverUsed) {
  IDirectDrawSurface* surface = Offscreen(2, 2);
  EXPECT_EQ(surface->AddRef(), 2u);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(surface->Release(), 0u);
  EXPECT_EQ(surface->Restore(), DDERR_SURFACELOST);
  IDirectDrawSurface* primary = Primary();
  IDirectDrawSurface* back = Offscreen(64, 64);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  HDC dc = nullptr;
  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  EXPECT_EQ(device_->Release(), 0u);
  DDSURFACEDESC desc = Desc();
  RECT r{0, 0, 4, 4};
  EXPECT_FALSE(Rectangle(dc, 0, 0, 3, 3));
  EXPECT_EQ(
      (std::vector<HRESULT>{back->ReleaseDC(dc), back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr),
                            back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, nullptr),
                            primary->Blt(&r, back, &r, DDBLT_WAIT, nullptr), back->GetDC(&dc),
                            back->GetSurfaceDesc(&desc)}),
      std::vector<HRESULT>(6, DDERR_SURFACELOST));
  EXPECT_EQ(back->AddRef() + back->Release(), 0u);
  EXPECT_EQ(clipper->SetHWnd(0, window_), DDERR_INVALIDOBJECT);
  EXPECT_EQ(device_->CreateClipper(0, &clipper, nullptr), DDERR_INVALIDOBJECT);
  EXPECT_EQ(device_->Release(), 0u);
}

// ---- GDI, drawing into surfaces through their device contexts ----

TEST_F(DirectDraw, GdiCopiesABitmapCutToBothSidesAsTheImageSurfacesSetUp) {
  const std::uint32_t bits[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(3, 3, 1, 32, bits);
  EXPECT_NE(SelectObject(memory, bitmap), nullptr);  // the starting 1 x 1 bitmap
  BITMAP record{};
  EXPECT_EQ(GetObjectA(bitmap, 24, &record), 24);
  EXPECT_EQ(XY(record.bmWidth, record.bmHeight), XY(3, 3));
  IDirectDrawSurface* surface = Offscreen(4, 3);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  EXPECT_TRUE(BitBlt(dc, 1, 0, 3, 3, memory, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(dc, -1, 0, 100, 100, memory, 0, 0, SRCCOPY));  // off the left
  EXPECT_TRUE(BitBlt(dc, 3, 0, 5, 5, memory, 2, -1, SRCCOPY));      // off the source's top
  EXPECT_TRUE(BitBlt(dc, 0, 0, -3, 2, memory, 0, 0, SRCCOPY));      // nothing
  ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(Read(surface), (Words{2, 3, 2, 3, 5, 6, 5, 3, 8, 9, 8, 6}));
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(DirectDraw, GdiRectangleOutlinesWithThePenAndFillsWithTheBrushUntilReleased) {
  IDirectDrawSurface* surface = Offscreen(5, 4);
  Fill(surface, nullptr, 0x777777);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  EXPECT_EQ(Fill(surface, nullptr, 1), DDERR_SURFACEBUSY);
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(0x12, 0x34, 0x56));
  HGDIOBJ brush = CreateSolidBrush(RGB(0xAB, 0xCD, 0xEF));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  EXPECT_TRUE(Rectangle(dc, 4, 3, 0, 0));  // corners in any order
  EXPECT_EQ(surface->ReleaseDC(reinterpret_cast<HDC>(&dc)), DDERR_INVALIDPARAMS);
  ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
  EXPECT_FALSE(Rectangle(dc, 0, 0, 3, 3));  // the context is gone
  const std::uint32_t o = 0x123456, i = 0xABCDEF, g = 0x777777;
  EXPECT_EQ(Read(surface), (Words{o, o, o, o, g,  //
                                  o, i, i, o, g,  //
                                  o, o, o, o, g,  //
                                  g, g, g, g, g}));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

// Handles that name nothing, or a deleted or busy object, are refused, never used.
TEST_F(DirectDraw, GdiHandlesAndSizesAreCheckedBeforeUse) {
  HDC memory = CreateCompatibleDC(nullptr), other = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  int stranger = 0;
  auto* bogus = reinterpret_cast<HGDIOBJ>(&stranger);
  BITMAP record{};
  EXPECT_EQ(SelectObject(memory, bogus), nullptr);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(&stranger), bitmap), nullptr);
  EXPECT_EQ(GetObjectA(bitmap, 10, &record), 0);  // too small
  SelectObject(memory, bitmap);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // already drawing elsewhere
  EXPECT_EQ(
      (std::vector<BOOL>{DeleteObject(bogus), DeleteDC(reinterpret_cast<HDC>(&stranger)),
                         DeleteObject(bitmap), DeleteDC(memory), DeleteObject(bitmap),
                         DeleteObject(bitmap), BitBlt(other, 0, 0, 1, 1, memory, 0, 0, SRCCOPY)}),
      (std::vector<BOOL>{FALSE, FALSE, FALSE, TRUE, TRUE, FALSE, FALSE}));
  EXPECT_EQ((std::vector<HBITMAP>{CreateBitmap(0, 4, 1, 32, nullptr),
                                  CreateBitmap(4, 16385, 1, 32, nullptr),
                                  CreateBitmap(4, 4, 1, 24, nullptr)}),
            std::vector<HBITMAP>(3, nullptr));
  EXPECT_NE(CreateBitmap(16384, 1, 1, 32, nullptr), nullptr);
}

// ---- Injected failures (the program's tests inject one at each start-up call) ----

constexpr HRESULT kCode = static_cast<HRESULT>(0x8876017C);

TEST_F(DirectDraw, AnInjectedFaultFailsItsCallAfterItsSkipsForItsCountOrUntilCleared) {
  IDirectDraw* device = nullptr;
  IDirectDrawClipper* clipper = nullptr;
  IDirectDrawSurface* surface = Offscreen(2, 2);
  platform::InjectFault(platform::DdCall::Blt, kCode, 1, 2);
  platform::InjectFault(platform::DdCall::CreateClipper, DDERR_GENERIC);
  std::vector<HRESULT> blits, clippers;
  for (int i = 0; i < 4; ++i) {
    blits.push_back(surface->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr));
    clippers.push_back(device_->CreateClipper(0, &clipper, nullptr));
  }
  EXPECT_EQ(blits, (std::vector<HRESULT>{DD_OK, kCode, kCode, DD_OK}));
  EXPECT_EQ(clippers, std::vector<HRESULT>(4, DDERR_GENERIC));
  EXPECT_EQ(clipper, nullptr);
  platform::ClearFaults();
  EXPECT_EQ(device_->CreateClipper(0, &clipper, nullptr), DD_OK);
  platform::InjectFault(platform::DdCall::DirectDrawCreate, kCode);
  Start();  // installing a host clears them too
  EXPECT_EQ(DirectDrawCreate(nullptr, &device, nullptr), DD_OK);
}

TEST_F(DirectDraw, AFaultFromTextNamesTheCallAndTheCodeInHexOrDecimal) {
  IDirectDraw* device = nullptr;
  ASSERT_TRUE(platform::InjectFaultFromText("DirectDrawCreate:2005532292"));
  EXPECT_EQ(DirectDrawCreate(nullptr, &device, nullptr), static_cast<HRESULT>(2005532292u));
  ASSERT_TRUE(platform::InjectFaultFromText("Lock:0x80004005"));
  DDSURFACEDESC desc = Desc();
  EXPECT_EQ(Offscreen(1, 1)->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_GENERIC);
  for (const char* bad :
       {"", "DirectDrawCreate", "DirectDrawCreate:", "DirectDrawCreate:0", "DirectDrawCreate:0x",
        "DirectDrawCreate:12ab", "Blit:0x1", "DirectDrawCreate:0x1FFFFFFFF", "DirectDrawCreate:-5",
        "directdrawcreate:0x1"}) {
    EXPECT_FALSE(platform::InjectFaultFromText(bad)) << bad;
  }
}

}  // namespace
}  // namespace layer_test
