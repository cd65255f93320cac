// The headless host itself: its screen, its script's pacing, its guarantees of an end.

#include <gtest/gtest.h>

#include "layer_test_support.h"
#include "platform/ddraw.h"

namespace layer_test {
namespace {

TEST(HeadlessScreen, ShownWindowsAreComposedInCreationOrderOnBlack) {
  Start({}, hl::Options{64, 48, 0, 2});
  HWND first =
      CreateWindowExA(0, kClassName, "", 0, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  HWND second =
      CreateWindowExA(0, kClassName, "", 0, 10, 10, 20, 20, nullptr, nullptr, nullptr, nullptr);
  HWND hidden =
      CreateWindowExA(0, kClassName, "", 0, 40, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(first, SW_SHOW);
  ShowWindow(second, SW_SHOW);
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(hl::MainWindow(), first);
  // Paint each window's client area in its own colour through the primary surface.
  IDirectDraw* device = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &device, nullptr), DD_OK);
  DDSURFACEDESC desc{};
  desc.dwSize = kDdSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface* primary = nullptr;
  ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(device->CreateClipper(0, &clipper, nullptr), DD_OK);
  primary->SetClipper(clipper);
  DDBLTFX fx{};
  fx.dwSize = kDdBltFxSize;
  for (auto [window, colour] :
       {std::pair{first, 0x111111u}, {second, 0x222222u}, {hidden, 0x333333u}}) {
    clipper->SetHWnd(0, window);
    fx.dwFillColor = colour;
    primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  }
  const hl::Image screen = hl::ReadScreen();
  ASSERT_EQ(screen.width, 64);
  ASSERT_EQ(screen.height, 48);
  EXPECT_EQ(screen.At(5, 5), 0x111111u);
  EXPECT_EQ(screen.At(15, 15), 0x222222u);  // the later window on top
  EXPECT_EQ(screen.At(45, 5), 0u);          // hidden
  EXPECT_EQ(screen.At(63, 47), 0u);
}

TEST(HeadlessScript, IdleStepsHoldBackWhatFollowsAndCallsRunInOrder) {
  std::vector<int> seen;
  hl::Script s;
  s.Call([&] { seen.push_back(hl::IdlePasses()); }).Idle(2).Call([&] {
    seen.push_back(hl::IdlePasses());
  });
  s.Idle(1).Call([&] { seen.push_back(hl::IdlePasses()); });
  Start(s);
  MakeShownWindow();
  RunLoop({}, 10);
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 3}));
}

TEST(HeadlessScript, MouseStepsArriveInTheWindowUnderThePointer) {
  hl::Script s;
  s.MoveWindow(100, 100).MoveTo(150, 170).Press(1);
  Start(s);
  HWND window = MakeShownWindow();
  RunLoop({}, 5);
  const auto down = std::find_if(Log().begin(), Log().end(),
                                 [](const Recorded& r) { return r.message == WM_LBUTTONDOWN; });
  ASSERT_NE(down, Log().end());
  EXPECT_EQ(down->window, window);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 50);
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 70 - 20);
}

TEST(HeadlessScript, QuitFollowsWhenTheProgramIgnoresClose) {
  Start({}, hl::Options{1280, 1024, 0, 0});
  MakeShownWindow();
  Hook() = [](HWND, UINT message, WPARAM, LPARAM) { return message == WM_CLOSE; };
  int closes = 0;
  const int code = RunLoop([] {}, 2000);
  for (const Recorded& r : Log()) closes += r.message == WM_CLOSE;
  EXPECT_EQ(code, -1);   // never destroyed
  EXPECT_EQ(closes, 2);  // the close box, then the terminal's Quit
}

}  // namespace
}  // namespace layer_test
