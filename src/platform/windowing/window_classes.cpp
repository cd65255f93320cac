// Window classes, the instance handle and the cursor resources.

#include <strings.h>

#include <memory>
#include <vector>

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

std::vector<WindowClass>& Classes() {
  static std::vector<WindowClass> classes;
  return classes;
}

bool IsIntegerResource(LPCSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

}  // namespace

const WindowClass* FindWindowClass(LPCSTR name) {
  if (name == nullptr || IsIntegerResource(name)) return nullptr;
  for (const WindowClass& c : Classes()) {
    if (strcasecmp(c.name.c_str(), name) == 0) return &c;
  }
  return nullptr;
}

void ResetWindowClasses() {
  Classes().clear();
}

}  // namespace platform

using platform::Classes;

WORD RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr) return 0;
  LPCSTR name = windowClass->lpszClassName;
  if (name == nullptr || platform::IsIntegerResource(name) || *name == '\0') return 0;
  if (platform::FindWindowClass(name) != nullptr) return 0;
  Classes().push_back({name, windowClass->lpfnWndProc, windowClass->style});
  // Atoms of registered classes start at 0xC000 on the original platform.
  return static_cast<WORD>(0xC000 + Classes().size() - 1);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
  if (name != IDC_ARROW) return nullptr;
  static const std::uintptr_t arrow = platform::NewHandleValue();
  return reinterpret_cast<HCURSOR>(arrow);
}

HINSTANCE GetModuleHandleA(LPCSTR name) {
  if (name != nullptr) return nullptr;
  // The base address programs traditionally load at; only ever compared, never read.
  return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));
}
