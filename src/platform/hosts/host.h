#pragma once
// The contract between the platform layer and a host, the thing that really shows windows
// and reads input. The layer is written once against this contract; each host fills it in
// a folder of its own beside this header:
//   - sdl/: real windows on the desktop through SDL2 (the default; its own library, the
//     only one that includes or links SDL);
//   - headless/: a fixed in-memory screen and scripted input, for tests.
// The layer itself sits in the folders above, grouped by what the program calls:
// windowing/ (windows, messages, menus, cursor, message boxes), gdi/ and ddraw/; core/
// holds what they share (the active host, the seams between them, pixel arithmetic).
// Everything here is called on the program's one thread.
//
// Coordinates: a host window's pixels are the window's own drawable area (the layer's
// menu bar on top, the client area below it); the desktop draws any caption and border
// outside it. Screen coordinates are the desktop's.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Input and window events, neutral between the hosts and the layer.
struct HostEvent {
  enum class Type {
    MouseMove,   // x, y: pointer in window pixels; dx, dy: relative motion
    ButtonDown,  // button; x, y in window pixels
    ButtonUp,    // button; x, y in window pixels
    KeyDown,     // key: virtual-key code; alt: Alt held; repeat: auto-repeat
    KeyUp,       // key
    Close,       // the desktop asks the window to close (close box, window manager)
    Quit,        // the terminal asks the program to stop (Ctrl+C, SIGTERM); window 0
    Resized,     // x, y: the window's new drawable size
    Moved,       // x, y: the drawable area's new top-left corner on the screen
    Minimized,
    Restored,  // after Minimized or a maximise
    Exposed,   // part of the window must be drawn again
  };
  Type type = Type::MouseMove;
  int window = 0;  // the host window id it belongs to (0: none)
  int x = 0, y = 0;
  int dx = 0, dy = 0;
  int button = 0;  // 1 left, 2 middle, 3 right
  int key = 0;
  bool alt = false;
  bool repeat = false;
};

class Host {
 public:
  virtual ~Host() = default;
  // "sdl" or "headless".
  virtual const char* Name() const = 0;

  // Size of the desktop in pixels.
  virtual void ScreenSize(int& width, int& height) = 0;

  // A hidden window with the title whose drawable area is width x height at screen
  // position (x, y), resizable with the desktop's decorations. Returns an id above 0, or
  // 0 on failure.
  virtual int CreateWindow(const std::string& title, int x, int y, int width, int height) = 0;
  virtual void DestroyWindow(int id) = 0;
  virtual void ShowWindow(int id, bool show) = 0;
  // The drawable area's top-left corner on the screen and its size, as they are now.
  virtual void WindowPosition(int id, int& x, int& y) = 0;
  virtual void WindowSize(int id, int& width, int& height) = 0;
  // Shows the window's pixels: width x height 32-bit 0x00RRGGBB words, rows `pitch` bytes
  // apart, covering the whole drawable area. `width` and `height` match WindowSize as the
  // layer last saw it; a host whose window has since changed size shows what fits. false
  // when the window could not show them.
  virtual bool Present(int id, const std::uint32_t* pixels, int width, int height, int pitch) = 0;
  // Called after every blit onto the screen (the program's present of a frame, shown or
  // not, as when the window is minimised). A desktop host waits here, as a display
  // driver's present does, for the display's next refresh, and returns at once when an
  // event arrives; the event stays pending. The headless host never waits.
  virtual void WaitForRefresh(int id) { (void)id; }

  // Takes the next pending event; never waits. false when none is pending.
  virtual bool PollEvent(HostEvent& event) = 0;
  // Waits up to `milliseconds` for an event (modal loops: menus); false when none came.
  virtual bool WaitEvent(HostEvent& event, int milliseconds) = 0;
  // Told by the layer each time the program finds its message queue empty (an idle pass
  // of its loop). The headless host paces its script by these.
  virtual void Idle() {}

  // The real pointer: moved to a screen position; shown or hidden.
  virtual void WarpPointer(int screenX, int screenY) = 0;
  virtual void ShowPointer(bool show) = 0;
  // Relative mode: motion arrives as dx, dy without bound and the pointer stays put (the
  // layer keeps the position). Used while the cursor is hidden and a button is held.
  virtual void SetRelativeMouse(bool on) = 0;

  // Text for menus, in the desktop's sans-serif font. Height of a line in pixels.
  virtual int TextHeight() = 0;
  // Width of `text` in pixels.
  virtual int TextWidth(const std::string& text) = 0;
  // Draws `text` with its top-left corner at (x, y) in 0x00RRGGBB `colour` into the pixels,
  // cut to width x height.
  virtual void DrawText(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                        const std::string& text, std::uint32_t colour) = 0;

  // Bytes the layer adds after each row of every off-screen surface: a test host asks for
  // some so that the program meets pitches wider than its rows.
  virtual int SurfaceRowPadding() const { return 0; }

  // A modal box with a caption, a text and an OK button over the owner window (0: none);
  // returns when it is dismissed.
  virtual void MessageBox(int owner, const std::string& caption, const std::string& text) = 0;
};

// The active host. The first call without one installed makes the desktop host; a
// program that cannot get a display then gets a one-line error on stderr and exit
// status 1.
Host& ActiveHost();
// Installs `host` as the active host and resets the layer's whole state (windows, queue,
// key state, cursor, devices); tests install a fresh headless host before every run.
void InstallHost(std::unique_ptr<Host> host);

// The desktop host over SDL2, or nullptr with `error` set when no display can be opened.
std::unique_ptr<Host> MakeSdlHost(std::string& error);

}  // namespace platform
