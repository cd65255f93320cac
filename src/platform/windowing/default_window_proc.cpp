// What a window does with a message its procedure passes on.

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace {

bool IsCharacterKey(WPARAM key) {
  return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
}

void OnSystemKey(HWND window, WPARAM key, LPARAM data) {
  const bool alt = (data & (LPARAM{1} << 29)) != 0;
  if (key == VK_F10) {
    platform::TrackMenuBar(window);
  } else if (alt && IsCharacterKey(key)) {
    platform::TrackMenuMnemonic(window, static_cast<int>(key));
  }
}

}  // namespace

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;  // go on creating
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wParam == HTMENU) {
        platform::TrackMenuAt(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_SYSKEYDOWN:
      OnSystemKey(window, wParam, lParam);
      return 0;
    case WM_SYSKEYUP:
      // Alt pressed and released with no key between selects the bar.
      if (wParam == VK_MENU && platform::LastKeyDown() == VK_MENU) platform::TrackMenuBar(window);
      return 0;
    default:
      return 0;
  }
}
