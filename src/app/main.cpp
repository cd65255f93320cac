// The executable: the program takes nothing from its command line or environment.
#include "app/main_loop.h"

int main() {
  return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
}
