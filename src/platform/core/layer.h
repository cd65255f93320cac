#pragma once
// The layer's internal seams: what one part of the platform layer asks of another. The
// program never includes this; it uses windowing/windowing.h, gdi/gdi.h and ddraw/ddraw.h.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/pixels.h"
#include "platform/ddraw/faults.h"
#include "platform/gdi/gdi.h"
#include "platform/hosts/host.h"
#include "platform/windowing/windowing.h"

namespace platform {

// ---- core/active_host.cpp ------------------------------------------------------------

// The installed host, or nullptr; never makes one.
Host* InstalledHost();
// A value for a new handle of any kind. Never repeats within a process, so a handle kept
// across InstallHost can never name a newer object.
std::uintptr_t NewHandleValue();

template <class Handle>
Handle NewHandle() {
  return reinterpret_cast<Handle>(NewHandleValue());
}

inline LPARAM PackPoint(std::int64_t x, std::int64_t y) {
  const auto low = static_cast<std::uint32_t>(x) & 0xFFFF;
  const auto high = static_cast<std::uint32_t>(y) & 0xFFFF;
  return static_cast<LPARAM>(low | (high << 16));
}

// ---- windowing/window_classes.cpp ----------------------------------------------------

struct WindowClass {
  std::string name;
  WNDPROC proc = nullptr;
  UINT style = 0;
};
// By name, ignoring case; nullptr when not registered.
const WindowClass* FindWindowClass(LPCSTR name);
void ResetWindowClasses();

// ---- windowing/windows.cpp, windowing/window_geometry.cpp ----------------------------

struct Window {
  HWND handle = nullptr;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  int hostId = 0;
  HMENU menu = nullptr;
  bool visible = false;
  bool minimized = false;
  bool activated = false;
  bool invalid = false;
  bool destroying = false;
  int width = 0;  // of the drawable area: the menu bar, then the client area
  int height = 0;
  std::vector<std::uint32_t> pixels;  // the drawable area as the layer last composed it
  bool shown = false;                 // the host shows `pixels` as they are now

  PixelTarget Drawable() { return {pixels.data(), width, height, width}; }
  int BarHeight() const;
  // The client area in drawable coordinates (empty while minimised).
  Rect ClientArea() const;
};

// nullptr for a dead or unknown handle. The pointer is good until the next call that
// may run a window procedure or take host events.
Window* FindWindow(HWND window);
Window* FindHostWindow(int hostId);
std::vector<HWND> LiveWindows();
// The first window created since the layer was reset, live or not.
HWND FirstWindowSinceReset();
// Height of the menu bar the layer draws at the top of a window that has a menu.
int MenuBarHeight();
// The drawable area's top-left corner on the screen.
POINT DrawableOrigin(const Window& window);
// Hands the window's pixels to the host (nothing while hidden or minimised). Whoever
// changes the pixels without presenting them, or shows the host something else, clears
// `shown`.
void PresentWindow(Window& window);
// Resized, Moved, Minimized, Restored and Exposed.
void ApplyWindowEvent(const HostEvent& event);
// The window that should be sent WM_PAINT now (filter nullptr: any), or nullptr.
HWND WindowToPaint(HWND filter);
void ResetWindows();

// ---- windowing/message_queue.cpp -----------------------------------------------------

// Turns a host event into queued messages (input) or window changes.
void TranslateHostEvent(const HostEvent& event);
enum class MenuInput { None, Taken, Closing };
// For modal menu tracking: takes the oldest queued mouse or key message (updating the key
// state as PeekMessageA would), or says that a close or quit is pending.
MenuInput TakeMenuInput(MSG& message);
// The last key pressed as seen through taken messages (Alt alone opens the menu bar).
int LastKeyDown();
void DropWindowMessages(HWND window);
void ResetMessages();

// ---- windowing/cursor.cpp ------------------------------------------------------------

// Follows the host's pointer and buttons: the position (absolute, or moved by dx, dy in
// relative mode) and the held buttons, switching relative mode as needed.
void ObserveMouse(const Window* window, const HostEvent& event);
POINT CursorPosition();
// MK_ bits of the buttons the host reports held.
WPARAM HeldButtons();
void ResetCursor();

// ---- windowing/menu*.cpp -------------------------------------------------------------

struct MenuEntry {
  std::string text;  // with '&' before the mnemonic
  UINT id = 0;
  HMENU popup = nullptr;
};
// nullptr for an unknown handle.
const std::vector<MenuEntry>* FindMenuEntries(HMENU menu);
void ResetMenus();
// Draws the bar of `menu` across the top of the drawable, `highlighted` title (or -1)
// picked out.
void DrawMenuBar(const PixelTarget& drawable, HMENU menu, int highlighted);
// Modal tracking, started by a click on the bar (screen point), by Alt + a title's
// mnemonic, or by selecting the bar (F10, Alt alone).
void TrackMenuAt(HWND window, POINT screen);
void TrackMenuMnemonic(HWND window, int virtualKey);
void TrackMenuBar(HWND window);

// ---- gdi/gdi.cpp ---------------------------------------------------------------------

// A device context drawing into pixels the caller owns (a surface's), valid until
// DeleteTargetDC.
HDC CreateTargetDC(const PixelTarget& target);
void DeleteTargetDC(HDC dc);
void ResetGdi();

// ---- ddraw/*.cpp ---------------------------------------------------------------------

void ResetDirectDraw();
// 0, or the code an injected fault makes `call` fail with now (counting the call).
HRESULT TakeFault(DdCall call);

}  // namespace platform
