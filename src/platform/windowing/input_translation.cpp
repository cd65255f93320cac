// Host events become messages: mouse input for the client area or the menu bar, keys for
// the focus window, the desktop's close requests, and window changes.

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

using Type = HostEvent::Type;

UINT ClientButtonMessage(int button, bool down) {
  switch (button) {
    case 1:
      return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case 3:
      return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case 2:
      return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
      return WM_NULL;
  }
}

UINT BarButtonMessage(int button) {
  switch (button) {
    case 1:
      return WM_NCLBUTTONDOWN;
    case 3:
      return WM_NCRBUTTONDOWN;
    case 2:
      return WM_NCMBUTTONDOWN;
    default:
      return WM_NULL;
  }
}

void TranslateMouse(const HostEvent& event) {
  const Window* w = FindHostWindow(event.window);
  ObserveMouse(w, event);
  if (w == nullptr) return;
  const HWND window = w->handle;
  const POINT screen = CursorPosition();
  POINT client = screen;
  ScreenToClient(window, &client);
  // The bar is the strip above the client area inside the window; below the window's
  // top edge a drag that left the window still talks to the client area.
  const bool onBar = client.y < 0 && client.y >= -w->BarHeight();
  const LPARAM clientPoint = PackPoint(client.x, client.y);
  const LPARAM screenPoint = PackPoint(screen.x, screen.y);
  const int button = event.button;
  if (event.type != Type::MouseMove && ClientButtonMessage(button, true) == WM_NULL) return;
  switch (event.type) {
    case Type::MouseMove:
      if (onBar && HeldButtons() == 0) {
        PostMessageA(window, WM_NCMOUSEMOVE, HTMENU, screenPoint);
      } else {
        PostMessageA(window, WM_MOUSEMOVE, HeldButtons(), clientPoint);
      }
      break;
    case Type::ButtonDown:
      if (onBar) {
        PostMessageA(window, BarButtonMessage(button), HTMENU, screenPoint);
      } else {
        PostMessageA(window, ClientButtonMessage(button, true), HeldButtons(), clientPoint);
      }
      break;
    default:  // ButtonUp: always to the client area, so no button stays held
      PostMessageA(window, ClientButtonMessage(button, false), HeldButtons(), clientPoint);
      break;
  }
}

// Repeat count 1, Alt in bit 29, an auto-repeat in bit 30, a release in bits 30 and 31.
LPARAM KeyData(const HostEvent& event, bool down) {
  LPARAM data = 1;
  if (event.alt) data |= LPARAM{1} << 29;
  if (event.repeat || !down) data |= LPARAM{1} << 30;
  if (!down) data |= LPARAM{1} << 31;
  return data;
}

void TranslateKey(const HostEvent& event) {
  HWND target = GetFocus();
  if (target == nullptr) {
    const Window* w = FindHostWindow(event.window);
    if (w == nullptr) return;
    target = w->handle;
  }
  const bool down = event.type == Type::KeyDown;
  const bool system = event.alt || event.key == VK_MENU || event.key == VK_F10;
  const UINT message =
      down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  PostMessageA(target, message, static_cast<WPARAM>(event.key), KeyData(event, down));
}

}  // namespace

void TranslateHostEvent(const HostEvent& event) {
  switch (event.type) {
    case Type::MouseMove:
    case Type::ButtonDown:
    case Type::ButtonUp:
      TranslateMouse(event);
      break;
    case Type::KeyDown:
    case Type::KeyUp:
      TranslateKey(event);
      break;
    case Type::Close:
      if (const Window* w = FindHostWindow(event.window)) PostMessageA(w->handle, WM_CLOSE, 0, 0);
      break;
    case Type::Quit:
      for (HWND window : LiveWindows()) PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    default:
      ApplyWindowEvent(event);
      break;
  }
}

}  // namespace platform
