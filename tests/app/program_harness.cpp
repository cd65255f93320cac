#include "program_harness.h"

#include <gtest/gtest.h>

int RunProgram(hl::Script script, std::function<void()> before, hl::Options options) {
  hl::Install(std::move(script), options);
  platform::ClearFaults();
  ResetProgramState();
  if (before) before();
  const int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  platform::ClearFaults();
  return code;
}

RECT ClientArea() {
  RECT r{0, 0, 0, 0};
  GetClientRect(MainWindow, &r);
  return r;
}

Image ExpectedClient(const ViewRect& view, int size) {
  const RECT r = ClientArea();
  return ExpectedPicture(view, size, r.right, r.bottom);
}

POINT OnScreen(int clientX, int clientY) {
  POINT p{clientX, clientY};
  ClientToScreen(MainWindow, &p);
  return p;
}
