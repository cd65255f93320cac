// The desktop host on SDL's dummy video driver: real SDL windows, surfaces and event queue,
// nothing on screen. What only a real display shows is checked by hand on an X server.

#include "platform/hosts/sdl/sdl_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/windowing/windowing.h"

namespace platform {
namespace {

using sdl::testing::WindowChange;
using Type = HostEvent::Type;

void UseDummyDriver() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

std::vector<HostEvent> TakeAll(Host& host) {
  std::vector<HostEvent> events;
  for (HostEvent event; host.PollEvent(event);) events.push_back(event);
  return events;
}

std::vector<Type> TypesOf(const std::vector<HostEvent>& events) {
  std::vector<Type> types;
  for (const HostEvent& event : events) types.push_back(event.type);
  return types;
}

// Distinct channels in every pixel.
std::uint32_t Pixel(int x, int y) {
  return static_cast<std::uint32_t>((x * 3) << 16 | (y * 5) << 8 | ((x + y) & 0xFF));
}

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDummyDriver();
    std::string error;
    host_ = MakeSdlHost(error);
    ASSERT_NE(host_, nullptr) << error;
    ASSERT_EQ(sdl::testing::VideoDriver(), "dummy");
    window_ = host_->CreateWindow("test", 30, 40, 64, 48);
    ASSERT_GT(window_, 0);
    host_->ShowWindow(window_, true);
    TakeAll(*host_);
  }

  // Presents a width x height frame with junk in `padWords` words past each row and
  // checks that the window shows every pixel of it that fits.
  void ExpectPresented(int width, int height, int padWords) {
    const int stride = width + padWords;
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(stride) * height, 0xDEADBEEF);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) frame[y * stride + x] = Pixel(x, y);
    }
    host_->Present(window_, frame.data(), width, height, stride * 4);
    int shownWidth = 0, shownHeight = 0, w = 0, h = 0;
    const std::vector<std::uint32_t> shown =
        sdl::testing::ReadWindow(window_, shownWidth, shownHeight);
    host_->WindowSize(window_, w, h);
    ASSERT_EQ(std::pair(shownWidth, shownHeight), std::pair(w, h));
    for (int y = 0; y < std::min(h, height); ++y) {
      for (int x = 0; x < std::min(w, width); ++x) {
        ASSERT_EQ(shown[y * w + x], Pixel(x, y)) << x << "," << y;
      }
    }
  }

  std::unique_ptr<Host> host_;
  int window_ = 0;
};

// A window the desktop resized shows what fits of a frame of the old size.
TEST_F(SdlHostTest, RealWindowsShowEveryPixelOfAPaddedFrameThatFits) {
  int x = 0, y = 0, width = 0, height = 0;
  host_->WindowPosition(window_, x, y);
  host_->WindowSize(window_, width, height);
  EXPECT_EQ(std::vector<int>({x, y, width, height}), std::vector<int>({30, 40, 64, 48}));
  const int other = host_->CreateWindow("other", 5, 6, 100, 80);
  EXPECT_TRUE(other > 0 && other != window_);
  ExpectPresented(64, 48, 7);
  sdl::testing::ResizeWindow(window_, 40, 30);
  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_THAT(TypesOf(events), ::testing::Contains(Type::Resized));
  for (const HostEvent& event : events) {
    if (event.type != Type::Resized) continue;
    EXPECT_EQ(std::vector<int>({event.window, event.x, event.y}),
              std::vector<int>({window_, 40, 30}));
  }
  ExpectPresented(64, 48, 0);
  sdl::testing::ResizeWindow(window_, 80, 60);
  ExpectPresented(64, 48, 3);
}

TEST_F(SdlHostTest, MouseEventsKeepWindowPositionsAndMotion) {
  sdl::testing::PushMouseMotion(window_, 10, 20, 3, -4);
  sdl::testing::PushMouseButton(window_, 1, true, 11, 21);
  sdl::testing::PushMouseButton(window_, 4, true, 11, 21);  // a side button: no use
  sdl::testing::PushMouseButton(window_, 3, false, 12, 22);
  sdl::testing::PushMouseButton(window_, 2, true, 13, 23);
  const std::vector<HostEvent> e = TakeAll(*host_);
  ASSERT_EQ(TypesOf(e), (std::vector<Type>{Type::MouseMove, Type::ButtonDown, Type::ButtonUp,
                                           Type::ButtonDown}));
  EXPECT_EQ(std::vector<int>({e[0].x, e[0].y, e[0].dx, e[0].dy}),
            std::vector<int>({10, 20, 3, -4}));
  EXPECT_EQ(std::vector<int>({e[1].button, e[1].x, e[1].y}), std::vector<int>({1, 11, 21}));
  EXPECT_EQ(e[2].button, 3);
  EXPECT_EQ(e[3].button, 2);
  for (const HostEvent& event : e) EXPECT_EQ(event.window, window_);
}

// One key of each kind the translation tells apart, with the first and last of ranges.
TEST_F(SdlHostTest, KeysArriveAsVirtualKeyCodesWithAltAndRepeat) {
  const char* const names[] = {
      "A",         "Z",        "0",       "9", "F1", "F12", "Up", "Escape", "Keypad Enter",
      "Right Alt", "Keypad 5", "Keypad +"};
  const int codes[] = {'A',   'Z',       '0',       '9',     VK_F1, VK_F12,
                       VK_UP, VK_ESCAPE, VK_RETURN, VK_MENU, 0x65,  0x6B};
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(sdl::testing::PushKey(window_, names[i], true, false, false)) << names[i];
    HostEvent event;
    ASSERT_TRUE(host_->PollEvent(event)) << names[i];
    EXPECT_EQ(std::vector<int>({event.type == Type::KeyDown, event.key, event.window}),
              std::vector<int>({1, codes[i], window_}))
        << names[i];
  }
  sdl::testing::PushTextInput(window_, "f");                                // typed text
  ASSERT_TRUE(sdl::testing::PushKey(window_, "Mute", true, false, false));  // no code
  sdl::testing::PushKey(window_, "A", true, true, false);
  sdl::testing::PushKey(window_, "Down", true, false, true);
  sdl::testing::PushKey(window_, "Down", false, false, false);
  const std::vector<HostEvent> e = TakeAll(*host_);
  ASSERT_EQ(TypesOf(e), (std::vector<Type>{Type::KeyDown, Type::KeyDown, Type::KeyUp}));
  EXPECT_TRUE(e[0].alt && !e[0].repeat);
  EXPECT_TRUE(!e[1].alt && e[1].repeat);
  EXPECT_EQ(e[2].key, VK_DOWN);
  EXPECT_FALSE(e[2].repeat);
}

TEST_F(SdlHostTest, WindowChangesFromTheDesktopAndQuit) {
  using sdl::testing::PushWindowEvent;
  PushWindowEvent(window_, WindowChange::Shown);
  PushWindowEvent(window_, WindowChange::FocusGained);
  PushWindowEvent(window_, WindowChange::Resized, 300, 200);  // SizeChanged follows it
  PushWindowEvent(window_, WindowChange::SizeChanged, 300, 200);
  PushWindowEvent(window_, WindowChange::Moved, 15, 25);
  PushWindowEvent(window_, WindowChange::Minimized);
  PushWindowEvent(window_, WindowChange::Restored);
  PushWindowEvent(window_, WindowChange::Maximized);
  PushWindowEvent(window_, WindowChange::Exposed);
  PushWindowEvent(window_, WindowChange::Close);
  sdl::testing::PushQuit();
  const std::vector<HostEvent> e = TakeAll(*host_);
  ASSERT_EQ(TypesOf(e),
            (std::vector<Type>{Type::Resized, Type::Moved, Type::Minimized, Type::Restored,
                               Type::Restored, Type::Exposed, Type::Close, Type::Quit}));
  EXPECT_EQ(std::vector<int>({e[0].x, e[0].y, e[1].x, e[1].y}),
            std::vector<int>({300, 200, 15, 25}));
  for (std::size_t i = 0; i + 1 < e.size(); ++i) EXPECT_EQ(e[i].window, window_);
  EXPECT_EQ(e.back().window, 0);  // quit belongs to no window
}

TEST_F(SdlHostTest, EventsForADestroyedWindowAreDropped) {
  const int gone = host_->CreateWindow("gone", 0, 0, 10, 10);
  sdl::testing::PushMouseMotion(gone, 1, 1, 1, 1);
  host_->DestroyWindow(gone);
  sdl::testing::PushWindowEvent(gone, WindowChange::Close);
  sdl::testing::PushKey(0, "Escape", true, false, false);  // no window had the keyboard
  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, Type::KeyDown);
  EXPECT_EQ(events[0].window, 0);
}

TEST_F(SdlHostTest, WaitEventReturnsWhatIsPendingAndSkipsWhatIsOfNoUse) {
  HostEvent event;
  EXPECT_FALSE(host_->WaitEvent(event, 1));
  sdl::testing::PushTextInput(window_, "x");
  EXPECT_FALSE(host_->WaitEvent(event, 1));
  sdl::testing::PushTextInput(window_, "x");
  sdl::testing::PushMouseButton(window_, 1, true, 2, 3);
  ASSERT_TRUE(host_->WaitEvent(event, 1000));
  EXPECT_EQ(event.type, Type::ButtonDown);
  EXPECT_FALSE(host_->PollEvent(event));
}

TEST_F(SdlHostTest, MessageBoxWithoutADesktopGoesToStandardError) {
  ::testing::internal::CaptureStderr();
  host_->MessageBox(window_, "Mandelbrot", "Needs a 32 bit desktop");
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::HasSubstr("Mandelbrot: Needs a 32 bit desktop\n"));
}

// ---- Text ----

// Pixels with a border of guard words around them, so that writes outside show.
struct Canvas {
  static constexpr int kGuard = 4;
  static constexpr std::uint32_t kGuardWord = 0xA5A5A5A5;
  Canvas(int w, int h, std::uint32_t background) : width(w), height(h), stride(w + 2 * kGuard) {
    words.assign(static_cast<std::size_t>(stride) * (h + 2 * kGuard), kGuardWord);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) At(x, y) = background;
    }
  }
  std::uint32_t& At(int x, int y) { return words[(y + kGuard) * stride + x + kGuard]; }
  bool GuardIntact() const {
    return std::count(words.begin(), words.end(), kGuardWord) ==
           static_cast<std::ptrdiff_t>(words.size()) - width * height;
  }
  void Draw(Host& host, int x, int y, const std::string& text, std::uint32_t colour) {
    host.DrawText(&At(0, 0), width, height, stride * 4, x, y, text, colour);
  }
  int width, height, stride;
  std::vector<std::uint32_t> words;
};

class SdlTextTest : public SdlHostTest {
 protected:
  void SetUp() override {
    const std::vector<std::string> fonts = sdl::DefaultFontFiles();
    if (std::none_of(fonts.begin(), fonts.end(),
                     [](const std::string& file) { return std::filesystem::exists(file); })) {
      GTEST_SKIP() << "no font installed";
    }
    SdlHostTest::SetUp();
  }
};

// Red on blue: every inked pixel lies in the measured box and blends the two colours.
TEST_F(SdlTextTest, DrawnTextBlendsInsideItsMeasuredBox) {
  const std::string label = "Mandelbrot";
  EXPECT_GT(host_->TextWidth(label), host_->TextWidth("Mandel"));
  Canvas canvas(120, 30, 0x0000FF);
  canvas.Draw(*host_, 5, 3, label, 0xFF0000);
  int inked = 0, full = 0, blended = 0;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const std::uint32_t pixel = canvas.At(x, y), red = pixel >> 16, blue = pixel & 0xFF;
      if (pixel == 0x0000FF) continue;
      ++inked;
      full += pixel == 0xFF0000;
      blended += red > 0 && blue > 0;
      EXPECT_TRUE(pixel <= 0xFF00FF && (pixel & 0xFF00) == 0 && red + blue >= 254 &&
                  red + blue <= 256)
          << std::hex << pixel;
      EXPECT_TRUE(x >= 5 && x < 5 + host_->TextWidth(label) + 2) << x;
      EXPECT_TRUE(y >= 3 && y < 3 + host_->TextHeight()) << y;
    }
  }
  EXPECT_GT(inked, 20);
  EXPECT_GT(full, 0);
  EXPECT_GT(blended, 0);
  EXPECT_TRUE(canvas.GuardIntact());
}

TEST_F(SdlTextTest, TextIsCutAtEveryEdge) {
  const std::string label = "Zoom in and out";
  const int w = host_->TextWidth(label), h = host_->TextHeight();
  Canvas canvas(w / 2, h / 2, 0);
  for (int x : {-w / 2, -3, w / 4, w / 2 - 1}) {
    for (int y : {-h / 2, -2, h / 4, h / 2 - 1}) canvas.Draw(*host_, x, y, label, 0xFFFFFF);
  }
  EXPECT_TRUE(canvas.GuardIntact());
}

TEST(SdlHostWithoutFont, MeasuresWithFixedMetricsAndDrawsNothing) {
  UseDummyDriver();
  std::string error;
  std::unique_ptr<Host> host = sdl::MakeHost({.fontFiles = {"/nonexistent/font.ttf"}}, error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(host->TextHeight(), sdl::kFallbackTextHeight);
  EXPECT_EQ(host->TextWidth("\xC3\xA9t\xC3\xA9"), 3 * sdl::kFallbackCharWidth);  // "été"
  Canvas canvas(40, 20, 0);
  canvas.Draw(*host, 0, 0, "abc", 0xFFFFFF);
  EXPECT_EQ(canvas.words, Canvas(40, 20, 0).words);
}

// The dummy display has no refresh rate: a rate of 1 Hz makes a wait that runs its course
// unmistakable. The first present starts the rhythm; after it a pending event ends the
// wait at once and stays pending, and with none the next wait lasts until the refresh.
TEST(SdlHostPacing, APresentWaitsForTheRefreshUnlessAnEventIsPending) {
  UseDummyDriver();
  std::string error;
  std::unique_ptr<Host> host = sdl::MakeHost({.fallbackRefreshHz = 1}, error);
  ASSERT_NE(host, nullptr) << error;
  const int window = host->CreateWindow("paced", 0, 0, 32, 32);
  host->ShowWindow(window, true);
  TakeAll(*host);
  using Clock = std::chrono::steady_clock;
  auto seconds = [](Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
  };
  host->WaitForRefresh(window);
  sdl::testing::PushMouseMotion(window, 1, 2, 0, 0);
  Clock::time_point start = Clock::now();
  host->WaitForRefresh(window);
  EXPECT_LT(seconds(start), 0.5) << "the wait went on with an event pending";
  EXPECT_THAT(TypesOf(TakeAll(*host)), ::testing::ElementsAre(Type::MouseMove));
  start = Clock::now();
  host->WaitForRefresh(window);
  EXPECT_GT(seconds(start), 0.3) << "no wait for the refresh";
}

// ---- No display ----

// Runs in a child (SDL's state is global): reports the error on stderr and exits 0 when
// MakeSdlHost refuses, 1 when it hands out a host.
[[noreturn]] void TryWithoutDisplay(const char* display) {
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  display != nullptr ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  std::string error;
  std::unique_ptr<Host> host = MakeSdlHost(error);
  std::fprintf(stderr, "%s\n", host != nullptr ? "got a host" : error.c_str());
  std::fflush(stderr);
  std::_Exit(host != nullptr ? 1 : 0);
}

TEST(SdlHostNoDisplay, WithoutADisplayOrWithAnUnreachableOneThereIsNoHostAndTheErrorSaysWhy) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(TryWithoutDisplay(nullptr), ::testing::ExitedWithCode(0), "^no display: set DISPLAY");
  EXPECT_EXIT(TryWithoutDisplay(":987"), ::testing::ExitedWithCode(0),
              "no display: .*DISPLAY=:987");
}

}  // namespace
}  // namespace platform
