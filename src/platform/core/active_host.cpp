// The active host and the reset of the layer's state when a host is installed.

#include <cstdio>
#include <cstdlib>

#include "platform/core/layer.h"
#include "platform/ddraw/faults.h"
#include "platform/hosts/host.h"

namespace platform {
namespace {

std::unique_ptr<Host>& Slot() {
  static std::unique_ptr<Host> host;
  return host;
}

void ReadFaultFromEnvironment() {
  const char* text = std::getenv("MANDELBROT_PLATFORM_FAULT");
  if (text == nullptr || *text == '\0') return;
  if (!InjectFaultFromText(text)) {
    std::fprintf(stderr,
                 "mandelbrot-navigator: ignoring MANDELBROT_PLATFORM_FAULT=%s "
                 "(expected Call:code, e.g. CreateClipper:0x80004005)\n",
                 text);
  }
}

}  // namespace

Host* InstalledHost() {
  return Slot().get();
}

std::uintptr_t NewHandleValue() {
  // Multiples of 16 from 64 KiB up: never null, never a small integer resource id.
  static std::uintptr_t next = 0x10000;
  next += 0x10;
  return next;
}

Host& ActiveHost() {
  if (Slot() == nullptr) {
    std::string error;
    std::unique_ptr<Host> host = MakeSdlHost(error);
    if (host == nullptr) {
      std::fprintf(stderr, "mandelbrot-navigator: %s\n", error.c_str());
      std::exit(1);
    }
    // Not InstallHost: what the program made before it needed a host (classes, menus,
    // devices) is not tied to one and must survive.
    Slot() = std::move(host);
    ReadFaultFromEnvironment();
  }
  return *Slot();
}

void InstallHost(std::unique_ptr<Host> host) {
  // Devices first: their surfaces hold device contexts and name windows.
  ResetDirectDraw();
  ResetGdi();
  ResetMenus();
  ResetWindows();
  ResetMessages();
  ResetCursor();
  ClearFaults();
  // The old host goes before the new one takes over: a host may own process-wide state.
  Slot().reset();
  Slot() = std::move(host);
}

}  // namespace platform
