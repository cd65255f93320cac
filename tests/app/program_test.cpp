// The whole program, driven as a user would drive it: press, move, release, and compare
// what the window shows with pictures computed by the renderer itself.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "display/device.h"
#include "display/image_surface.h"
#include "program_harness.h"

namespace {

constexpr int kLeft = 1, kRight = 3;

void ExpectView(const ViewRect& expected) {
  EXPECT_EQ(View.re0, expected.re0);
  EXPECT_EQ(View.im0, expected.im0);
  EXPECT_EQ(View.re1, expected.re1);
  EXPECT_EQ(View.im1, expected.im1);
}

// The window shows `view` rendered at `size` (128: the preview, 512: the full picture).
void ExpectShown(const ViewRect& view, int size, const char* name) {
  EXPECT_TRUE(SamePicture(hl::ReadClient(MainWindow), ExpectedClient(view, size), name));
}

TEST(Program, TheFirstFrameShowsTheInitialViewOverTheClientArea) {
  hl::Script s;
  s.Idle(1).Call([] {
    const RECT r = ClientArea();
    EXPECT_EQ(r.right, 512);
    EXPECT_LT(r.bottom, 512);  // the menu bar takes its share
    EXPECT_GT(r.bottom, 400);
    ExpectShown(kInitialView, 512, "first-frame");
    EXPECT_EQ(OnScreen(0, 0).x, 0);  // the window sits at the top-left of the screen
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, ALeftDragZoomsAboutTheCentreShowingThePreviewWhileHeld) {
  const ViewRect after = Zoomed(kInitialView, 10);
  hl::Script s;
  s.MoveTo(200, 200).Idle(1).Press(kLeft).Idle(1).Call([] {
    EXPECT_FALSE(hl::PointerShown());
    ExpectShown(kInitialView, 128, "zoom-held-still");
  });
  s.MoveBy(-10, 0).Idle(1).Call([&] {
    ExpectView(after);
    EXPECT_NEAR(View.re0, -0.8, 1e-15);
    ExpectShown(after, 128, "zoom-held-moved");
  });
  s.MoveBy(0, -30).Idle(1).Call([&] { ExpectView(after); });  // vertical motion: nothing
  s.Release(kLeft).Idle(1).Call([&] {
    ExpectView(after);
    ExpectShown(after, 512, "zoom-released");
    EXPECT_EQ(CurrentDragMode, None);
    EXPECT_TRUE(hl::PointerShown());
    EXPECT_EQ(hl::PointerPosition().x, 200);
    EXPECT_EQ(hl::PointerPosition().y, 200);
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, TheLastMotionBeforeTheReleaseIsStillApplied) {
  const ViewRect after = Zoomed(Zoomed(kInitialView, 5), 7);
  hl::Script s;
  s.MoveTo(300, 300).Press(kLeft).Idle(1).MoveBy(-5, 0).Idle(1);
  s.MoveBy(-7, 0).Release(kLeft).Idle(1).Call([&] {
    ExpectView(after);
    ExpectShown(after, 512, "last-motion");
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, ARightDragPans) {
  const ViewRect after = Panned(kInitialView, 10, -5);
  hl::Script s;
  s.MoveTo(200, 250).Press(kRight).Idle(1).MoveBy(-10, 5).Idle(1).Call([&] {
    ExpectView(after);
    EXPECT_NEAR(View.im0, -1.1, 1e-15);
    ExpectShown(after, 128, "pan-held");
  });
  s.Release(kRight).Idle(1).Call([&] {
    ExpectShown(after, 512, "pan-released");
    EXPECT_EQ(hl::PointerPosition().x, 200);
    EXPECT_EQ(hl::PointerPosition().y, 250);
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, AZoomStepBelowTheMinimumExtentLeavesTheView) {
  hl::Script s;
  s.MoveTo(200, 200).Press(kLeft).Idle(1).MoveBy(-60, 0).Idle(1).Call(
      [] { ExpectView(kInitialView); });
  s.Release(kLeft).Idle(1);
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, ASecondButtonNeitherRestartsNorSwitchesTheDrag) {
  const ViewRect after = Zoomed(kInitialView, 10);
  hl::Script s;
  s.MoveTo(200, 200).Press(kLeft).Idle(1).Press(kRight).Idle(1).MoveBy(-10, 0).Idle(1);
  s.Release(kLeft).Idle(1).Call([&] {
    EXPECT_EQ(CurrentDragMode, Zoom);  // the right button still holds the drag
    ExpectView(after);
    ExpectShown(after, 128, "second-button-held");
  });
  s.Release(kRight).Idle(1).Call([&] {
    EXPECT_EQ(CurrentDragMode, None);
    ExpectShown(after, 512, "second-button-released");
    EXPECT_EQ(hl::PointerPosition().x, 200);
    EXPECT_TRUE(hl::PointerShown());
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, EscapeF12AndTheCloseBoxEndWithZeroAfterTheSurfacesAreDeleted) {
  for (int way = 0; way < 3; ++way) {
    hl::Script s;
    s.Idle(1);
    if (way == 0) s.Key(VK_ESCAPE);
    if (way == 1) s.Key(VK_F12);
    if (way == 2) s.CloseBox();
    s.Idle(50).Call([] { ADD_FAILURE() << "still running"; });
    EXPECT_EQ(RunProgram(s), 0) << way;
    EXPECT_EQ(PreviewSurface, nullptr);
    EXPECT_EQ(FullSurface, nullptr);
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_FALSE(IsWindow(MainWindow));
  }
}

TEST(Program, OtherKeysDoNotClose) {
  hl::Script s;
  s.Idle(1).Key('Q').Key(VK_RETURN).Key(VK_F1).Idle(3).Call(
      [] { EXPECT_TRUE(IsWindow(MainWindow)); });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, TheMenuCommandThatEndsTheProgramReturnsItsParameter) {
  hl::Script s;
  s.Idle(1).KeyWithAlt('A').Key('T').Idle(50).Call([] { ADD_FAILURE() << "still running"; });
  EXPECT_EQ(RunProgram(s), 40001);
  EXPECT_EQ(PreviewSurface, nullptr);
  EXPECT_NE(directDraw, nullptr);  // the device ends with the process
}

TEST(Program, OtherMenuItemsDoNothing) {
  hl::Script s;
  s.Idle(1).KeyWithAlt('A').Key(VK_RETURN).Idle(2).Call([] {
    EXPECT_EQ(Running, 1);
    EXPECT_TRUE(IsWindow(MainWindow));
    ExpectShown(kInitialView, 512, "after-other-item");
  });
  s.Key(VK_ESCAPE);
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, APaintRequestBeforeTheFirstIdlePassDrawsNothing) {
  // The press starts a drag; had the paint request drawn a frame, the held button would
  // have put the preview on the screen.
  hl::Script s;
  s.MoveTo(200, 200).Press(kLeft).Expose().Call([] {
    EXPECT_EQ(FramesStarted, 0);
    ExpectShown(kInitialView, 512, "paint-before-loop");
  });
  s.Release(kLeft).Idle(2);
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, AMinimisedWindowDrawsNothingAndComesBack) {
  hl::Script s;
  s.Idle(1).Minimize().Idle(3).Call([] {
    const RECT r = ClientArea();
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
  });
  s.Restore().Idle(1).Call([] { ExpectShown(kInitialView, 512, "restored"); });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, AResizeTakesEffectInTheNextFrame) {
  hl::Script s;
  s.Idle(1).Resize(900, 700).Idle(1).Call([] {
    EXPECT_EQ(ClientArea().right, 900);
    ExpectShown(kInitialView, 512, "resized");
  });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, AClientAreaBeyondTheBackBufferIsCorrectAsFarAsItReaches) {
  hl::Script s;
  s.Idle(1).Resize(1300, 1100).Idle(1).Call([] {
    const RECT r = ClientArea();
    ASSERT_GT(r.right, 1200);
    ASSERT_GT(r.bottom, 1024);
    EXPECT_TRUE(SamePicture(Crop(hl::ReadClient(MainWindow), 1200, 1024),
                            Crop(ExpectedClient(kInitialView, 512), 1200, 1024), "oversized"));
  });
  // A drag in the oversized window parks the cursor in the middle of it.
  s.MoveTo(600, 600).Press(kLeft).Idle(1).MoveBy(-3, 0).Idle(1).Release(kLeft).Idle(1);
  s.Call([] { ExpectView(Zoomed(kInitialView, 3)); });
  EXPECT_EQ(RunProgram(s), 0);
}

TEST(Program, ClosingDuringADragGivesTheCursorBack) {
  hl::Script s;
  s.MoveTo(150, 220).Press(kLeft).Idle(1).MoveBy(-4, 0).Idle(1).Key(VK_ESCAPE);
  EXPECT_EQ(RunProgram(s), 0);
  EXPECT_TRUE(hl::PointerShown());
  EXPECT_EQ(hl::PointerPosition().x, 150);
  EXPECT_EQ(hl::PointerPosition().y, 220);
}

// Start-up failures: the message, the caption, what is released, what stays.
struct StartupFailure {
  platform::DdCall call;
  const char* text;
  bool windowDestroyed;
};

// How a failure names the case it ran.
void PrintTo(const StartupFailure& f, std::ostream* out) {
  *out << "a failing " << platform::DdCallName(f.call);
}

class Startup : public ::testing::TestWithParam<StartupFailure> {};

TEST_P(Startup, FailuresAreReportedAndEndWithZero) {
  const StartupFailure f = GetParam();
  HWND window = nullptr;
  hl::Script s;
  s.Idle(5).Call([] { ADD_FAILURE() << "the loop ran"; });
  const int code =
      RunProgram(s, [&] { platform::InjectFault(f.call, static_cast<HRESULT>(0x8876017C), 0, 1); });
  window = hl::MainWindow();
  EXPECT_EQ(code, 0);
  ASSERT_EQ(hl::MessageBoxes().size(), 1u);
  EXPECT_EQ(hl::MessageBoxes()[0].caption, "ERROR");
  EXPECT_EQ(hl::MessageBoxes()[0].text, f.text);
  EXPECT_EQ(hl::MessageBoxes()[0].owner, window);
  EXPECT_EQ(IsWindow(window) == FALSE, f.windowDestroyed);
  EXPECT_EQ(directDraw == nullptr, f.windowDestroyed);  // the device goes with the window
  EXPECT_EQ(PreviewSurface, nullptr);                   // nothing after start-up ran
}

INSTANTIATE_TEST_SUITE_P(
    EveryExaminedStep, Startup,
    ::testing::Values(
        StartupFailure{platform::DdCall::DirectDrawCreate, "Direct Draw Init Failed (8876017c)\n",
                       true},
        StartupFailure{platform::DdCall::SetCooperativeLevel,
                       "Direct Draw Init Failed (8876017c)\n", true},
        StartupFailure{platform::DdCall::CreatePrimarySurface,
                       "Direct Draw Init Failed (8876017c)\n", true},
        // Without a back buffer nothing could be shown: reported like the device.
        StartupFailure{platform::DdCall::CreateOffscreenSurface,
                       "Direct Draw Init Failed (8876017c)\n", true},
        StartupFailure{platform::DdCall::CreateClipper, "Clipper initializations failed ", false},
        StartupFailure{platform::DdCall::ClipperSetHWnd, "Clipper initializations failed ", false},
        StartupFailure{platform::DdCall::SurfaceSetClipper, "Clipper initializations failed ",
                       false}),
    [](const ::testing::TestParamInfo<StartupFailure>& info) {
      return std::string(platform::DdCallName(info.param.call));
    });

TEST(Program, ARefusedClipListIsNotAStartupFailure) {
  hl::Script s;
  s.Idle(1).Call([] { ExpectShown(kInitialView, 512, "clip-list-refused"); });
  const int code = RunProgram(
      s, [] { platform::InjectFault(platform::DdCall::ClipperSetClipList, DDERR_GENERIC); });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(hl::MessageBoxes().empty());
}

}  // namespace
