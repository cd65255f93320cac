#pragma once
// The headless host: a deterministic desktop in memory for tests. A fixed screen, input
// from a script applied between passes of the program's loop, read-back of what is shown,
// message boxes recorded and answered at once. Together with fault injection (ddraw/faults.h)
// it lets a test drive the whole program frame by frame.
// Inside: screen.h models the desktop, playback.h plays the script, host.cpp joins them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/hosts/host.h"
#include "platform/windowing/windowing.h"

namespace platform::headless {

struct Options {
  int screenWidth = 1280;
  int screenHeight = 1024;
  // Extra bytes the layer adds after each row of every off-screen surface, so that tests
  // see pitch > width * 4.
  int surfaceRowPadding = 0;
  // Idle passes allowed after the script has run out before the host asks every window
  // to close, so that a program under test always ends.
  int idlePassesAfterScript = 2;
};

// One message box the program showed.
struct MessageBoxRecord {
  HWND owner;
  std::string caption;
  std::string text;
};

// An image read back: width x height 0x00RRGGBB words, row after row.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Input, applied in order. Event steps reach the program through its message queue;
// Idle(n) waits until the program has found its queue empty n times (n frames drawn by
// an idle-driven loop); Call runs test code at that point (checks, read-backs).
// While a modal loop (an open menu) waits for input, each wait that finds none counts
// towards Idle(n) as well, so that scripts go on while the program's own loop is held.
class Script {
 public:
  // Mouse, in screen coordinates (the host turns them into window events).
  Script& MoveTo(int screenX, int screenY);
  Script& MoveBy(int dx, int dy);  // relative motion
  Script& Press(int button);       // 1 left, 2 middle, 3 right, at the pointer
  Script& Release(int button);
  Script& Click(int button) { return Press(button).Release(button); }
  // Keys, by virtual-key code; KeyWithAlt presses the key with Alt held.
  Script& Key(int virtualKey);
  Script& KeyWithAlt(int virtualKey);
  // The desktop's requests to the top-level window (the first window created).
  Script& CloseBox();
  Script& Resize(int width, int height);  // the drawable area's new size
  Script& Minimize();
  Script& Restore();
  Script& MoveWindow(int screenX, int screenY);
  Script& Expose();
  Script& Quit();  // Ctrl+C / SIGTERM
  Script& Idle(int passes = 1);
  Script& Call(std::function<void()> check);
  // Any event as it is, except that the host fills in what window 0 leaves open: a mouse
  // event for window 0 happens at the host's pointer in the window under it (MoveBy's
  // dx, dy move the pointer first), and a key or window event for window 0 goes to the
  // top-level window.
  Script& Event(const HostEvent& event);

  struct Step {
    enum class Kind { Event, Idle, Call } kind;
    HostEvent event;
    int passes = 0;
    std::function<void()> call;
    bool pointerMove = false;  // MoveTo: x, y are screen coordinates
  };
  std::vector<Step> steps;
};

// Installs a fresh headless host as the active host (resetting the layer's state) and
// gives it the script.
void Install(Script script = {}, Options options = {});

// Read-back. The screen: every shown window's pixels at its place, black elsewhere.
Image ReadScreen();
// The client area of a window as shown last.
Image ReadClient(HWND window);
// Message boxes shown so far, oldest first.
const std::vector<MessageBoxRecord>& MessageBoxes();
// The real pointer as the host has it (screen coordinates), and whether it is shown.
POINT PointerPosition();
bool PointerShown();
// Number of idle passes the program has made since Install.
int IdlePasses();
// Pictures the layer has handed over for its windows, and presents it asked to pace (the
// headless host never waits), since Install.
int Presents();
int RefreshWaits();
// The first top-level window created since Install, or nullptr.
HWND MainWindow();

}  // namespace platform::headless
