#pragma once
// A real X server for one test (x_server.h), optionally with a window manager on it as
// users have, and the real program started on it: xdotool and wmctrl for input and window
// requests, xwininfo for geometry and ImageMagick's import for screenshots.

#include <string>

#include "golden.h"
#include "x_server.h"

// A window's place on the screen, as the X server has it.
struct Geometry {
  int x = 0, y = 0;  // the top-left corner of its contents, in screen coordinates
  int width = 0, height = 0;
  bool viewable = false;  // mapped, with every ancestor mapped
};

class DesktopSession : public XServer {
 public:
  // Starts the X server once the tools the tests use are there.
  bool Start(WindowManager manager, std::string& error);

  // The id of the visible window with exactly this title, waiting up to 10 s; "" if none.
  std::string FindWindow(const std::string& title) const;
  // The id of a window whose name is `name` in the window tree (message boxes); "" if none
  // appears within `seconds`.
  std::string FindInTree(const std::string& name, double seconds) const;
  Image Screenshot() const;
  // The window's geometry; all zero when the window is unknown.
  Geometry GeometryOf(const std::string& id) const;
  // The window that holds it: the window manager's frame, or the root window without one.
  std::string ParentOf(const std::string& id) const;
};
