// The real program in a real window on a real X server, driven by real (synthetic)
// input: what a user sees and does.
#include <gtest/gtest.h>

#include "desktop_session.h"

namespace {

constexpr char kTitle[] = "A mandelbrot navigator by Quelvaren";
constexpr ViewRect kInitial{-1, -1, 1, 1};

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    if (!session_.Start(error)) GTEST_SKIP() << "no real X server for this test: " << error;
  }

  // Starts the program and waits for its window and its first picture; learns where the
  // client area begins (below the menu bar).
  void Open(const std::vector<std::string>& env = {}) {
    pid_ = session_.Launch(NAVIGATOR, env);
    window_ = session_.FindWindow(kTitle);
    ASSERT_FALSE(window_.empty()) << "no window titled '" << kTitle << "'";
    const Image full = RenderedPicture(kInitial, 512);
    for (int attempt = 0; attempt < 50 && clientTop_ < 0; ++attempt) {
      const Image shot = session_.Screenshot();
      for (int bar = 8; bar <= 64 && clientTop_ < 0; ++bar) {
        if (Region(shot, 0, bar, 512, 512 - bar).pixels == Stretch(full, 512, 512 - bar).pixels)
          clientTop_ = bar;
      }
      if (clientTop_ < 0) Pause(0.2);
    }
    ASSERT_GT(clientTop_, 0) << "the initial picture never appeared at the top-left";
  }

  int ClientHeight(int windowHeight) const { return windowHeight - clientTop_; }

  // Waits up to 10 s for the client area (w x h at the top-left, below the bar) to show
  // `expected`; on failure writes the pictures.
  void ExpectClient(const Image& expected, const std::string& name) {
    Image region;
    for (int attempt = 0; attempt < 50; ++attempt) {
      region = Region(session_.Screenshot(), 0, clientTop_, expected.width, expected.height);
      if (region.pixels == expected.pixels && region.width == expected.width) return;
      Pause(0.2);
    }
    EXPECT_TRUE(SamePicture(region, expected, name));
  }

  void Input(const std::string& xdotool) { session_.Run("xdotool " + xdotool); }
  int Exit() { return session_.WaitExit(pid_, 10); }

  DesktopSession session_;
  pid_t pid_ = -1;
  std::string window_;
  int clientTop_ = -1;
};

TEST_F(Desktop, TheWindowOpensAtTheTopLeftWithTheInitialPicture) {
  Open();
  const std::string geometry = session_.Run("xdotool getwindowgeometry " + window_);
  EXPECT_NE(geometry.find("Position: 0,0"), std::string::npos) << geometry;
  EXPECT_NE(geometry.find("Geometry: 512x512"), std::string::npos) << geometry;
  SavePicture(Region(session_.Screenshot(), 0, 0, 512, 512), "screenshot");
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

TEST_F(Desktop, ALeftDragZoomsAndARightDragPans) {
  Open();
  const int h = ClientHeight(512);
  Input("mousemove 256 300");
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
  const std::string pointer = session_.Run("xdotool getmouselocation");
  EXPECT_NE(pointer.find("x:256 y:300"), std::string::npos) << pointer;
  Input("key F12");
  EXPECT_EQ(Exit(), 0);
}

TEST_F(Desktop, TheMenuOpensWithAltAAndItsFirstCommandEndsTheProgram) {
  Open();
  const Image before = session_.Screenshot();
  Input("key alt+a");
  Pause(0.5);
  const Image open = session_.Screenshot();
  EXPECT_NE(Region(open, 0, clientTop_, 250, 100).pixels,
            Region(before, 0, clientTop_, 250, 100).pixels)
      << "no popup under the menu bar";
  SavePicture(Region(open, 0, 0, 512, 512), "menu-open");
  Input("key t");
  EXPECT_EQ(Exit(), 40001 % 256);
}

TEST_F(Desktop, AClickOpensTheMenuAndAClickElsewhereClosesIt) {
  Open();
  const int h = ClientHeight(512);
  Input("mousemove 20 " + std::to_string(clientTop_ / 2) + " click 1");
  Pause(0.5);
  const Image open = session_.Screenshot();
  EXPECT_NE(Region(open, 0, clientTop_, 250, 100).pixels,
            Crop(ExpectedPicture(kInitial, 512, 512, h), 250, 100).pixels)
      << "no popup after a click on the menu bar";
  Input("mousemove 450 450 click 1");
  ExpectClient(ExpectedPicture(kInitial, 512, 512, h), "menu-closed");
  session_.Run(std::string(SEND_CLOSE) + " " + window_);
  EXPECT_EQ(Exit(), 0);
}

TEST_F(Desktop, AStartupFailureShowsItsMessageBoxAndEndsWithZero) {
  const pid_t pid =
      session_.Launch(NAVIGATOR, {"MANDELBROT_PLATFORM_FAULT=CreateClipper:0x80004005"});
  const std::string box = session_.FindInTree("ERROR", 10);
  ASSERT_FALSE(box.empty()) << session_.Run("xwininfo -root -tree");
  EXPECT_EQ(session_.WaitExit(pid, 0.5), -1) << "ended before the box was dismissed";
  Pause(0.3);
  session_.Run("xdotool key --window " + box + " Return");
  EXPECT_EQ(session_.WaitExit(pid, 10), 0);
}

TEST_F(Desktop, ResizedWindowsAreFilledAsFarAsTheBackBufferReaches) {
  Open();
  Input("windowsize " + window_ + " 900 700");
  ExpectClient(ExpectedPicture(kInitial, 512, 900, ClientHeight(700)), "resized");
  Input("windowsize " + window_ + " 1280 1024");
  ExpectClient(Crop(ExpectedPicture(kInitial, 512, 1280, ClientHeight(1024)), 1200, 1024),
               "oversized");
  Input("key Escape");
  EXPECT_EQ(Exit(), 0);
}

}  // namespace
