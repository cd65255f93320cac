#pragma once
// The desktop host's own knobs and the hooks its tests use. Nothing here exposes SDL: the
// tests drive the host through host.h and these functions only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hosts/host.h"

namespace platform::sdl {

// Font files to try for menu text, best first: the desktop's sans-serif as fontconfig
// matches it, then DejaVu Sans where Debian installs it.
std::vector<std::string> DefaultFontFiles();

// The file fontconfig matches for "sans-serif", or "" when it matches nothing.
std::string MatchSansSerifFont();

struct Options {
  // Tried in order; the first that opens is used. With none usable the host still measures
  // text (fixed metrics) but draws none.
  std::vector<std::string> fontFiles = DefaultFontFiles();
  // The refresh rate presents are paced to when the display does not say its own.
  int fallbackRefreshHz = 60;
};

// MakeSdlHost with chosen options.
std::unique_ptr<Host> MakeHost(const Options& options, std::string& error);

// Metrics used when no font could be opened.
inline constexpr int kFallbackTextHeight = 14;
inline constexpr int kFallbackCharWidth = 7;

namespace testing {

// These queue events exactly as SDL's video driver would deliver them, so that tests which
// cannot include SDL check how the host translates them. `window` is a host window id.
void PushMouseMotion(int window, int x, int y, int dx, int dy);
void PushMouseButton(int window, int button, bool down, int x, int y);
// `keyName` as SDL names keys: "F12", "Escape", "A", "Left", "Left Alt", "Keypad 5".
// false when SDL does not know the name.
bool PushKey(int window, const char* keyName, bool down, bool alt, bool repeat);
void PushTextInput(int window, const char* text);
enum class WindowChange {
  Shown,
  Exposed,
  Moved,
  Resized,
  SizeChanged,
  Minimized,
  Maximized,
  Restored,
  FocusGained,
  Close,
};
void PushWindowEvent(int window, WindowChange change, int data1 = 0, int data2 = 0);
void PushQuit();

// Resizes the window the way the desktop would, so that its surface no longer matches the
// frames the layer draws.
void ResizeWindow(int window, int width, int height);
// What the window shows now, as 0x00RRGGBB words row after row (empty if it has no surface).
std::vector<std::uint32_t> ReadWindow(int window, int& width, int& height);
// Name of the SDL video driver in use ("" when video is not running).
std::string VideoDriver();

}  // namespace testing
}  // namespace platform::sdl
