// The desktop host on a real X server (Xvfb): what only SDL's X11 driver does.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/hosts/sdl/sdl_host.h"
#include "x_server.h"

// Last: Xlib's macros (None, Bool, Status) clash with names above.
#include <X11/Xlib.h>

namespace platform {
namespace {

// SDL wakes its waits with events sent to its windows over a second connection, and the
// program may destroy the window first: the failed send must not end the program, as
// Xlib's own handler would (status 1), neither while SDL runs nor when its error is read
// as SDL shuts down. Any other error still ends it. In a child each (forked where it
// stands, with the server already up): the handler is the process's.
TEST(SdlHostOnXDeathTest, AnEventSentToAWindowThatIsGoneIsNoErrorAndOtherErrorsStillAre) {
  GTEST_FLAG_SET(death_test_style, "fast");
  XServer server;
  std::string error;
  if (!server.Start(WindowManager::Absent, error)) GTEST_SKIP() << error;
  struct Send {
    Window target;
    long mask;
    bool readAfterShutdown;
  };
  auto run = [](Send send) {
    std::string error;
    std::unique_ptr<Host> host = MakeSdlHost(error);
    if (host == nullptr || sdl::testing::VideoDriver() != "x11") std::_Exit(3);
    Display* display = XOpenDisplay(nullptr);
    if (send.target == 0) send.target = DefaultRootWindow(display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.format = 8;
    XSendEvent(display, send.target, False, send.mask, &event);
    if (send.readAfterShutdown) host.reset();
    XSync(display, False);
    std::_Exit(0);
  };
  const Window gone = 0x7FFFFF;
  EXPECT_EXIT(run({gone, NoEventMask, false}), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(run({gone, NoEventMask, true}), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(run({0, 1L << 30, false}), ::testing::ExitedWithCode(1), "BadValue");
}

}  // namespace
}  // namespace platform
