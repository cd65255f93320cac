#pragma once
// Windowing services: windows, the thread's message queue, the mouse and the keyboard,
// the cursor, menus and message boxes, under the names and constants the program's code
// is written against. Implemented by the platform layer over a host (hosts/host.h): real SDL2
// windows on the desktop, or the deterministic headless host in tests.
//
// The program is single-threaded: every call here is made on the thread that runs the
// program's entry point.

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;
using LPSTR = char*;
using HRESULT = std::int32_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Handles are opaque pointers; none is null.
using HWND = struct HWND__*;
using HINSTANCE = struct HINSTANCE__*;
using HMENU = struct HMENU__*;
using HCURSOR = struct HCURSOR__*;
using HICON = struct HICON__*;
using HBRUSH = struct HBRUSH__*;

struct POINT {
  LONG x;
  LONG y;
};

// right and bottom are exclusive.
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// What WM_NCCREATE and WM_CREATE point lParam at: CreateWindowExA's arguments.
struct CREATESTRUCTA {
  void* lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

// Messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_ENTERMENULOOP = 0x0211;
inline constexpr UINT WM_EXITMENULOOP = 0x0212;

// WM_SIZE wParam.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// Hit-test codes carried by the non-client button messages.
inline constexpr WPARAM HTCLIENT = 1;
inline constexpr WPARAM HTCAPTION = 2;
inline constexpr WPARAM HTMENU = 5;

// Key-state bits of the mouse messages' wParam.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOW = 5;

// PeekMessageA.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A' = 0x41,
// '0' = 0x30).
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_RBUTTON = 0x02;
inline constexpr int VK_MBUTTON = 0x04;
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;  // Alt
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F10 = 0x79;
inline constexpr int VK_F12 = 0x7B;

// Cursors.
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)))
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCEA(32512);

// Message boxes.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr int IDOK = 1;

inline constexpr WORD LOWORD(WPARAM v) {
  return static_cast<WORD>(v & 0xFFFF);
}
inline constexpr WORD HIWORD(WPARAM v) {
  return static_cast<WORD>((v >> 16) & 0xFFFF);
}
inline constexpr int GET_X_LPARAM(LPARAM v) {
  return static_cast<SHORT>(v & 0xFFFF);
}
inline constexpr int GET_Y_LPARAM(LPARAM v) {
  return static_cast<SHORT>((v >> 16) & 0xFFFF);
}

// ---- Window classes and windows ------------------------------------------------------

// Registers a class by name; 0 when the name is taken or the record is unusable.
WORD RegisterClassA(const WNDCLASSA* windowClass);
// The standard cursors; IDC_ARROW is the only one the layer knows.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// The outer window rectangle that holds `rect` as its client area. The desktop draws
// the caption and borders outside the window's own pixels, so without a menu bar the
// rectangle comes back unchanged; with one (menu TRUE) it grows upward by the bar.
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
// A top-level window of a registered class. Sends WM_NCCREATE and WM_CREATE (then WM_SIZE
// and WM_MOVE) to the window procedure before it returns. nullptr on failure (no class,
// no host window, WM_NCCREATE answered 0 or WM_CREATE -1). The window is hidden until
// ShowWindow.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
// Shows (SW_SHOWNORMAL, SW_SHOW) or hides the window; sends WM_SHOWWINDOW, and on the first
// show WM_ACTIVATE and WM_SETFOCUS. Invalidates the whole client area. Returns whether
// the window was visible before.
BOOL ShowWindow(HWND window, int command);
// Sends WM_PAINT at once when part of the client area is invalid.
BOOL UpdateWindow(HWND window);
// Gives the window the keyboard focus (WM_SETFOCUS); returns the previous focus.
HWND SetFocus(HWND window);
// The window with the keyboard focus, or nullptr.
HWND GetFocus();
// Sends WM_DESTROY and WM_NCDESTROY, closes the host window; the handle is dead afterwards
// (every call with it fails harmlessly). FALSE for an unknown handle.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);

// ---- Messages ------------------------------------------------------------------------

// Gathers the host's pending input first, then takes the oldest message (filters: window
// nullptr for any, range 0..0 for all). Never waits. Returns 0 when none is waiting. When
// PostQuitMessage was called and the queue holds nothing else, yields WM_QUIT with the
// code in wParam (once). WM_PAINT is synthesised, last, for a window with an invalid area.
// Taking a button message updates GetKeyState.
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
// Keyboard translation: WM_KEYDOWN / WM_SYSKEYDOWN of a character key posts WM_CHAR /
// WM_SYSCHAR. Returns whether it posted.
BOOL TranslateMessage(const MSG* message);
// Calls the window procedure of message->hwnd; returns its result. 0 for a dead window.
LRESULT DispatchMessageA(const MSG* message);
// The default handling: WM_PAINT validates; WM_CLOSE destroys the window; a button-down on
// the menu bar, Alt + a mnemonic letter, Alt alone or F10 enter modal menu tracking (which
// posts WM_COMMAND with the chosen item's identifier); WM_NCCREATE answers TRUE so that
// creation goes on; everything else returns 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message for the window (nullptr: the thread). FALSE for a dead window.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A later PeekMessageA yields WM_QUIT with wParam = code.
void PostQuitMessage(int code);

// ---- Client area ---------------------------------------------------------------------

// (0, 0, client width, client height); all 0 while minimised.
BOOL GetClientRect(HWND window, RECT* rect);
// Client coordinates to screen coordinates.
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);

// ---- Mouse, keyboard, cursor ---------------------------------------------------------

// Bit 0x80 set while the key or button is down as the thread has seen it: the state
// changes as button and key messages are taken from the queue. Bit 0x01 toggles.
SHORT GetKeyState(int virtualKey);
// The cursor's position in screen coordinates. While the cursor is hidden and a mouse
// button is held the layer keeps this position itself and moves it by relative motion,
// so a drag never stops at a screen edge.
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
// Raises (TRUE) or lowers (FALSE) the display count and returns the new count; the cursor
// is shown while the count is 0 or more. Starts at 0.
int ShowCursor(BOOL show);

// ---- Menus ---------------------------------------------------------------------------

// The menu resource `id` of the program (the layer knows resource 1, kept as data in
// res/). nullptr for another id.
HMENU LoadMenuA(HINSTANCE instance, LPCSTR id);
// Reading a menu: the number of entries (-1 for a bad handle), the popup opened by the
// entry at `position` (nullptr for a plain item), the identifier of the item there
// (0xFFFFFFFF for a popup or a bad position), and the entry's text with its '&' as
// written, cut to `size` - 1 characters (MF_BYPOSITION only; returns the length copied).
inline constexpr UINT MF_BYPOSITION = 0x00000400;
int GetMenuItemCount(HMENU menu);
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuItemID(HMENU menu, int position);
int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int size, UINT flags);
// The program's instance handle, as the entry point receives it.
HINSTANCE GetModuleHandleA(LPCSTR name);

// ---- Text and message boxes ----------------------------------------------------------

// printf-like formatting for %s %d %i %u %x %X %c %% with flags '-', '0', a width and the
// 'l' length modifier (%08lx). Writes at most 1024 characters including the terminating
// zero, whatever the arguments; returns the number of characters written without it.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
// A modal box with the caption, the text and an OK button, owned by `owner`. Returns
// IDOK when dismissed.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
