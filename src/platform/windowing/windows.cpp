// Windows: the registry of live windows, their life from creation to destruction, showing,
// focus and the invalid state that makes WM_PAINT.

#include <algorithm>
#include <map>
#include <memory>

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

constexpr int kMaxWindowExtent = 16384;

struct WindowRegistry {
  // Ordered by handle, which is creation order.
  std::map<HWND, std::unique_ptr<Window>> windows;
  HWND focus = nullptr;
  HWND first = nullptr;
};

WindowRegistry& Registry() {
  static WindowRegistry registry;
  return registry;
}

bool NeedsPaint(const Window& w) {
  return w.invalid && w.visible && !w.minimized;
}

bool IsMenuBar(HMENU menu) {
  const std::vector<MenuEntry>* entries = FindMenuEntries(menu);
  return entries != nullptr &&
         std::all_of(entries->begin(), entries->end(), [](auto& e) { return e.popup != nullptr; });
}

HWND AddWindow(const WindowClass& windowClass, int hostId, HMENU menu, int width, int height) {
  auto window = std::make_unique<Window>();
  window->handle = NewHandle<HWND>();
  window->proc = windowClass.proc;
  window->classStyle = windowClass.style;
  window->hostId = hostId;
  window->menu = menu;
  window->width = width;
  window->height = height;
  window->pixels.assign(static_cast<std::size_t>(width) * height, 0);
  if (menu != nullptr) DrawMenuBar(window->Drawable(), menu, -1);
  const HWND handle = window->handle;
  Registry().windows.emplace(handle, std::move(window));
  if (Registry().first == nullptr) Registry().first = handle;
  return handle;
}

// WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE; false when the window refused or died.
bool SendCreationMessages(HWND handle, CREATESTRUCTA& create) {
  const auto createParam = reinterpret_cast<LPARAM>(&create);
  if (SendMessageA(handle, WM_NCCREATE, 0, createParam) == 0 || !IsWindow(handle)) return false;
  if (SendMessageA(handle, WM_CREATE, 0, createParam) == -1 || !IsWindow(handle)) return false;
  RECT client{};
  GetClientRect(handle, &client);
  SendMessageA(handle, WM_SIZE, SIZE_RESTORED, PackPoint(client.right, client.bottom));
  POINT origin{0, 0};
  ClientToScreen(handle, &origin);
  SendMessageA(handle, WM_MOVE, 0, PackPoint(origin.x, origin.y));
  return IsWindow(handle) != FALSE;
}

void Reveal(HWND handle) {
  SendMessageA(handle, WM_SHOWWINDOW, TRUE, 0);
  Window* w = FindWindow(handle);
  if (w == nullptr) return;
  w->visible = true;
  ActiveHost().ShowWindow(w->hostId, true);
  PresentWindow(*w);
  if (w->activated) return;
  w->activated = true;
  SendMessageA(handle, WM_ACTIVATE, 1, 0);  // WA_ACTIVE
  if (IsWindow(handle)) SetFocus(handle);
}

void Conceal(HWND handle) {
  SendMessageA(handle, WM_SHOWWINDOW, FALSE, 0);
  Window* w = FindWindow(handle);
  if (w == nullptr) return;
  w->visible = false;
  ActiveHost().ShowWindow(w->hostId, false);
}

}  // namespace

Window* FindWindow(HWND window) {
  auto& windows = Registry().windows;
  auto it = windows.find(window);
  return it == windows.end() ? nullptr : it->second.get();
}

Window* FindHostWindow(int hostId) {
  if (hostId == 0) return nullptr;
  for (auto& [handle, window] : Registry().windows) {
    if (window->hostId == hostId) return window.get();
  }
  return nullptr;
}

std::vector<HWND> LiveWindows() {
  std::vector<HWND> handles;
  for (auto& [handle, window] : Registry().windows) handles.push_back(handle);
  return handles;
}

HWND FirstWindowSinceReset() {
  return Registry().first;
}

HWND WindowToPaint(HWND filter) {
  for (auto& [handle, window] : Registry().windows) {
    if ((filter == nullptr || filter == handle) && NeedsPaint(*window)) return handle;
  }
  return nullptr;
}

void ResetWindows() {
  // The old host goes with its windows; nothing is sent to window procedures.
  Registry() = WindowRegistry{};
  ResetWindowClasses();
}

}  // namespace platform

using platform::FindWindow;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param) {
  const platform::WindowClass* windowClass = platform::FindWindowClass(className);
  // Only top-level windows: the program makes nothing else.
  if (windowClass == nullptr || parent != nullptr) return nullptr;
  if (menu != nullptr && !platform::IsMenuBar(menu)) return nullptr;
  width = std::clamp(width, 1, platform::kMaxWindowExtent);
  height = std::clamp(height, 1, platform::kMaxWindowExtent);
  const int hostId = platform::ActiveHost().CreateWindow(title ? title : "", x, y, width, height);
  if (hostId == 0) return nullptr;
  const HWND handle = platform::AddWindow(*windowClass, hostId, menu, width, height);
  CREATESTRUCTA create{
      param, instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      title, className, exStyle};
  if (!platform::SendCreationMessages(handle, create)) {
    DestroyWindow(handle);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
  return IsWindow(handle) ? handle : nullptr;
}

BOOL ShowWindow(HWND window, int command) {
  platform::Window* w = FindWindow(window);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = w->visible ? TRUE : FALSE;
  if (command == SW_HIDE) {
    if (wasVisible) platform::Conceal(window);
    return wasVisible;
  }
  // Minimised and maximised states belong to the desktop; every other command shows.
  w->invalid = true;
  if (!wasVisible) platform::Reveal(window);
  return wasVisible;
}

BOOL UpdateWindow(HWND window) {
  platform::Window* w = FindWindow(window);
  if (w == nullptr) return FALSE;
  if (platform::NeedsPaint(*w)) SendMessageA(window, WM_PAINT, 0, 0);
  return TRUE;
}

HWND SetFocus(HWND window) {
  platform::WindowRegistry& registry = platform::Registry();
  const HWND previous = registry.focus;
  if (window != nullptr && FindWindow(window) == nullptr) return nullptr;
  if (window == previous) return previous;
  registry.focus = window;
  if (previous != nullptr)
    SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window != nullptr && registry.focus == window) {
    SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  }
  return previous;
}

HWND GetFocus() {
  return platform::Registry().focus;
}

BOOL DestroyWindow(HWND window) {
  platform::Window* w = FindWindow(window);
  if (w == nullptr) return FALSE;
  if (w->destroying) return TRUE;  // asked again from its own WM_DESTROY
  w->destroying = true;
  SendMessageA(window, WM_DESTROY, 0, 0);
  SendMessageA(window, WM_NCDESTROY, 0, 0);
  platform::WindowRegistry& registry = platform::Registry();
  auto it = registry.windows.find(window);
  if (it == registry.windows.end()) return TRUE;  // the layer was reset meanwhile
  platform::ActiveHost().DestroyWindow(it->second->hostId);
  registry.windows.erase(it);
  if (registry.focus == window) registry.focus = nullptr;
  platform::DropWindowMessages(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  return FindWindow(window) != nullptr ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL) {
  platform::Window* w = FindWindow(window);
  if (w == nullptr) return FALSE;
  RECT client{};
  GetClientRect(window, &client);
  if (rect != nullptr) {
    const platform::Rect asked{rect->left, rect->top, rect->right, rect->bottom};
    const platform::Rect area{0, 0, client.right, client.bottom};
    if (platform::Intersect(asked, area).Empty()) return TRUE;
  }
  w->invalid = true;
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  platform::Window* w = FindWindow(window);
  if (w == nullptr) return FALSE;
  RECT client{};
  GetClientRect(window, &client);
  // One invalid flag for the whole client area: only a rectangle covering all of it
  // clears it.
  const bool coversClient =
      rect == nullptr || (rect->left <= 0 && rect->top <= 0 && rect->right >= client.right &&
                          rect->bottom >= client.bottom);
  if (coversClient) w->invalid = false;
  return TRUE;
}
