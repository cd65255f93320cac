// The desktop host on SDL's dummy video driver: real SDL windows, surfaces and event queue,
// nothing on screen. What only a real display shows is checked by hand on an X server.

#include "platform/sdl_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/windowing.h"

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

// A frame with distinct channels in every pixel and junk in the bytes past each row.
struct Frame {
  Frame(int w, int h, int padWords) : width(w), height(h), stride(w + padWords) {
    words.assign(static_cast<std::size_t>(stride) * h, 0xDEADBEEF);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) words[y * stride + x] = Expected(x, y);
    }
  }
  static std::uint32_t Expected(int x, int y) {
    return static_cast<std::uint32_t>((x * 3) << 16 | (y * 5) << 8 | ((x + y) & 0xFF));
  }
  int pitch() const { return stride * 4; }
  int width, height, stride;
  std::vector<std::uint32_t> words;
};

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDummyDriver();
    std::string error;
    host_ = MakeSdlHost(error);
    ASSERT_NE(host_, nullptr) << error;
    window_ = host_->CreateWindow("test", 30, 40, 64, 48);
    ASSERT_GT(window_, 0);
    host_->ShowWindow(window_, true);
    TakeAll(*host_);
  }

  HostEvent Next() {
    HostEvent event;
    EXPECT_TRUE(host_->PollEvent(event));
    return event;
  }

  std::vector<std::uint32_t> Shown(int& width, int& height) {
    return sdl::testing::ReadWindow(window_, width, height);
  }

  std::unique_ptr<Host> host_;
  int window_ = 0;
};

TEST_F(SdlHostTest, RunsOnTheDriverAskedFor) {
  EXPECT_STREQ(host_->Name(), "sdl");
  EXPECT_EQ(sdl::testing::VideoDriver(), "dummy");
  int width = 0, height = 0;
  host_->ScreenSize(width, height);
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
}

TEST_F(SdlHostTest, WindowsHaveTheirOwnIdsAndGeometry) {
  const int other = host_->CreateWindow("other", 5, 6, 100, 80);
  EXPECT_GT(other, 0);
  EXPECT_NE(other, window_);
  int x = 0, y = 0, width = 0, height = 0;
  host_->WindowPosition(window_, x, y);
  host_->WindowSize(window_, width, height);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);
  host_->WindowSize(other, width, height);
  EXPECT_EQ(width, 100);
  EXPECT_EQ(height, 80);
}

TEST_F(SdlHostTest, PresentShowsEveryPixelOfAPaddedFrame) {
  Frame frame(64, 48, 7);
  host_->Present(window_, frame.words.data(), frame.width, frame.height, frame.pitch());
  int width = 0, height = 0;
  const std::vector<std::uint32_t> shown = Shown(width, height);
  ASSERT_EQ(width, 64);
  ASSERT_EQ(height, 48);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(shown[y * width + x], Frame::Expected(x, y)) << x << "," << y;
    }
  }
}

TEST_F(SdlHostTest, AWindowResizedByTheDesktopShowsWhatFitsOfTheOldFrame) {
  sdl::testing::ResizeWindow(window_, 40, 30);
  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_THAT(TypesOf(events), ::testing::Contains(Type::Resized));
  for (const HostEvent& event : events) {
    if (event.type != Type::Resized) continue;
    EXPECT_EQ(event.window, window_);
    EXPECT_EQ(event.x, 40);
    EXPECT_EQ(event.y, 30);
  }
  Frame frame(64, 48, 0);
  host_->Present(window_, frame.words.data(), frame.width, frame.height, frame.pitch());
  int width = 0, height = 0;
  const std::vector<std::uint32_t> shown = Shown(width, height);
  ASSERT_EQ(width, 40);
  ASSERT_EQ(height, 30);
  EXPECT_EQ(shown[29 * 40 + 39], Frame::Expected(39, 29));
}

TEST_F(SdlHostTest, AFrameSmallerThanTheWindowFillsItsTopLeft) {
  sdl::testing::ResizeWindow(window_, 80, 60);
  Frame frame(64, 48, 3);
  host_->Present(window_, frame.words.data(), frame.width, frame.height, frame.pitch());
  int width = 0, height = 0;
  const std::vector<std::uint32_t> shown = Shown(width, height);
  ASSERT_EQ(width, 80);
  EXPECT_EQ(shown[0], Frame::Expected(0, 0));
  EXPECT_EQ(shown[47 * 80 + 63], Frame::Expected(63, 47));
}

TEST_F(SdlHostTest, MouseEventsKeepWindowPositionsAndMotion) {
  sdl::testing::PushMouseMotion(window_, 10, 20, 3, -4);
  sdl::testing::PushMouseButton(window_, 1, true, 11, 21);
  sdl::testing::PushMouseButton(window_, 4, true, 11, 21);  // a side button: no use
  sdl::testing::PushMouseButton(window_, 3, false, 12, 22);
  sdl::testing::PushMouseButton(window_, 2, true, 13, 23);

  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_EQ(TypesOf(events), (std::vector<Type>{Type::MouseMove, Type::ButtonDown, Type::ButtonUp,
                                                Type::ButtonDown}));
  EXPECT_EQ(events[0].window, window_);
  EXPECT_EQ(events[0].x, 10);
  EXPECT_EQ(events[0].y, 20);
  EXPECT_EQ(events[0].dx, 3);
  EXPECT_EQ(events[0].dy, -4);
  EXPECT_EQ(events[1].button, 1);
  EXPECT_EQ(events[1].x, 11);
  EXPECT_EQ(events[1].y, 21);
  EXPECT_EQ(events[2].button, 3);
  EXPECT_EQ(events[3].button, 2);
  EXPECT_EQ(events[3].window, window_);
}

struct KeyCase {
  const char* sdlName;
  int virtualKey;
};

TEST_F(SdlHostTest, KeysArriveAsVirtualKeyCodes) {
  const KeyCase cases[] = {
      {"Escape", VK_ESCAPE},
      {"F12", VK_F12},
      {"F10", VK_F10},
      {"F1", VK_F1},
      {"F5", VK_F1 + 4},
      {"A", 'A'},
      {"Z", 'Z'},
      {"0", '0'},
      {"9", '9'},
      {"Left", VK_LEFT},
      {"Up", VK_UP},
      {"Right", VK_RIGHT},
      {"Down", VK_DOWN},
      {"Return", VK_RETURN},
      {"Keypad Enter", VK_RETURN},
      {"Space", VK_SPACE},
      {"Backspace", VK_BACK},
      {"Tab", VK_TAB},
      {"Left Shift", VK_SHIFT},
      {"Right Ctrl", VK_CONTROL},
      {"Left Alt", VK_MENU},
      {"Right Alt", VK_MENU},
      {"Keypad 5", 0x65},
      {"Keypad +", 0x6B},
  };
  for (const KeyCase& key : cases) {
    ASSERT_TRUE(sdl::testing::PushKey(window_, key.sdlName, true, false, false)) << key.sdlName;
    const HostEvent event = Next();
    EXPECT_EQ(event.type, Type::KeyDown) << key.sdlName;
    EXPECT_EQ(event.key, key.virtualKey) << key.sdlName;
    EXPECT_EQ(event.window, window_);
  }
}

TEST_F(SdlHostTest, KeysCarryAltAndRepeat) {
  sdl::testing::PushKey(window_, "A", true, true, false);
  sdl::testing::PushKey(window_, "Down", true, false, true);
  sdl::testing::PushKey(window_, "Down", false, false, false);

  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_EQ(TypesOf(events), (std::vector<Type>{Type::KeyDown, Type::KeyDown, Type::KeyUp}));
  EXPECT_TRUE(events[0].alt);
  EXPECT_FALSE(events[0].repeat);
  EXPECT_FALSE(events[1].alt);
  EXPECT_TRUE(events[1].repeat);
  EXPECT_EQ(events[2].key, VK_DOWN);
  EXPECT_FALSE(events[2].repeat);
}

TEST_F(SdlHostTest, TypedTextAndKeysWithoutACodeAreSkipped) {
  sdl::testing::PushTextInput(window_, "f");
  ASSERT_TRUE(sdl::testing::PushKey(window_, "Mute", true, false, false));
  sdl::testing::PushKey(window_, "Escape", true, false, false);

  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].key, VK_ESCAPE);
}

TEST_F(SdlHostTest, WindowChangesFromTheDesktop) {
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

  const std::vector<HostEvent> events = TakeAll(*host_);
  ASSERT_EQ(TypesOf(events),
            (std::vector<Type>{Type::Resized, Type::Moved, Type::Minimized, Type::Restored,
                               Type::Restored, Type::Exposed, Type::Close}));
  EXPECT_EQ(events[0].x, 300);
  EXPECT_EQ(events[0].y, 200);
  EXPECT_EQ(events[1].x, 15);
  EXPECT_EQ(events[1].y, 25);
  for (const HostEvent& event : events) EXPECT_EQ(event.window, window_);
}

TEST_F(SdlHostTest, QuitBelongsToNoWindow) {
  sdl::testing::PushQuit();
  const HostEvent event = Next();
  EXPECT_EQ(event.type, Type::Quit);
  EXPECT_EQ(event.window, 0);
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

TEST_F(SdlHostTest, PointerCallsNeedNoDesktopPointer) {
  // The dummy driver has no pointer to move; the calls must still be harmless, in the
  // order the layer makes them at the end of a drag.
  host_->ShowPointer(false);
  host_->SetRelativeMouse(true);
  host_->WarpPointer(100, 100);
  host_->SetRelativeMouse(false);
  host_->WarpPointer(120, 90);
  host_->ShowPointer(true);
  sdl::testing::PushMouseMotion(window_, 1, 2, 0, 0);
  EXPECT_EQ(Next().type, Type::MouseMove);
}

TEST(SdlHostLifetime, ASecondHostLeavesTheFirstWorkingAndTheLastShutsSdlDown) {
  UseDummyDriver();
  std::string error;
  std::unique_ptr<Host> first = MakeSdlHost(error);
  ASSERT_NE(first, nullptr) << error;
  std::unique_ptr<Host> second = MakeSdlHost(error);
  ASSERT_NE(second, nullptr) << error;
  second.reset();

  const int window = first->CreateWindow("still here", 0, 0, 8, 8);
  EXPECT_GT(window, 0);
  sdl::testing::PushQuit();
  HostEvent event;
  EXPECT_TRUE(first->PollEvent(event));
  first.reset();
  EXPECT_EQ(sdl::testing::VideoDriver(), "");
}

// ---- Text ----

bool AnyFontInstalled() {
  for (const std::string& file : sdl::DefaultFontFiles()) {
    if (std::filesystem::exists(file)) return true;
  }
  return false;
}

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
  std::uint32_t* Pixels() { return &At(0, 0); }
  int Pitch() const { return stride * 4; }
  std::uint32_t& At(int x, int y) { return words[(y + kGuard) * stride + x + kGuard]; }
  bool GuardIntact() const {
    int intact = 0;
    for (std::uint32_t word : words) intact += word == kGuardWord;
    return intact == static_cast<int>(words.size()) - width * height;
  }
  void Draw(Host& host, int x, int y, const std::string& text, std::uint32_t colour) {
    host.DrawText(Pixels(), width, height, Pitch(), x, y, text, colour);
  }
  int width, height, stride;
  std::vector<std::uint32_t> words;
};

class SdlTextTest : public SdlHostTest {
 protected:
  void SetUp() override {
    if (!AnyFontInstalled()) GTEST_SKIP() << "no font installed";
    SdlHostTest::SetUp();
  }
};

TEST(SdlFont, FontconfigNamesAnExistingFile) {
  const std::string file = sdl::MatchSansSerifFont();
  if (file.empty()) GTEST_SKIP() << "fontconfig matches nothing here";
  EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
}

TEST_F(SdlTextTest, WiderTextMeasuresWider) {
  EXPECT_GT(host_->TextHeight(), 8);
  EXPECT_EQ(host_->TextWidth(""), 0);
  EXPECT_GT(host_->TextWidth("W"), host_->TextWidth("i"));
  EXPECT_GT(host_->TextWidth("WW"), host_->TextWidth("W"));
}

TEST_F(SdlTextTest, DrawnTextStaysInsideItsMeasuredBox) {
  Canvas canvas(120, 30, 0);
  const std::string label = "Mandelbrot";
  canvas.Draw(*host_, 5, 3, label, 0xFFFFFF);
  int inked = 0, fullyCovered = 0;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const std::uint32_t pixel = canvas.At(x, y);
      if (pixel == 0) continue;
      ++inked;
      fullyCovered += pixel == 0xFFFFFF;
      EXPECT_GE(x, 5);
      EXPECT_LT(x, 5 + host_->TextWidth(label) + 2);
      EXPECT_GE(y, 3);
      EXPECT_LT(y, 3 + host_->TextHeight());
    }
  }
  EXPECT_GT(inked, 20);
  EXPECT_GT(fullyCovered, 0);
  EXPECT_TRUE(canvas.GuardIntact());
}

TEST_F(SdlTextTest, TextBlendsItsColourWithWhatIsUnder) {
  Canvas canvas(60, 20, 0x0000FF);
  canvas.Draw(*host_, 2, 2, "Quit", 0xFF0000);
  int blended = 0;
  for (std::uint32_t pixel : canvas.words) {
    if (pixel == Canvas::kGuardWord || pixel == 0x0000FF) continue;
    const int red = pixel >> 16 & 0xFF, green = pixel >> 8 & 0xFF, blue = pixel & 0xFF;
    EXPECT_EQ(green, 0);
    EXPECT_NEAR(red + blue, 255, 1);
    blended += red > 0 && blue > 0;
  }
  EXPECT_GT(blended, 0);
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

TEST_F(SdlTextTest, ALabelDrawsTheSameEachTime) {
  Canvas first(80, 20, 0x123456), second(80, 20, 0x123456);
  first.Draw(*host_, 1, 1, "&About", 0xFFFFFF);
  Canvas other(80, 20, 0);
  other.Draw(*host_, 1, 1, "Other", 0xFFFFFF);
  second.Draw(*host_, 1, 1, "&About", 0xFFFFFF);
  EXPECT_EQ(first.words, second.words);
}

TEST(SdlHostWithoutFont, MeasuresWithFixedMetricsAndDrawsNothing) {
  UseDummyDriver();
  std::string error;
  std::unique_ptr<Host> host = sdl::MakeHost({.fontFiles = {"/nonexistent/font.ttf"}}, error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(host->TextHeight(), sdl::kFallbackTextHeight);
  EXPECT_EQ(host->TextWidth("abc"), 3 * sdl::kFallbackCharWidth);
  EXPECT_EQ(host->TextWidth("\xC3\xA9t\xC3\xA9"), 3 * sdl::kFallbackCharWidth);  // "été"
  Canvas canvas(40, 20, 0);
  canvas.Draw(*host, 0, 0, "abc", 0xFFFFFF);
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) ASSERT_EQ(canvas.At(x, y), 0u);
  }
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

TEST(SdlHostNoDisplay, WithoutAnyDisplayThereIsNoHostAndTheErrorSaysWhy) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(TryWithoutDisplay(nullptr), ::testing::ExitedWithCode(0), "^no display: set DISPLAY");
}

TEST(SdlHostNoDisplay, AnUnreachableXServerIsNamed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(TryWithoutDisplay(":987"), ::testing::ExitedWithCode(0),
              "no display: .*DISPLAY=:987");
}

}  // namespace
}  // namespace platform
