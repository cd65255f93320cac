// The real program in a real window on a real X server, driven by real (synthetic)
// input: what a user sees and does, on a bare X server and under a window manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "desktop_session.h"

namespace {

constexpr char kTitle[] = "A mandelbrot navigator by Quelvaren";
constexpr ViewRect kInitial{-1, -1, 1, 1};
// What the program draws into: the back buffer beyond which a window shows black.
constexpr int kBackBufferWidth = 1200, kBackBufferHeight = 1024;
// The test's X screen.
constexpr int kScreenWidth = 1280, kScreenHeight = 1024;

class DesktopTest : public ::testing::Test {
 protected:
  void StartDesktop(WindowManager manager) {
    std::string error;
    if (!session_.Start(manager, error))
      GTEST_SKIP() << "no real X server for this test: " << error;
  }

  // Starts the program and waits for its window and its first picture; learns where the
  // window's contents are on the screen and where the client area begins in them (below
  // the menu bar).
  void Open(const std::vector<std::string>& env = {}) {
    pid_ = session_.Launch(NAVIGATOR, env);
    window_ = session_.FindWindow(kTitle);
    ASSERT_FALSE(window_.empty()) << "no window titled '" << kTitle << "'";
    const Image full = RenderedPicture(kInitial, 512);
    for (int attempt = 0; attempt < 50 && clientTop_ < 0; ++attempt) {
      origin_ = session_.GeometryOf(window_);
      const Image shot = session_.Screenshot();
      for (int bar = 8; bar <= 64 && clientTop_ < 0; ++bar) {
        if (Region(shot, origin_.x, origin_.y + bar, 512, 512 - bar).pixels ==
            Stretch(full, 512, 512 - bar).pixels)
          clientTop_ = bar;
      }
      if (clientTop_ < 0) Pause(0.2);
    }
    ASSERT_GT(clientTop_, 0) << "the initial picture never appeared in the window";
  }

  int ClientHeight(int windowHeight) const { return windowHeight - clientTop_; }

  // The window's size once it has become width x height (waiting up to 5 s), or as it is.
  Geometry AwaitSize(int width, int height) {
    Geometry g = session_.GeometryOf(window_);
    for (int i = 0; i < 50 && (g.width != width || g.height != height); ++i) {
      Pause(0.1);
      g = session_.GeometryOf(window_);
    }
    return g;
  }

  // What a client area of the window's size must show of `view` rendered at `size`: the
  // stretched picture as far as the back buffer and the screen reach.
  Image Expected(const ViewRect& view, int size, const Geometry& window) {
    const int w = window.width, h = ClientHeight(window.height);
    const Image all = ExpectedPicture(view, size, w, h);
    const int top = window.y + clientTop_;
    return Crop(all, std::min({w, kBackBufferWidth, kScreenWidth - window.x}),
                std::min({h, kBackBufferHeight, kScreenHeight - top}));
  }

  // Waits up to 10 s for the client area (at the window's place now, below the bar) to
  // show `expected`; on failure writes the pictures.
  void ExpectClient(const Image& expected, const std::string& name) {
    Image region;
    for (int attempt = 0; attempt < 50; ++attempt) {
      const Geometry g = session_.GeometryOf(window_);
      region =
          Region(session_.Screenshot(), g.x, g.y + clientTop_, expected.width, expected.height);
      if (region.pixels == expected.pixels && region.width == expected.width) return;
      Pause(0.2);
    }
    EXPECT_TRUE(SamePicture(region, expected, name + Suffix()));
  }

  // Moves the pointer to (x, y) in the window's contents.
  void PointAt(int x, int y) {
    Input("mousemove " + std::to_string(origin_.x + x) + " " + std::to_string(origin_.y + y));
  }
  void Input(const std::string& xdotool) { session_.Run("xdotool " + xdotool); }
  int Exit() { return session_.WaitExit(pid_, 10); }
  virtual std::string Suffix() const { return ""; }

  DesktopSession session_;
  pid_t pid_ = -1;
  std::string window_;
  Geometry origin_;  // the window's contents when it opened
  int clientTop_ = -1;
};

// Every test here runs on a bare X server and under openbox.
class Desktop : public DesktopTest, public ::testing::WithParamInterface<WindowManager> {
 protected:
  void SetUp() override { StartDesktop(GetParam()); }
  bool Managed() const { return GetParam() != WindowManager::Absent; }
  std::string Suffix() const override { return Managed() ? "-openbox" : ""; }
};

std::string ManagerName(const ::testing::TestParamInfo<WindowManager>& info) {
  return info.param == WindowManager::Absent ? "NoWindowManager" : "Openbox";
}

INSTANTIATE_TEST_SUITE_P(OnX, Desktop,
                         ::testing::Values(WindowManager::Absent, WindowManager::Openbox),
                         ManagerName);

// Without a window manager the window itself is at the top-left; with one, its frame is,
// and the window's contents sit inside the frame's border and title bar.
TEST_P(Desktop, TheWindowOpensAtTheTopLeftWithTheInitialPicture) {
  Open();
  EXPECT_EQ(std::pair(origin_.width, origin_.height), std::pair(512, 512));
  if (Managed()) {
    const Geometry frame = session_.GeometryOf(session_.ParentOf(window_));
    EXPECT_EQ(std::pair(frame.x, frame.y), std::pair(0, 0));
    EXPECT_GT(origin_.y, 0) << "no title bar above the window";
  } else {
    EXPECT_EQ(std::pair(origin_.x, origin_.y), std::pair(0, 0));
  }
  // The client area is 512 wide and shorter than 512 by the menu bar.
  ExpectClient(ExpectedPicture(kInitial, 512, 512, ClientHeight(512)), "first-picture");
  SavePicture(Region(session_.Screenshot(), 0, 0, origin_.x + 512, origin_.y + 512),
              "screenshot" + Suffix());
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

TEST_P(Desktop, ALeftDragZoomsAndARightDragPans) {
  Open();
  const int h = ClientHeight(512);
  PointAt(256, 300);
  Pause(0.3);
  Input("mousedown 1");
  Pause(0.3);
  Input("mousemove_relative -- -10 0");
  const ViewRect zoomed = Zoomed(kInitial, 10);
  ExpectClient(ExpectedPicture(zoomed, 128, 512, h), "zoom-preview");
  Input("mouseup 1");
  ExpectClient(ExpectedPicture(zoomed, 512, 512, h), "zoom-released");

  Pause(0.3);
  Input("mousedown 3");
  Pause(0.3);
  Input("mousemove_relative -- -10 5");
  const ViewRect panned = Panned(zoomed, 10, -5);
  ExpectClient(ExpectedPicture(panned, 128, 512, h), "pan-preview");
  Input("mouseup 3");
  ExpectClient(ExpectedPicture(panned, 512, 512, h), "pan-released");
  const std::string where =
      "x:" + std::to_string(origin_.x + 256) + " y:" + std::to_string(origin_.y + 300);
  const std::string pointer = session_.Run("xdotool getmouselocation");
  EXPECT_NE(pointer.find(where), std::string::npos) << pointer << " (expected " << where << ")";
  Input("key F12");
  EXPECT_EQ(Exit(), 0);
}

TEST_P(Desktop, TheMenuOpensWithAltAAndItsFirstCommandEndsTheProgram) {
  Open();
  const int top = origin_.y + clientTop_;
  const Image before = session_.Screenshot();
  Input("key alt+a");
  Pause(0.5);
  const Image open = session_.Screenshot();
  EXPECT_NE(Region(open, origin_.x, top, 250, 100).pixels,
            Region(before, origin_.x, top, 250, 100).pixels)
      << "no popup under the menu bar";
  SavePicture(Region(open, origin_.x, origin_.y, 512, 512), "menu-open" + Suffix());
  Input("key t");
  EXPECT_EQ(Exit(), 40001 % 256);
}

TEST_P(Desktop, AClickOpensTheMenuAndAClickElsewhereClosesIt) {
  Open();
  const int h = ClientHeight(512);
  PointAt(20, clientTop_ / 2);
  Input("click 1");
  Pause(0.5);
  const Image open = session_.Screenshot();
  EXPECT_NE(Region(open, origin_.x, origin_.y + clientTop_, 250, 100).pixels,
            Crop(ExpectedPicture(kInitial, 512, 512, h), 250, 100).pixels)
      << "no popup after a click on the menu bar";
  PointAt(450, 450);
  Input("click 1");
  ExpectClient(ExpectedPicture(kInitial, 512, 512, h), "menu-closed");
  session_.Run(std::string(SEND_CLOSE) + " " + window_);
  EXPECT_EQ(Exit(), 0);
}

TEST_P(Desktop, AStartupFailureShowsItsMessageBoxAndEndsWithZero) {
  const pid_t pid =
      session_.Launch(NAVIGATOR, {"MANDELBROT_PLATFORM_FAULT=CreateClipper:0x80004005"});
  const std::string box = session_.FindInTree("ERROR", 10);
  ASSERT_FALSE(box.empty()) << session_.Run("xwininfo -root -tree");
  EXPECT_EQ(session_.WaitExit(pid, 0.5), -1) << "ended before the box was dismissed";
  Pause(0.3);
  session_.Run("xdotool key --window " + box + " Return");
  EXPECT_EQ(session_.WaitExit(pid, 10), 0);
}

TEST_P(Desktop, ResizedWindowsAreFilledAsFarAsTheBackBufferReaches) {
  Open();
  Input("windowsize " + window_ + " 900 700");
  ExpectClient(Expected(kInitial, 512, AwaitSize(900, 700)), "resized");
  Input("windowsize " + window_ + " 1280 1024");
  ExpectClient(Expected(kInitial, 512, AwaitSize(1280, 1024)), "oversized");
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

// What only a window manager does to a window.
class DesktopWithOpenbox : public DesktopTest {
 protected:
  void SetUp() override { StartDesktop(WindowManager::Openbox); }
  std::string Suffix() const override { return "-openbox"; }
};

// While minimised the program runs on with nothing to show; restored, it shows its picture,
// and a drag still zooms.
TEST_F(DesktopWithOpenbox, AMinimisedWindowComesBackWithItsPicture) {
  Open();
  Input("windowminimize " + window_);
  for (int i = 0; i < 50 && session_.GeometryOf(window_).viewable; ++i) Pause(0.1);
  ASSERT_FALSE(session_.GeometryOf(window_).viewable) << "the window was not minimised";
  Pause(0.5);
  EXPECT_EQ(session_.WaitExit(pid_, 0), -1) << "the program ended while minimised";
  session_.Run("wmctrl -i -a " + window_);
  ExpectClient(ExpectedPicture(kInitial, 512, 512, ClientHeight(512)), "restored");
  PointAt(256, 300);
  Pause(0.3);
  Input("mousedown 1");
  Pause(0.3);
  Input("mousemove_relative -- -4 0");
  Input("mouseup 1");
  ExpectClient(ExpectedPicture(Zoomed(kInitial, 4), 512, 512, ClientHeight(512)),
               "restored-zoomed");
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

TEST_F(DesktopWithOpenbox, AMaximisedWindowIsFilledAsFarAsTheBackBufferReaches) {
  Open();
  session_.Run("wmctrl -i -r " + window_ + " -b add,maximized_vert,maximized_horz");
  Geometry g = session_.GeometryOf(window_);
  for (int i = 0; i < 50 && g.width != 1280; ++i, g = session_.GeometryOf(window_)) Pause(0.1);
  ASSERT_EQ(g.width, 1280) << "the window was not maximised";
  EXPECT_GT(g.height, 900);
  ExpectClient(Expected(kInitial, 512, g), "maximised");
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

// The window manager's close (Alt+F4 in openbox's stock key bindings) asks the window to
// close, as its close button does.
TEST_F(DesktopWithOpenbox, TheWindowManagersCloseEndsTheProgramWithZero) {
  Open();
  // The window manager's key goes to the window it has focused. On a busy machine openbox
  // may not have focused the new window, or taken its key bindings, by the time the key
  // comes: a key nobody took is pressed again, as a user would.
  Input("windowactivate --sync " + window_);
  int status = -1;
  for (int press = 0; press < 5 && status == -1; ++press) {
    Input("key alt+F4");
    status = session_.WaitExit(pid_, 2);
  }
  EXPECT_EQ(status, 0) << "active window: " << session_.Run("xdotool getactivewindow")
                       << ", the program's: " << window_;
}

}  // namespace
