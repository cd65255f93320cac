// The desktop host made on first use, in a child process each: SDL's dummy driver stands
// in for a display.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "layer_test_support.h"

namespace layer_test {
namespace {

class ActiveHostDeathTest : public ::testing::Test {
 protected:
  // A fresh process, with no host installed yet.
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void UseDummyDisplay(const char* fault) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  setenv("MANDELBROT_PLATFORM_FAULT", fault, 1);
}

TEST_F(ActiveHostDeathTest, WithoutADisplayTheProgramSaysSoInOneLineAndEndsWithStatusOne) {
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("SDL_VIDEODRIVER");
        platform::ActiveHost();
      },
      ::testing::ExitedWithCode(1), "^mandelbrot-navigator: [^\n]+\n$");
}

// What the program makes before its first window needs no host; making the host must not
// throw it away. The host reads the fault variable when it starts.
TEST_F(ActiveHostDeathTest, TheFirstWindowMakesTheDesktopHostKeepingWhatCameBefore) {
  EXPECT_EXIT(
      {
        UseDummyDisplay("CreateClipper:0x80004005");
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
        HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(1));
        HWND first = MakeWindow();
        HWND second = MakeWindow();
        bool kept = first != nullptr && second != nullptr && GetMenuItemCount(menu) == 1;
        kept = kept && std::string(platform::ActiveHost().Name()) == "sdl";
        IDirectDraw* device = nullptr;
        IDirectDrawClipper* clipper = nullptr;
        DirectDrawCreate(nullptr, &device, nullptr);
        std::exit(kept && device->CreateClipper(0, &clipper, nullptr) == DDERR_GENERIC ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ActiveHostDeathTest, AnUnreadableFaultVariableIsReportedAndIgnored) {
  EXPECT_EXIT(
      {
        UseDummyDisplay("CreateClipper=5");
        platform::ActiveHost();
        IDirectDraw* device = nullptr;
        IDirectDrawClipper* clipper = nullptr;
        DirectDrawCreate(nullptr, &device, nullptr);
        std::exit(device->CreateClipper(0, &clipper, nullptr) == DD_OK ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "MANDELBROT_PLATFORM_FAULT=CreateClipper=5");
}

}  // namespace
}  // namespace layer_test
