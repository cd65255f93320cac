#pragma once
// What the layer's tests share: a window class whose procedure records every message and
// passes it on, and a loop like the program's.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/headless.h"
#include "platform/windowing.h"

namespace layer_test {

namespace hl = platform::headless;

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

inline bool Contains(const std::vector<UINT>& messages, UINT message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
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

// A window as the program makes it: 512 x 512 at (0, 0) with menu resource 1.
inline HWND MakeWindow(bool withMenu = true, int x = 0, int y = 0) {
  HMENU menu = withMenu ? LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)) : nullptr;
  return CreateWindowExA(0, kClassName, "test", 0x06CF0000, x, y, 512, 512, nullptr, menu,
                         GetModuleHandleA(nullptr), nullptr);
}

inline HWND MakeShownWindow(bool withMenu = true) {
  HWND window = MakeWindow(withMenu);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  Log().clear();
  return window;
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

inline bool Held(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x80) != 0;
}

}  // namespace layer_test
