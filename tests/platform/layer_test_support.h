#pragma once
// What the layer's tests share: a window class whose procedure records every message and
// passes it on, a loop like the program's, and DirectDraw surfaces read and written whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/hosts/headless/headless.h"
#include "platform/windowing/windowing.h"

namespace layer_test {

namespace hl = platform::headless;

constexpr int kBar = 14 + 6;  // the headless host's text height plus the menu bar's margin

struct Recorded {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<Recorded>& Log() {
  static std::vector<Recorded> log;
  return log;
}

// Extra handling a test wants before the default one; return true to skip it.
inline std::function<bool(HWND, UINT, WPARAM, LPARAM)>& Hook() {
  static std::function<bool(HWND, UINT, WPARAM, LPARAM)> hook;
  return hook;
}

inline LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Log().push_back({window, message, wParam, lParam});
  if (Hook() && Hook()(window, message, wParam, lParam)) return 0;
  if (message == WM_DESTROY) PostQuitMessage(7);
  return DefWindowProcA(window, message, wParam, lParam);
}

inline constexpr const char* kClassName = "LayerTest";

// The messages recorded so far, just their numbers, and the log cleared.
inline std::vector<UINT> TakeMessages() {
  std::vector<UINT> messages;
  for (const Recorded& r : Log()) messages.push_back(r.message);
  Log().clear();
  return messages;
}

// Installs a headless host with the script and registers the recording class.
inline void Start(hl::Script script = {}, hl::Options options = {}) {
  hl::Install(std::move(script), options);
  Log().clear();
  Hook() = nullptr;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
}

// A window as the program makes it: 512 x 512 at (x, y) with menu resource 1.
inline HWND MakeWindow(int x = 0, int y = 0) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  return CreateWindowExA(0, kClassName, "test", 0x06CF0000, x, y, 512, 512, nullptr, menu,
                         GetModuleHandleA(nullptr), nullptr);
}

// Shown and painted, with the log cleared.
inline HWND MakeShownWindow() {
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  Log().clear();
  return window;
}

inline MSG Take() {
  MSG m{};
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  return m;
}

// The program's loop: messages first, `frame` when none waits; the quit code, or -1 if
// `maxPasses` passes went by without one.
inline int RunLoop(const std::function<void()>& frame = {}, int maxPasses = 100000) {
  for (int pass = 0; pass < maxPasses; ++pass) {
    MSG message{};
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else if (frame) {
      frame();
    }
  }
  return -1;
}

// The recorded WM_COMMAND identifiers.
inline std::vector<WPARAM> Commands() {
  std::vector<WPARAM> ids;
  for (const Recorded& r : Log()) {
    if (r.message == WM_COMMAND) ids.push_back(r.wParam);
  }
  return ids;
}

// Points and sizes compared whole.
using XY = std::pair<long, long>;
inline XY At(POINT p) {
  return {p.x, p.y};
}
inline XY ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right, client.bottom};
}
inline XY Cursor() {
  POINT p{};
  GetCursorPos(&p);
  return At(p);
}

inline bool Held(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x80) != 0;
}

// ---- DirectDraw ----

using Words = std::vector<std::uint32_t>;

// A surface description of `size` bytes; width and height 0 describe the primary surface.
inline DDSURFACEDESC Desc(int width = 0, int height = 0, DWORD size = kDdSurfaceDescSize) {
  DDSURFACEDESC desc{};
  desc.dwSize = size;
  desc.dwFlags = DDSD_CAPS | (width != 0 || height != 0 ? DDSD_WIDTH | DDSD_HEIGHT : 0);
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  desc.ddsCaps.dwCaps = desc.dwFlags == DDSD_CAPS ? DDSCAPS_PRIMARYSURFACE : DDSCAPS_OFFSCREENPLAIN;
  return desc;
}

inline IDirectDrawSurface* Offscreen(IDirectDraw* device, int width, int height) {
  DDSURFACEDESC desc = Desc(width, height);
  IDirectDrawSurface* surface = nullptr;
  EXPECT_EQ(device->CreateSurface(&desc, &surface, nullptr), DD_OK);
  return surface;
}

// Every stored word, row padding included.
inline Words Read(IDirectDrawSurface* surface) {
  DDSURFACEDESC desc = Desc();
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  const auto* first = static_cast<const std::uint32_t*>(desc.lpSurface);
  Words words(first, first + desc.lPitch / 4 * desc.dwHeight);
  surface->Unlock(desc.lpSurface);
  return words;
}

inline void Write(IDirectDrawSurface* surface, const Words& words) {
  DDSURFACEDESC desc = Desc();
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  std::copy(words.begin(), words.end(), static_cast<std::uint32_t*>(desc.lpSurface));
  surface->Unlock(desc.lpSurface);
}

inline HRESULT Fill(IDirectDrawSurface* surface, RECT* rect, std::uint32_t colour) {
  DDBLTFX fx{};
  fx.dwSize = kDdBltFxSize;
  fx.dwFillColor = colour;
  return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

}  // namespace layer_test
