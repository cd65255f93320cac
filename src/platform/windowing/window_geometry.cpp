// Where windows are and how big: the menu bar inside the drawable area, the client area
// below it, and the desktop's moves, resizes and minimising as the host reports them.

#include <algorithm>

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

constexpr int kMaxWindowExtent = 16384;

// Keeps what fits of the old picture so that a resize shows no black flash before the
// program draws again.
void ResizeDrawable(Window& w, int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
  const int rows = std::min(height, w.height), columns = std::min(width, w.width);
  for (int y = 0; y < rows; ++y) {
    std::copy_n(w.pixels.begin() + static_cast<std::ptrdiff_t>(y) * w.width, columns,
                pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  w.pixels = std::move(pixels);
  w.shown = false;
  w.width = width;
  w.height = height;
  if (w.menu != nullptr) DrawMenuBar(w.Drawable(), w.menu, -1);
}

LPARAM ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return PackPoint(client.right, client.bottom);
}

void Resized(Window& w, int width, int height) {
  width = std::clamp(width, 1, kMaxWindowExtent);
  height = std::clamp(height, 1, kMaxWindowExtent);
  if (width == w.width && height == w.height) return;
  ResizeDrawable(w, width, height);
  if (w.minimized) return;
  // Every class the program registers redraws whole on a resize (CS_HREDRAW | CS_VREDRAW).
  w.invalid = true;
  PresentWindow(w);
  SendMessageA(w.handle, WM_SIZE, SIZE_RESTORED, ClientSize(w.handle));
}

void Restored(Window& w) {
  const bool wasMinimized = w.minimized;
  w.minimized = false;
  w.invalid = true;
  PresentWindow(w);
  if (wasMinimized) SendMessageA(w.handle, WM_SIZE, SIZE_RESTORED, ClientSize(w.handle));
}

}  // namespace

int Window::BarHeight() const {
  return menu != nullptr ? MenuBarHeight() : 0;
}

Rect Window::ClientArea() const {
  if (minimized) return {};
  return {0, std::min(BarHeight(), height), width, height};
}

int MenuBarHeight() {
  return ActiveHost().TextHeight() + 6;
}

POINT DrawableOrigin(const Window& window) {
  int x = 0, y = 0;
  ActiveHost().WindowPosition(window.hostId, x, y);
  return {x, y};
}

void PresentWindow(Window& window) {
  window.shown = window.visible && !window.minimized &&
                 ActiveHost().Present(window.hostId, window.pixels.data(), window.width,
                                      window.height, window.width * 4);
}

void ApplyWindowEvent(const HostEvent& event) {
  Window* w = FindHostWindow(event.window);
  if (w == nullptr) return;
  switch (event.type) {
    case HostEvent::Type::Resized:
      Resized(*w, event.x, event.y);
      break;
    case HostEvent::Type::Moved: {
      POINT origin{0, 0};
      ClientToScreen(w->handle, &origin);
      SendMessageA(w->handle, WM_MOVE, 0, PackPoint(origin.x, origin.y));
      break;
    }
    case HostEvent::Type::Minimized:
      if (w->minimized) break;
      w->minimized = true;
      SendMessageA(w->handle, WM_SIZE, SIZE_MINIMIZED, 0);
      break;
    case HostEvent::Type::Restored:
      Restored(*w);
      break;
    case HostEvent::Type::Exposed:
      w->invalid = true;
      PresentWindow(*w);
      break;
    default:
      break;
  }
}

}  // namespace platform

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL menu) {
  if (rect == nullptr) return FALSE;
  if (menu) rect->top -= platform::MenuBarHeight();
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  const platform::Window* w = platform::FindWindow(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  const platform::Rect area = w->ClientArea();
  *rect = RECT{0, 0, static_cast<LONG>(area.Width()), static_cast<LONG>(area.Height())};
  if (area.Empty()) *rect = RECT{0, 0, 0, 0};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  const platform::Window* w = platform::FindWindow(window);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT origin = platform::DrawableOrigin(*w);
  point->x += origin.x;
  point->y += origin.y + w->BarHeight();
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  const platform::Window* w = platform::FindWindow(window);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT origin = platform::DrawableOrigin(*w);
  point->x -= origin.x;
  point->y -= origin.y + w->BarHeight();
  return TRUE;
}
